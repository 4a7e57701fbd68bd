// Load on a running lesson (test_editor --serve) over the loopback, from one thread of Asio:
//
//   lesson_bench results PORT COUNT        COUNT results posted at once, each on a connection of
//                                          its own; their times from the connection to the reply
//   lesson_bench slow PORT COUNT SECONDS   COUNT connections at once, each sending a byte a second
//                                          of a request it never ends; when the lesson cuts them
//                                          off, and whether it answers a pupil meanwhile
//   lesson_bench malformed PORT COUNT      COUNT malformed requests at once; what came back
//   lesson_bench check PORT                a GET of the start page and a result: their statuses
//
// Prints what it measured; the exit status is 1 when a result or the check was not answered 200.
// The files' load is wrk's (scripts/bench-lesson.sh), which measures nginx the same way.

#include <sys/resource.h>

#include <algorithm>
#include <boost/asio.hpp>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace asio = boost::asio;
using tcp = asio::ip::tcp;
using boost::system::error_code;
using Clock = std::chrono::steady_clock;

namespace {

double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size())))];
}

// One request on a connection of its own: connect, send, read until the server closes, all
// within a deadline. `status` is that of the reply's first line, 0 when none came.
class Exchange : public std::enable_shared_from_this<Exchange> {
 public:
  Exchange(asio::io_context& ioc, std::string request, Clock::duration limit)
      : socket_(ioc), timer_(ioc), request_(std::move(request)), limit_(limit) {}

  void start(unsigned short port) {
    began = Clock::now();
    timer_.expires_after(limit_);
    timer_.async_wait([self = shared_from_this()](error_code ec) {
      if (!ec) {
        self->timedOut = true;
        error_code ignored;
        self->socket_.close(ignored);
      }
    });
    socket_.async_connect({asio::ip::make_address("127.0.0.1"), port}, [self = shared_from_this()](error_code ec) {
      if (ec) return self->finish(false);
      self->connected = true;
      asio::async_write(self->socket_, asio::buffer(self->request_),
                        [self](error_code, std::size_t) { self->read(); });
    });
  }

  Clock::time_point began, ended;
  bool connected = false, timedOut = false;
  int status = 0;
  std::string reply;

 private:
  void read() {
    socket_.async_read_some(asio::buffer(chunk_), [self = shared_from_this()](error_code ec, std::size_t n) {
      self->reply.append(self->chunk_, n);
      if (ec) return self->finish(true);
      self->read();
    });
  }

  void finish(bool) {
    ended = Clock::now();
    timer_.cancel();
    if (reply.starts_with("HTTP/1.") && reply.size() > 12) status = std::atoi(reply.c_str() + 9);
    error_code ignored;
    socket_.close(ignored);
  }

  tcp::socket socket_;
  asio::steady_timer timer_;
  std::string request_;
  Clock::duration limit_;
  char chunk_[4096];
};

std::string postOf(const std::string& body) {
  return "POST /results HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n"
         "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string result(int n) {
  std::string answers;
  for (int i = 0; i < 60; ++i) answers += (i ? "%2C" : "") + std::to_string(1 + (n + i) % 4);
  return postOf("course=bench&student=bench+" + std::to_string(n) +
                "&group=9&stages=6&questions=60&right=0&percent=0&finished=complete&answers=" + answers);
}

const std::string kGet = "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";

// Runs exchanges all at once and returns them once each has ended.
std::vector<std::shared_ptr<Exchange>> atOnce(unsigned short port, const std::vector<std::string>& requests,
                                              Clock::duration limit) {
  asio::io_context ioc;
  std::vector<std::shared_ptr<Exchange>> all;
  for (const std::string& r : requests) all.push_back(std::make_shared<Exchange>(ioc, r, limit));
  for (auto& e : all) e->start(port);
  ioc.run();
  return all;
}

void raiseDescriptorLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) == 0) {
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
  }
}

int results(unsigned short port, int count) {
  std::vector<std::string> requests;
  for (int i = 0; i < count; ++i) requests.push_back(result(i));
  const Clock::time_point began = Clock::now();
  const auto all = atOnce(port, requests, std::chrono::seconds(60));
  const double wall = ms(Clock::now() - began);
  std::vector<double> times;
  int taken = 0;
  for (const auto& e : all) {
    times.push_back(ms(e->ended - e->began));
    taken += e->status == 200 && e->reply.find("Результат принят") != std::string::npos;
  }
  std::printf("results: %d posted at once, %d taken (200, «Результат принят») in %.0f ms: %.0f a second\n", count,
              taken, wall, count * 1000.0 / wall);
  std::printf("results: each from its connection to its reply: p50 %.1f ms, p99 %.1f ms, most %.1f ms\n",
              percentile(times, 0.50), percentile(times, 0.99), percentile(times, 1.0));
  return taken == count ? 0 : 1;
}

