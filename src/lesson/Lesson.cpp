#include "lesson/Lesson.h"

#include <utility>

#include "lesson/Form.h"
#include "lesson/Network.h"
#include "lesson/Pages.h"
#include "lesson/Score.h"
#include "lesson/Target.h"
#include "shell/Russian.h"
#include "shell/ShellError.h"
#include "text/CodePage.h"

namespace lesson {

RateLimit::RateLimit(int perMinute, std::size_t maxAddresses) : perMinute_(perMinute), maxAddresses_(maxAddresses) {}

bool RateLimit::allow(const std::string& address, std::chrono::steady_clock::time_point now) {
  const auto minuteAgo = now - std::chrono::minutes(1);
  const auto forget = [minuteAgo](std::deque<std::chrono::steady_clock::time_point>& times) {
    while (!times.empty() && times.front() <= minuteAgo) times.pop_front();
  };
  auto at = sent_.find(address);
  if (at == sent_.end()) {
    if (sent_.size() >= maxAddresses_) {
      for (auto i = sent_.begin(); i != sent_.end();) {
        forget(i->second);
        i = i->second.empty() ? sent_.erase(i) : std::next(i);
      }
      if (sent_.size() >= maxAddresses_) return false;
    }
    at = sent_.emplace(address, std::deque<std::chrono::steady_clock::time_point>()).first;
  }
  forget(at->second);
  if (at->second.size() >= static_cast<std::size_t>(perMinute_)) return false;
  at->second.push_back(now);
  return true;
}

Lesson::Lesson() = default;

Lesson::~Lesson() { stop(); }

void Lesson::start(const fs::path& root, shell::Disk& disk, Store& store, Notify notify, LessonOptions options) {
  stop();
  auto snapshot = std::make_shared<const Snapshot>(readSnapshot(disk, root));
  auto server = std::make_unique<Server>(options.server, [this](const HttpRequest& r) { return respond(r); });
  server->open();
  LessonRecord record;
  record.folder = shell::utf8(root);
  record.course = snapshot->course;
  record.started = isoUtc(std::chrono::system_clock::now());
  record.key = snapshot->keyBytes;
  record.stages = snapshot->key.stages;
  record.passMark = text::toUtf8(text::fromCodePage(snapshot->key.passMark));
  record.questions = questionTexts(*snapshot);
  const std::int64_t id = store.addLesson(record);

  snapshot_ = std::move(snapshot);
  store_ = &store;
  notify_ = std::move(notify);
  options_ = options;
  id_ = id;
  rate_ = std::make_unique<RateLimit>(options.resultsPerMinute);
  taken_ = 0;
  {
    const std::lock_guard<std::mutex> lock(problemMutex_);
    problem_.clear();
  }
  server_ = std::move(server);
  waiting_.clear();
  writerStop_ = false;
  writer_ = std::thread([this] { write(); });
  server_->run();
}

void Lesson::stop() {
  if (!server_) return;
  // No result comes any more; those taken are committed, their replies dropped with the
  // connections.
  server_->stop();
  {
    const std::lock_guard<std::mutex> lock(writerMutex_);
    writerStop_ = true;
  }
  writerWake_.notify_all();
  writer_.join();
  server_.reset();
}

bool Lesson::running() const { return server_ != nullptr; }

std::int64_t Lesson::id() const { return id_; }

unsigned short Lesson::port() const { return server_ ? server_->port() : 0; }

const Snapshot& Lesson::snapshot() const { return *snapshot_; }

std::size_t Lesson::connections() const { return server_ ? server_->connections() : 0; }

std::vector<std::string> Lesson::addresses() const {
  if (!server_) return {};
  return pupilAddresses(localAddresses(), server_->listening(), server_->port());
}

std::string Lesson::resultsAddress() const {
  const std::vector<std::string> pages = addresses();
  if (!pages.empty()) return pages.front() + "results";
  return "http://127.0.0.1:" + std::to_string(port()) + "/results";
}

std::vector<Row> Lesson::rows() const {
  if (store_ == nullptr) return {};
  return tableRows(store_->results(id_));
}

std::size_t Lesson::finished() const { return rows().size(); }

std::string Lesson::problem() const {
  const std::lock_guard<std::mutex> lock(problemMutex_);
  return problem_;
}

namespace {

HttpReply refusal(int status, std::vector<std::pair<std::string, std::string>> headers = {}) {
  return HttpReply{status, kPageType, refusalPage(status), nullptr, std::move(headers)};
}

}  // namespace

HttpReply Lesson::respond(const HttpRequest& request) {
  if (pathOf(request.target) == "/results") {
    if (request.method != "POST") return refusal(405, {{"Allow", "POST"}});
    return receive(request);
  }
  if (request.method != "GET" && request.method != "HEAD") return refusal(405, {{"Allow", "GET, HEAD"}});
  const Target target = targetFile(request.target, snapshot_->files);
  if (target.kind == Target::Malformed) return refusal(400);
  if (target.kind == Target::NotFound) return refusal(404);
  HttpReply reply;
  reply.contentType = contentTypeOf(target.name);
  if (target.name == shell::kIndexFile) {
    // The results go back to the address this browser reached the lesson on, whatever its
    // Host header says: a client writes that header, the socket's address is the computer's own.
    const std::string results = request.localHost.empty()
                                    ? resultsAddress()
                                    : "http://" + request.localHost + ":" + std::to_string(request.localPort) + "/results";
    reply.body = snapshot_->indexWith(results);
  } else {
    reply.shared = &snapshot_->files.find(target.name)->second;
  }
  return reply;
}

HttpReply Lesson::receive(const HttpRequest& request) {
  if (!isFormType(request.contentType)) return refusal(415);
  if (!rate_->allow(request.peer, std::chrono::steady_clock::now())) return refusal(429);
  if (taken_ >= options_.maxResults) return refusal(503);
  ResultRecord result;
  result.lesson = id_;
  result.posted = decodeForm(request.body);
  result.score = scoreAgain(snapshot_->key, snapshot_->course, result.posted);
  result.address = request.peer;
  result.received = isoUtc(std::chrono::system_clock::now());
  ++taken_;
  {
    const std::lock_guard<std::mutex> lock(writerMutex_);
    waiting_.push_back({std::move(result), request.replyLater});
  }
  writerWake_.notify_one();
  HttpReply later;
  later.later = true;
  return later;
}

void Lesson::write() {
  for (;;) {
    std::vector<Waiting> batch;
    {
      std::unique_lock<std::mutex> lock(writerMutex_);
      writerWake_.wait(lock, [this] { return writerStop_ || !waiting_.empty(); });
      if (waiting_.empty()) return;
      batch.swap(waiting_);
    }
    commit(batch);
  }
}

void Lesson::commit(std::vector<Waiting>& batch) {
  std::vector<ResultRecord> results;
  results.reserve(batch.size());
  for (const Waiting& w : batch) results.push_back(w.result);
  bool stored = false;
  try {
    store_->addResults(results);
    stored = true;
  } catch (const std::exception& e) {
    taken_ -= batch.size();
    const std::lock_guard<std::mutex> lock(problemMutex_);
    problem_ = e.what();
  }
  // Only now, with the results committed, does anyone hear of them: the window, then the pupils.
  try {
    if (notify_) notify_();
  } catch (...) {
    // The window's trouble is no reason to lose the pupils' replies.
  }
  for (Waiting& w : batch) {
    w.reply(stored ? HttpReply{200, kPageType, acceptedPage(w.result.posted.student), nullptr, {}} : refusal(503));
  }
}

}  // namespace lesson
