#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "lesson/Rows.h"
#include "lesson/Server.h"
#include "lesson/Snapshot.h"
#include "lesson/Store.h"
#include "shell/Disk.h"

namespace lesson {

namespace fs = std::filesystem;

// How many results one address may send in a minute: a class behind one NAT address sends
// its results within a few minutes, a script sends thousands. The addresses remembered are
// bounded too; when they are all busy, a new one waits.
class RateLimit {
 public:
  explicit RateLimit(int perMinute, std::size_t maxAddresses = 4096);
  // Whether a result from the address may be taken now; counts it when it may.
  bool allow(const std::string& address, std::chrono::steady_clock::time_point now);

 private:
  int perMinute_;
  std::size_t maxAddresses_;
  std::map<std::string, std::deque<std::chrono::steady_clock::time_point>> sent_;
};

struct LessonOptions {
  ServerOptions server;
  int resultsPerMinute = 30;      // from one address, beyond them 429
  std::size_t maxResults = 2000;  // in one lesson, beyond them 503: far more than any class
};

// A lesson: the test shown served to the class's browsers, every result they post scored again
// and kept in the store, the table of results for the teacher's window.
//
// Threads: start, stop and the readers are called from the window's thread; the server answers
// on a thread of its own, and the results are committed to the store on another, which calls
// `notify` after each commit of results (or its failure). `notify` should do no more than post
// one event to the window's loop, and must not call stop.
//
// Results that come while the store syncs go together into the next commit, each pupil answered
// once the commit holding their result is durable: a class sending at once waits for a few syncs,
// not for one sync each in turn, and the test's files are served meanwhile.
class Lesson {
 public:
  using Notify = std::function<void()>;

  Lesson();
  ~Lesson();  // stops
  Lesson(const Lesson&) = delete;
  Lesson& operator=(const Lesson&) = delete;

  // Reads the test under `root` once through the disk, records the lesson in the store, and
  // starts serving it. Throws shell::ShellError (in Russian, naming the file) when the test
  // cannot be read, the store cannot record the lesson, or no port is free; nothing runs then.
  // The store must outlive the lesson.
  void start(const fs::path& root, shell::Disk& disk, Store& store, Notify notify, LessonOptions options = {});
  // Stops serving: no connection stays open, a result being stored is stored first. A start may
  // follow, which reads the test again.
  void stop();

  bool running() const;
  std::int64_t id() const;
  unsigned short port() const;
  const Snapshot& snapshot() const;

  // The start pages pupils open: "http://<address>:<port>/" for each address of this computer
  // the lesson listens on, IPv4 beyond the loopback first.
  std::vector<std::string> addresses() const;
  // Where the quiz posts a result, "http://<first address>:<port>/results": what a test opened
  // from a shared folder or a stick needs as its handler's address.
  std::string resultsAddress() const;

  // Connections the server holds open now.
  std::size_t connections() const;

  // The lesson's table, read from the store: a row per pupil, the newest first. Both throw
  // shell::ShellError when the store cannot be read.
  std::vector<Row> rows() const;
  // How many pupils have finished (rows of the table).
  std::size_t finished() const;
  // The last result that could not be stored, in Russian naming the store's file; empty when
  // every result was stored.
  std::string problem() const;

 private:
  HttpReply respond(const HttpRequest& request);
  HttpReply receive(const HttpRequest& request);
  struct Waiting {
    ResultRecord result;
    std::function<void(HttpReply)> reply;
  };
  void write();  // the writer's thread: commits what waits, until the stop
  void commit(std::vector<Waiting>& batch);

  std::unique_ptr<Server> server_;
  std::shared_ptr<const Snapshot> snapshot_;
  Store* store_ = nullptr;
  Notify notify_;
  LessonOptions options_;
  std::int64_t id_ = 0;
  // The server's thread alone.
  std::unique_ptr<RateLimit> rate_;
  std::atomic<std::size_t> taken_{0};  // results stored or waiting for their commit
  // The results for the next commit, handed from the server's thread to the writer's.
  std::mutex writerMutex_;
  std::condition_variable writerWake_;
  std::vector<Waiting> waiting_;
  bool writerStop_ = false;
  std::thread writer_;
  mutable std::mutex problemMutex_;
  std::string problem_;
};

}  // namespace lesson