int malformed(unsigned short port, int count) {
  const std::vector<std::string> kinds = {
      "HELLO THERE\r\n\r\n",
      "GET / HTTP/9.9\r\nHost: x\r\n\r\n",
      "GET /%zz%00 HTTP/1.1\r\nHost: x\r\n\r\n",
      "GET /../../etc/passwd HTTP/1.1\r\nHost: x\r\n\r\n",
      "POST /results HTTP/1.1\r\nHost: x\r\nContent-Length: -5\r\n\r\n",
      "POST /results HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\nZZZ\r\n\r\n",
      "POST /results HTTP/1.1\r\nHost: x\r\nContent-Type: application/x-www-form-urlencoded\r\nContent-Length: 99999999\r\n\r\n",
      "GET / HTTP/1.1\r\nHost: x\r\nX-Long: " + std::string(9000, 'a') + "\r\n\r\n",
      std::string("\x00\x01\x02\xff\xfe binary\r\n\r\n", 16),
      "GET / HTTP/1.1\r\nHost: x\r\nHost: y\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\nab",
  };
  std::vector<std::string> requests;
  for (int i = 0; i < count; ++i) requests.push_back(kinds[static_cast<std::size_t>(i) % kinds.size()]);
  const Clock::time_point began = Clock::now();
  const auto all = atOnce(port, requests, std::chrono::seconds(30));
  std::map<int, int> statuses;
  int unconnected = 0, closed = 0, timedOut = 0;
  for (const auto& e : all) {
    if (!e->connected) ++unconnected;
    else if (e->timedOut) ++timedOut;
    else if (e->status == 0) ++closed;
    else ++statuses[e->status];
  }
  std::printf("malformed: %d requests at once, over in %.0f ms: ", count, ms(Clock::now() - began));
  for (const auto& [status, n] : statuses) std::printf("%d answered %d; ", n, status);
  std::printf("%d closed without a reply; %d not connected; %d still open after 30 s\n",
              closed, unconnected, timedOut);
  return 0;
}

int slow(unsigned short port, int count, int seconds) {
  asio::io_context ioc;
  struct Slow {
    explicit Slow(asio::io_context& ioc) : socket(ioc) {}
    tcp::socket socket;
    bool open = false;
    double closedAt = -1;  // seconds after the start
    char byte[1];
  };
  std::vector<std::unique_ptr<Slow>> all;
  const Clock::time_point began = Clock::now();
  const auto since = [began] { return std::chrono::duration<double>(Clock::now() - began).count(); };
  for (int i = 0; i < count; ++i) {
    all.push_back(std::make_unique<Slow>(ioc));
    Slow& s = *all.back();
    s.socket.async_connect({asio::ip::make_address("127.0.0.1"), port}, [&s, since](error_code ec) {
      if (ec) {
        s.closedAt = since();
        return;
      }
      s.open = true;
      asio::async_write(s.socket, asio::buffer("GET / HTTP/1.1\r\n", 16), [](error_code, std::size_t) {});
      // The server's close is the end of a read that never gets a byte.
      s.socket.async_read_some(asio::buffer(s.byte), [&s, since](error_code, std::size_t) {
        s.open = false;
        s.closedAt = since();
      });
    });
  }
  // A byte a second on every open connection; a pupil's request half-way.
  asio::steady_timer tick(ioc);
  int ticks = 0;
  std::shared_ptr<Exchange> pupil;
  std::function<void(error_code)> onTick = [&](error_code) {
    ++ticks;
    for (auto& s : all) {
      if (s->open) asio::async_write(s->socket, asio::buffer("X", 1), [](error_code, std::size_t) {});
    }
    if (ticks == seconds / 2) {
      pupil = std::make_shared<Exchange>(ioc, kGet, std::chrono::seconds(seconds));
      pupil->start(port);
    }
    if (ticks >= seconds) {
      for (auto& s : all) {
        error_code ignored;
        s->socket.close(ignored);
      }
      return;
    }
    tick.expires_after(std::chrono::seconds(1));
    tick.async_wait(onTick);
  };
  tick.expires_after(std::chrono::seconds(1));
  tick.async_wait(onTick);
  ioc.run_for(std::chrono::seconds(seconds + 5));
  std::vector<double> cut;
  int atOnce = 0, stillOpen = 0;
  for (const auto& s : all) {
    if (s->closedAt < 0 || s->closedAt >= seconds) ++stillOpen;
    else if (s->closedAt < 1) ++atOnce;
    else cut.push_back(s->closedAt);
  }
  std::printf("slow: %d connections at once, a byte a second each: %d closed at once, %zu cut off after %.1f to "
              "%.1f s, %d neither answered nor closed after %d s (waiting for a place)\n",
              count, atOnce, cut.size(), cut.empty() ? 0.0 : percentile(cut, 0), cut.empty() ? 0.0 : percentile(cut, 1),
              stillOpen, seconds);
  if (pupil) {
    std::printf("slow: a pupil's GET / after %d s among them: %s\n", seconds / 2,
                pupil->status != 0 ? ("answered " + std::to_string(pupil->status) + " in " +
                                      std::to_string(static_cast<int>(ms(pupil->ended - pupil->began))) + " ms")
                                         .c_str()
                                   : "not answered (the connection was closed at once)");
  }
  return 0;
}

int check(unsigned short port) {
  const auto all = atOnce(port, {kGet}, std::chrono::seconds(10));
  const auto posted = atOnce(port, {result(1000000)}, std::chrono::seconds(10));
  std::printf("afterwards: GET / answered %d in %.1f ms; a result answered %d in %.1f ms\n", all[0]->status,
              ms(all[0]->ended - all[0]->began), posted[0]->status, ms(posted[0]->ended - posted[0]->began));
  return all[0]->status == 200 && posted[0]->status == 200 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  raiseDescriptorLimit();
  const std::string mode = argc > 1 ? argv[1] : "";
  const auto arg = [&](int i) { return argc > i ? std::atoi(argv[i]) : 0; };
  const auto port = static_cast<unsigned short>(arg(2));
  if (mode == "results" && argc == 4) return results(port, arg(3));
  if (mode == "slow" && argc == 5) return slow(port, arg(3), arg(4));
  if (mode == "malformed" && argc == 4) return malformed(port, arg(3));
  if (mode == "check" && argc == 3) return check(port);
  std::fprintf(stderr,
               "usage: lesson_bench results PORT COUNT | slow PORT COUNT SECONDS | malformed PORT COUNT | check PORT\n");
  return 2;
}
