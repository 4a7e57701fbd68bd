// The lesson's real server on the loopback (127.0.0.1 and ::1 only), every wait bounded: the
// model test served byte for byte, results stored before their reply, hostile clients cut off,
// and a stop that closes everything.

#include <gtest/gtest.h>

#include <atomic>
#include <boost/asio.hpp>
#include <future>
#include <map>
#include <random>
#include <thread>

#include "lesson/Lesson.h"
#include "lesson/Serve.h"
#include "lesson/SqliteStore.h"
#include "shell/Russian.h"
#include "shell/ShellError.h"
#include "shell/History.h"
#include "shell/LineTable.h"
#include "shell/Lines.h"
#include "support/Fixtures.h"
#include "text/CodePage.h"

namespace lesson {
namespace {

namespace asio = boost::asio;
using tcp = asio::ip::tcp;
using boost::system::error_code;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct Reply {
  int status = 0;
  std::map<std::string, std::string> headers;  // names in lower case
  std::string body;
  std::string header(const std::string& name) const {
    const auto at = headers.find(name);
    return at == headers.end() ? std::string() : at->second;
  }
};

// One connection of a client, each step bounded in time.
class Connection {
 public:
  Connection(const std::string& host, unsigned short port) {
    socket_.async_connect({asio::ip::make_address(host), port}, [this](error_code ec) { connected_ = !ec; });
    run(3s);
  }
  bool connected() const { return connected_; }

  // Sends bytes; false when the server has closed the connection.
  bool send(const std::string& bytes) {
    bool sent = false;
    asio::async_write(socket_, asio::buffer(bytes), [&sent](error_code ec, std::size_t) { sent = !ec; });
    run(3s);
    return sent;
  }

  // Reads one whole reply (by its Content-Length; a reply to HEAD has no body).
  Reply reply(bool head = false) {
    const Clock::time_point deadline = Clock::now() + 5s;
    std::size_t end = 0;
    for (;;) {
      const std::size_t headers = in_.find("\r\n\r\n");
      if (headers != std::string::npos) {
        const std::size_t length = head ? 0 : std::stoul(parse(in_.substr(0, headers)).header("content-length"));
        if (in_.size() >= headers + 4 + length) {
          end = headers + 4 + length;
          break;
        }
      }
      if (closed_ || Clock::now() >= deadline) return {};
      readSome(deadline);
    }
    Reply r = parse(in_.substr(0, end));
    in_.erase(0, end);
    return r;
  }

  // Whether the server closes the connection within the time, and the bytes it sent till then.
  bool closedWithin(std::chrono::milliseconds limit) {
    const Clock::time_point deadline = Clock::now() + limit;
    while (!closed_ && Clock::now() < deadline) readSome(deadline);
    return closed_;
  }
  const std::string& unread() const { return in_; }

 private:
  static Reply parse(const std::string& bytes) {
    Reply r;
    const std::size_t headers = bytes.find("\r\n\r\n");
    std::istringstream lines(bytes.substr(0, headers));
    std::string line;
    std::getline(lines, line);
    if (line.size() > 12) r.status = std::stoi(line.substr(9, 3));
    while (std::getline(lines, line)) {
      const std::size_t colon = line.find(':');
      if (colon == std::string::npos) continue;
      std::string name = line.substr(0, colon);
      for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      std::string value = line.substr(colon + 1);
      value.erase(0, value.find_first_not_of(' '));
      if (!value.empty() && value.back() == '\r') value.pop_back();
      r.headers[name] = value;
    }
    if (headers != std::string::npos) r.body = bytes.substr(headers + 4);
    return r;
  }

  void readSome(Clock::time_point deadline) {
    bool done = false;
    socket_.async_read_some(asio::buffer(chunk_), [this, &done](error_code ec, std::size_t n) {
      in_.append(chunk_, n);
      closed_ = closed_ || ec;
      done = true;
    });
    ioc_.restart();
    ioc_.run_until(deadline);
    if (!done) {
      socket_.cancel();
      ioc_.restart();
      ioc_.run();
      closed_ = false;
    }
  }

  void run(std::chrono::milliseconds limit) {
    ioc_.restart();
    ioc_.run_for(limit);
  }

  asio::io_context ioc_;
  tcp::socket socket_{ioc_};
  bool connected_ = false, closed_ = false;
  char chunk_[16384];
  std::string in_;
};

// A whole request on a connection of its own, which the server closes after the reply.
Reply exchange(const std::string& host, unsigned short port, const std::string& request, bool head = false) {
  Connection c(host, port);
  if (!c.connected()) return {};
  c.send(request);
  return c.reply(head);
}

std::string get(const std::string& target, const std::string& method = "GET") {
  return method + " " + target + " HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n\r\n";
}

std::string post(const std::string& body, const std::string& type = "application/x-www-form-urlencoded") {
  return "POST /results HTTP/1.1\r\nHost: localhost\r\nOrigin: null\r\nConnection: close\r\nContent-Type: " + type +
         "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// Bytes as a browser writes them into a form: everything but letters and digits escaped.
std::string escaped(const std::string& bytes) {
  std::string out;
  for (const unsigned char c : bytes) {
    if (std::isalnum(c) && c < 128) {
      out += static_cast<char>(c);
    } else {
      static const char* hex = "0123456789ABCDEF";
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

// What a browser posts from the quiz page for text typed as UTF-8: the code page's bytes, other
// characters as references.
std::string typed(const std::string& utf8) {
  return escaped(*text::toCodePage(*text::fromUtf8(utf8), text::FieldRule::References));
}

class LessonServer : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::copy(MODEL_SHELL_DIR, root_, fs::copy_options::recursive);
    fs::create_directory(root_ / shell::kHistoryFolder);
    support::writeBytes(root_ / shell::kHistoryFolder / "1-0-p.rec", "a record of the history");
    support::writeBytes(root_ / "0" / ".0-0.html.tmp", "a temporary");
    support::writeBytes(root_ / "pics" / ".9.gif", "a hidden picture");
    store_ = std::make_unique<SqliteStore>(tmp_.path() / "results.sqlite");
  }

  static LessonOptions loopback() {
    LessonOptions options;
    options.server.listen = {"127.0.0.1", "::1"};
    // Each test program its own hundred ports below the system's ephemeral ones: tests run at
    // once would otherwise take the ports one of them just freed, which a test of a stop or of a
    // port taken by another program must find free.
    static const unsigned short base = static_cast<unsigned short>(10000 + std::random_device{}() % 200 * 100);
    options.server.firstPort = base;
    options.server.lastPort = static_cast<unsigned short>(base + 99);
    return options;
  }

  void start(LessonOptions options = loopback(), Store* store = nullptr) {
    lesson_.start(root_, disk_, store != nullptr ? *store : *store_, [this] {
      kept_ = store_->results(lesson_.id()).size();
      ++notified_;
    }, options);
  }

  // The form of the quiz's last page for the model test: the course as title.html holds it.
  std::string form(const std::string& student, const std::string& answers, const std::string& right,
                   const std::string& percent, const std::string& course = "") {
    const std::string title = support::readBytes(root_ / "title.html");
    const std::string ownCourse(shell::checkTable(title, shell::kTitleShape, "title.html")[shell::title::kCourse]);
    return "course=" + (course.empty() ? escaped(ownCourse) : typed(course)) + "&inspector=x&student=" + typed(student) +
           "&group=" + typed("9А") + "&stages=6&questions=60&right=" + right + "&percent=" + percent +
           "&pass=60&passed=1&minutes=45&elapsed=754&finished=complete&date=2024-05-14T08%3A30%3A00.000Z&answers=" +
           escaped(answers) + "&marks=1";
  }

  // The model key's answers, the first `wrong` of them changed.
  std::string modelAnswers(int wrong = 0) const {
    std::string out;
    for (int slot = 0; slot < 60; ++slot) {
      std::string a = lesson_.snapshot().key.answers[slot];
      if (slot < wrong) a = a == "1" ? "2" : "1";
      out += (slot ? "," : "") + a;
    }
    return out;
  }

  support::TempDir tmp_;
  fs::path root_ = tmp_.path() / shell::fromUtf8("тест");
  shell::RealDisk disk_;
  std::unique_ptr<SqliteStore> store_;
  std::atomic<int> notified_{0};
  std::atomic<std::size_t> kept_{0};
  Lesson lesson_;
};

TEST_F(LessonServer, ServesTheTestAsReadAtItsStartByteForByteAndNothingElse) {
  const std::map<std::string, std::string> before = support::snapshot(root_);
  start();
  const unsigned short port = lesson_.port();
  EXPECT_GE(port, loopback().server.firstPort);
  EXPECT_EQ(lesson_.addresses(), (std::vector<std::string>{"http://127.0.0.1:" + std::to_string(port) + "/",
                                                           "http://[::1]:" + std::to_string(port) + "/"}));
  EXPECT_EQ(lesson_.resultsAddress(), "http://127.0.0.1:" + std::to_string(port) + "/results");
  // The teacher goes on editing: the lesson serves the test it read.
  std::map<std::string, std::string> after = before;
  after["1.js"] += "// changed\r\n";
  support::writeBytes(root_ / "1.js", after["1.js"]);

  const auto indexWith = [&](const std::string& address) {
    std::vector<std::string> lines = support::crlfLines(root_ / "index.html");
    EXPECT_EQ(support::crlfJoin(lines), before.at("index.html"));
    lines.at(shell::index::kHandler) = address;
    return support::crlfJoin(lines);
  };
  int served = 0;
  for (const auto& [name, bytes] : before) {
    if (name.back() == '/' || name.front() == '.' || name.find("/.") != std::string::npos ||
        name == "import-example.txt") {
      continue;
    }
    const Reply r = exchange("127.0.0.1", port, get("/" + name));
    EXPECT_EQ(r.status, 200) << name;
    const std::string expected =
        name == "index.html" ? indexWith("http://127.0.0.1:" + std::to_string(port) + "/results") : bytes;
    EXPECT_TRUE(r.body == expected) << name << ": " << r.body.size() << " bytes, " << expected.size() << " on disk";
    const std::string type = name.ends_with(".gif") ? "image/gif"
                             : name.ends_with(".js") ? "text/javascript; charset=windows-1251"
                                                     : "text/html; charset=windows-1251";
    EXPECT_EQ(r.header("content-type"), type) << name;
    EXPECT_EQ(r.header("cache-control"), "no-store") << name;
    EXPECT_EQ(r.header("x-content-type-options"), "nosniff") << name;
    ++served;
  }
  EXPECT_EQ(served, 4 + 60 + 8);
  EXPECT_EQ(lesson_.snapshot().files.size(), 4u + 60 + 8);
  // The results' address is the one the request came in on, never the Host a client wrote.
  EXPECT_EQ(exchange("::1", port, get("/")).body, indexWith("http://[::1]:" + std::to_string(port) + "/results"));
  EXPECT_EQ(exchange("127.0.0.1", port, "GET /?x HTTP/1.1\r\nHost: evil.example:80\r\nConnection: close\r\n\r\n").body,
            indexWith("http://127.0.0.1:" + std::to_string(port) + "/results"));
  // HEAD: the headers of a GET, no body.
  {
    Connection c("127.0.0.1", port);
    c.send(get("/pics/1.gif", "HEAD"));
    const Reply r = c.reply(true);
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.header("content-length"), std::to_string(before.at("pics/1.gif").size()));
    EXPECT_TRUE(c.closedWithin(3s));
    EXPECT_EQ(c.unread(), "");
  }
  // HTTP/1.0 closes a connection unless asked to keep it, and is told which; HTTP/1.1 keeps it
  // unasked and is told nothing.
  for (const std::string version : {"HTTP/1.0", "HTTP/1.1"}) {
    Connection c("127.0.0.1", port);
    const std::string keep = version == "HTTP/1.0" ? "Connection: keep-alive\r\n" : "";
    for (const std::string name : {"1.js", "pics/1.gif"}) {
      c.send("GET /" + name + " " + version + "\r\nHost: localhost\r\n" + keep + "\r\n");
      const Reply r = c.reply();
      EXPECT_EQ(r.status, 200) << version << " " << name;
      EXPECT_TRUE(r.body == before.at(name)) << version << " " << name;
      EXPECT_EQ(r.header("connection"), version == "HTTP/1.0" ? "keep-alive" : "") << version;
    }
    EXPECT_FALSE(c.closedWithin(300ms)) << version;
  }
  {
    Connection c("127.0.0.1", port);
    c.send("GET /1.js HTTP/1.0\r\nHost: localhost\r\n\r\n");
    const Reply r = c.reply();
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.header("connection"), "close");
    EXPECT_TRUE(c.closedWithin(3s));
  }
  struct Refused {
    std::string request;
    int status;
    std::string allow;
  };
  const Refused refused[] = {
      {get("/import-example.txt"), 404, ""},
      {get("/.editor-history/1-0-p.rec"), 404, ""},
      {get("/0/.0-0.html.tmp"), 404, ""},
      {get("/0/"), 404, ""},
      {get("/pics"), 404, ""},
      {get("/../1.js"), 404, ""},
      {get("/%2e%2e/%2e%2e/etc/passwd"), 404, ""},
      {get("/..%2f1.js"), 400, ""},
      {get("/%00"), 400, ""},
      {get("/1.js", "POST"), 405, "GET, HEAD"},
      {get("/index.html", "DELETE"), 405, "GET, HEAD"},
      {get("*", "OPTIONS"), 405, "GET, HEAD"},
      {get("/results"), 405, "POST"},
      {post("a=1", "text/plain"), 415, ""},
      {"POST /results HTTP/1.1\r\nHost: x\r\nContent-Type: application/x-www-form-urlencoded\r\n"
       "Content-Length: 70000\r\n\r\n",
       413, ""},
      {"GET / HTTP/1.1\r\nHost: x\r\nX-Long: " + std::string(9000, 'a') + "\r\n\r\n", 431, ""},
      {"HELLO THERE\r\n\r\n", 400, ""},
  };
  for (const Refused& r : refused) {
    const Reply got = exchange("127.0.0.1", port, r.request);
    const std::string first = r.request.substr(0, r.request.find('\r'));
    EXPECT_EQ(got.status, r.status) << first;
    EXPECT_EQ(got.header("content-type"), "text/html; charset=utf-8") << first;
    EXPECT_EQ(got.header("allow"), r.allow) << first;
    if (r.status == 404) {
      EXPECT_NE(got.body.find("Такого файла в тесте нет"), std::string::npos) << first;
    }
  }
  EXPECT_EQ(notified_, 0);
  lesson_.stop();
  // The lesson wrote nothing into the test.
  EXPECT_EQ(support::differences(after, support::snapshot(root_)), std::vector<std::string>{});
}

TEST_F(LessonServer, AResultIsScoredAgainStoredBeforeItsReplyAndCountedPerPupil) {
  LessonOptions options = loopback();
  options.resultsPerMinute = 3;
  // A page with characters beyond the code page, and a page the test has lost.
  std::vector<std::string> page = support::crlfLines(root_ / "2" / "3.html");
  page[shell::page::field(2)] = "x&#178; &#8730;2 &lt;b&gt;";
  support::writeBytes(root_ / "2" / "3.html", support::crlfJoin(page));
  fs::remove(root_ / "5" / "9.html");
  start(options);
  const unsigned short port = lesson_.port();
  // Five answers changed, and a claim of all of them right.
  Reply r = exchange("127.0.0.1", port, post(form("<b>Иванов</b> √", modelAnswers(5), "60", "100")));
  EXPECT_EQ(r.status, 200);
  EXPECT_NE(r.body.find("Результат принят"), std::string::npos) << r.body;
  EXPECT_NE(r.body.find("&lt;b&gt;Иванов&lt;/b&gt; √"), std::string::npos) << r.body;
  EXPECT_EQ(r.body.find("<b>Иванов"), std::string::npos);
  // The window heard of it after the commit and before the reply went.
  EXPECT_EQ(notified_, 1);
  EXPECT_EQ(kept_, 1u);
  {
    SqliteStore reader(tmp_.path() / "results.sqlite");
    const std::vector<ResultRecord> kept = reader.results(lesson_.id());
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].posted.student, "<b>Иванов</b> √");
    EXPECT_EQ(kept[0].posted.group, "9А");
    EXPECT_EQ(kept[0].posted.course, lesson_.snapshot().course);
    EXPECT_EQ(kept[0].posted.right, "60");
    EXPECT_EQ(kept[0].score, (Score{55, 60, 91, true, ClaimDiffers}));
    EXPECT_EQ(kept[0].address, "127.0.0.1");
    EXPECT_TRUE(parseIsoUtc(kept[0].received).has_value());
    const std::vector<LessonRecord> lessons = reader.lessons();
    ASSERT_FALSE(lessons.empty());
    EXPECT_EQ(lessons[0].key, support::readBytes(root_ / "1.js"));
    EXPECT_EQ(lessons[0].stages, 6);
    // The questions as the quiz shows them, kept with the lesson for its statistics.
    ASSERT_EQ(lessons[0].questions.size(), 60u);
    EXPECT_EQ(lessons[0].questions[0].text, "Сколько бит содержится в одном байте?");
    EXPECT_EQ(lessons[0].questions[0].answers[0], "2");
    EXPECT_EQ(lessons[0].questions[shell::answerSlot(3, 4)].answers[1], "x² √2 &lt;b&gt;");
    EXPECT_EQ(lessons[0].questions[59], QuestionText{});
  }
  // The same pupil again, honest this time; another pupil with another test's form, over IPv6.
  EXPECT_EQ(exchange("127.0.0.1", port, post(form("<b>Иванов</b> √", modelAnswers(), "60", "100"))).status, 200);
  EXPECT_EQ(exchange("::1", port, post(form("Петров", modelAnswers(), "60", "100", "История"))).status, 200);
  EXPECT_EQ(exchange("127.0.0.1", port, post(form("Сидоров", modelAnswers(60), "0", "0"))).status, 200);
  // A fourth from the same address within the minute is refused and not kept.
  r = exchange("127.0.0.1", port, post(form("Козлов", modelAnswers(), "60", "100")));
  EXPECT_EQ(r.status, 429);
  EXPECT_NE(r.body.find("Подождите минуту"), std::string::npos);
  EXPECT_EQ(notified_, 4);

  const std::vector<Row> rows = lesson_.rows();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].student, "Сидоров");
  EXPECT_EQ(rows[0].right, 0);
  EXPECT_EQ(rows[0].passed, false);
  EXPECT_EQ(rows[1].student, "Петров");
  EXPECT_EQ(rows[1].address, "::1");
  EXPECT_EQ(rows[1].marks, std::vector<std::string>{"форма другого теста: курс «История», вопросов «60»"});
  EXPECT_EQ(rows[2].student, "<b>Иванов</b> √");
  EXPECT_EQ(rows[2].times, 2);
  EXPECT_EQ(rows[2].right, 60);
  EXPECT_EQ(rows[2].elapsed, "12:34");
  EXPECT_EQ(lesson_.finished(), 3u);
  EXPECT_EQ(lesson_.problem(), "");
}

TEST_F(LessonServer, SlowIdleAndSurplusClientsAreCutOffAndTheLessonGoesOn) {
  LessonOptions options = loopback();
  options.server.requestTimeout = 500ms;
  options.server.idleTimeout = 500ms;
  start(options);
  unsigned short port = lesson_.port();
  // A client that trickles its request, a byte every 50 ms, is cut off after the request's time.
  {
    Connection slow("127.0.0.1", port);
    ASSERT_TRUE(slow.connected());
    const Clock::time_point began = Clock::now();
    bool cut = false;
    slow.send("GET / HTTP/1.1\r\n");
    for (int i = 0; i < 100 && !cut; ++i) cut = !slow.send("X") || slow.closedWithin(50ms);
    EXPECT_TRUE(cut);
    EXPECT_LT(Clock::now() - began, 3s);
    EXPECT_EQ(slow.unread(), "");
  }
  // A kept connection serves a second request, and is closed when it stays idle.
  {
    Connection kept("127.0.0.1", port);
    kept.send("GET /1.js HTTP/1.1\r\nHost: x\r\n\r\n");
    EXPECT_EQ(kept.reply().status, 200);
    kept.send("GET /title.html HTTP/1.1\r\nHost: x\r\n\r\n");
    EXPECT_EQ(kept.reply().status, 200);
    const Clock::time_point began = Clock::now();
    EXPECT_TRUE(kept.closedWithin(3s));
    EXPECT_GT(Clock::now() - began, 300ms);
  }
  // 200 connections at once are served; the 201st waits, neither served nor closed, and is
  // served as soon as one of them leaves.
  lesson_.stop();
  start();
  port = lesson_.port();
  const auto until = [this](std::size_t count) {
    for (int i = 0; i < 500 && lesson_.connections() != count; ++i) std::this_thread::sleep_for(10ms);
    return lesson_.connections();
  };
  std::vector<std::unique_ptr<Connection>> many;
  for (int i = 0; i < 200; ++i) many.push_back(std::make_unique<Connection>("127.0.0.1", port));
  EXPECT_EQ(until(200), 200u);
  Connection surplus("127.0.0.1", port);
  ASSERT_TRUE(surplus.connected());
  surplus.send(post(form("Иванов", modelAnswers(), "60", "100")));
  EXPECT_FALSE(surplus.closedWithin(500ms));
  EXPECT_EQ(surplus.unread(), "");
  EXPECT_EQ(lesson_.connections(), 200u);
  EXPECT_EQ(lesson_.finished(), 0u);
  many.pop_back();
  const Reply r = surplus.reply();
  EXPECT_EQ(r.status, 200);
  EXPECT_NE(r.body.find("Результат принят"), std::string::npos);
  EXPECT_EQ(lesson_.finished(), 1u);
  // The open ones are still served, and new ones once the surplus has gone.
  EXPECT_EQ(until(199), 199u);
  EXPECT_EQ(exchange("127.0.0.1", port, get("/")).status, 200);
  // A kept connection with nothing more to ask gives way to a new one when all are in use.
  many.front()->send("GET /1.js HTTP/1.1\r\nHost: x\r\n\r\n");
  EXPECT_EQ(many.front()->reply().status, 200);
  many.push_back(std::make_unique<Connection>("127.0.0.1", port));
  EXPECT_EQ(until(200), 200u);
  const Clock::time_point began = Clock::now();
  EXPECT_EQ(exchange("127.0.0.1", port, get("/")).status, 200);
  EXPECT_LT(Clock::now() - began, 2s);
  EXPECT_TRUE(many.front()->closedWithin(1s));
  many.back()->send(get("/1.js"));
  EXPECT_EQ(many.back()->reply().status, 200);
}

TEST_F(LessonServer, ATestThatCannotBeServedIsRefusedInRussianBeforeAnythingStarts) {
  const auto refused = [this](const std::string& file, const std::string& why, LessonOptions options = loopback()) {
    try {
      start(options);
      ADD_FAILURE() << "started: " << why;
    } catch (const shell::ShellError& e) {
      EXPECT_NE(e.file().find(file), std::string::npos) << e.what();
      EXPECT_NE(e.problem().find(why), std::string::npos) << e.what();
    }
    EXPECT_FALSE(lesson_.running());
    EXPECT_EQ(store_->lessons(), std::vector<LessonRecord>{});
  };
#ifndef _WIN32  // Wine makes no symbolic links
  // A picture that leads outside the test would serve a file of the computer.
  support::writeBytes(tmp_.path() / "secret.gif", "not the test's");
  fs::create_symlink(tmp_.path() / "secret.gif", root_ / "pics" / "9.gif");
  refused("pics/9.gif", "ссылка на файл вне папки теста");
  fs::remove(root_ / "pics" / "9.gif");
  fs::create_directory_symlink(tmp_.path(), root_ / "6");
  refused("тест/6", "ссылка на папку вне папки теста");
  fs::remove(root_ / "6");
#endif
  // A key the quiz cannot read.
  const std::string key = support::readBytes(root_ / "1.js");
  support::writeBytes(root_ / "1.js", key.substr(0, 300));
  refused("1.js", "строк");
  support::writeBytes(root_ / "1.js", key);
  // Every port of the range taken.
  asio::io_context ioc;
  tcp::acceptor other(ioc, tcp::endpoint(asio::ip::make_address("127.0.0.1"), 0));
  LessonOptions options = loopback();
  options.server.firstPort = options.server.lastPort = other.local_endpoint().port();
  refused("", "порт " + std::to_string(other.local_endpoint().port()) + " занят другой программой", options);
  start();
  EXPECT_TRUE(lesson_.running());
}

// A store whose commits take their time, as a slow disk's syncs do, and that counts them.
class CountingStore : public ForwardingStore {
 public:
  explicit CountingStore(Store& real) : ForwardingStore(real) {}
  std::int64_t addResult(const ResultRecord& r) override { return addResults({r}).front(); }
  std::vector<std::int64_t> addResults(const std::vector<ResultRecord>& results) override {
    std::this_thread::sleep_for(150ms);
    commits.push_back(results.size());
    return real_.addResults(results);
  }
  std::vector<std::size_t> commits;  // the results of each, on the server's thread
};

TEST_F(LessonServer, ResultsSentAtOnceShareACommitAndEachReplyFollowsTheCommitHoldingIt) {
  CountingStore counting(*store_);
  LessonOptions options = loopback();
  options.resultsPerMinute = 100;
  start(options, &counting);
  const unsigned short port = lesson_.port();
  const std::string answers = modelAnswers();
  constexpr int kPupils = 20;
  std::atomic<int> acknowledged{0}, keptWhenAcknowledged{0};
  std::vector<std::thread> pupils;
  for (int i = 0; i < kPupils; ++i) {
    pupils.emplace_back([&, i] {
      const std::string name = "Ученик " + std::to_string(i);
      if (exchange("127.0.0.1", port, post(form(name, answers, "60", "100"))).status != 200) return;
      ++acknowledged;
      // The pupil's reply came: the result is in the store by then.
      for (const ResultRecord& r : store_->results(lesson_.id())) keptWhenAcknowledged += r.posted.student == name;
    });
  }
  for (auto& p : pupils) p.join();
  EXPECT_EQ(acknowledged, kPupils);
  EXPECT_EQ(keptWhenAcknowledged, kPupils);
  lesson_.stop();
  std::size_t all = 0;
  for (const std::size_t n : counting.commits) all += n;
  EXPECT_EQ(all, std::size_t{kPupils});
  // Twenty results in 150 ms commits: a few commits, not twenty one after another.
  EXPECT_LE(counting.commits.size(), 5u) << counting.commits.size() << " commits";
  EXPECT_EQ(notified_, static_cast<int>(counting.commits.size()));
}

TEST_F(LessonServer, WithoutAWindowItPrintsItsAddressesAndEachResultAndStopsWhenAsked) {
  ServeOptions options;
  options.test = root_;
  options.data = tmp_.path() / "данные" / "уроки";  // made by the lesson
  options.lesson = loopback();
  std::mutex mutex;
  std::vector<std::string> out, problems;
  const auto into = [&mutex](std::vector<std::string>& lines) {
    return [&mutex, &lines](const std::string& line) {
      const std::lock_guard<std::mutex> lock(mutex);
      lines.push_back(line);
    };
  };
  // The lines printed so far, once there are `count` of them (or after five seconds).
  const auto printed = [&](std::size_t count) {
    for (int i = 0; i < 500; ++i) {
      {
        const std::lock_guard<std::mutex> lock(mutex);
        if (out.size() >= count) return out;
      }
      std::this_thread::sleep_for(10ms);
    }
    const std::lock_guard<std::mutex> lock(mutex);
    return out;
  };
  ServeControl control;
  std::string failed;
  std::thread serving([&] {
    try {
      serve(options, control, into(out), into(problems));
    } catch (const std::exception& e) {
      failed = e.what();
    }
  });
  std::vector<std::string> lines = printed(6);
  ASSERT_EQ(lines.size(), 6u) << failed;
  const std::string prefix = "Адрес для учеников: http://127.0.0.1:";
  ASSERT_TRUE(lines[1].starts_with(prefix)) << lines[1];
  const std::string port = lines[1].substr(prefix.size(), lines[1].size() - prefix.size() - 1);
  const std::string db = shell::utf8(options.data / "results.sqlite");
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "Урок по тесту «" + readSnapshot(disk_, root_).course + "» из папки " + shell::utf8(root_),
                       "Адрес для учеников: http://127.0.0.1:" + port + "/",
                       "Адрес для учеников: http://[::1]:" + port + "/",
                       "Адрес обработчика для теста, открытого из папки: http://127.0.0.1:" + port + "/results",
                       "База результатов: " + db, "Урок идёт. Остановить его: Ctrl+C"}));
  // A result with a line break and a tab in the name: one line, its columns in place.
  const Key key = readKey(support::readBytes(root_ / "1.js"));
  std::string answers;
  for (int slot = 0; slot < 60; ++slot) answers += (slot ? "," : "") + (slot < 5 ? "0" : key.answers[slot]);
  const Reply r = exchange("127.0.0.1", static_cast<unsigned short>(std::stoi(port)),
                           post(form("Иванов\nУрок остановлен\t", answers, "55", "91")));
  EXPECT_EQ(r.status, 200);
  lines = printed(7);
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_TRUE(lines[6].starts_with("Результат\t")) << lines[6];
  EXPECT_TRUE(lines[6].ends_with("\tИванов Урок остановлен \t9А\t55 из 60\t91 %\t—")) << lines[6];
  // The stop: the last line says what was kept.
  control.stop();
  serving.join();
  EXPECT_EQ(failed, "");
  EXPECT_EQ(printed(8).back(), "Урок остановлен: сохранено результатов 1, учеников 1");
  EXPECT_EQ(problems, std::vector<std::string>{});
  {
    SqliteStore kept(options.data / "results.sqlite");
    ASSERT_EQ(kept.lessons().size(), 1u);
    EXPECT_EQ(kept.results(kept.lessons()[0].id).size(), 1u);
  }

  // What cannot start is named and prints nothing: a port taken, a database that is no
  // database, a data folder that is a file, a folder that is no test.
  asio::io_context ioc;
  tcp::acceptor other(ioc, tcp::endpoint(asio::ip::make_address("127.0.0.1"), 0));
  fs::create_directory(tmp_.path() / "чужая.sqlite");
  support::writeBytes(tmp_.path() / "чужая.sqlite" / "results.sqlite", std::string(4096, 'x'));
  support::writeBytes(tmp_.path() / "файл", "x");
  const struct {
    fs::path test, data;
    int port;
    std::string named;
  } cannot[] = {
      {root_, options.data, other.local_endpoint().port(),
       "не удалось начать урок: порт " + std::to_string(other.local_endpoint().port()) + " занят другой программой"},
      {root_, tmp_.path() / "чужая.sqlite", 0, "это не база результатов уроков"},
      {root_, tmp_.path() / "файл", 0, shell::utf8(tmp_.path() / "файл") + ": не удалось создать папку для результатов уроков"},
      {tmp_.path(), options.data, 0, shell::utf8(tmp_.path()) + ": это не папка теста: в ней нет файлов index.html и 1.js"},
  };
  for (const auto& c : cannot) {
    ServeOptions o = options;
    o.test = c.test;
    o.data = c.data;
    if (c.port != 0) o.lesson.server.firstPort = o.lesson.server.lastPort = static_cast<unsigned short>(c.port);
    ServeControl never;
    std::vector<std::string> none;
    try {
      serve(o, never, into(none), into(none));
      ADD_FAILURE() << "started: " << c.named;
    } catch (const shell::ShellError& e) {
      EXPECT_NE(std::string(e.what()).find(c.named), std::string::npos) << e.what();
    }
    EXPECT_EQ(none, std::vector<std::string>{}) << c.named;
  }
}

// A store that takes its time over a result, to stop the lesson meanwhile.
class SlowStore : public ForwardingStore {
 public:
  explicit SlowStore(Store& real) : ForwardingStore(real) {}
  std::int64_t addResult(const ResultRecord& r) override {
    if (full) throw shell::ShellError("results.sqlite", "не удалось сохранить результат ученика: на диске нет места");
    entered.set_value();
    std::this_thread::sleep_for(300ms);
    return real_.addResult(r);
  }
  // One result after another, each through the slow call above.
  std::vector<std::int64_t> addResults(const std::vector<ResultRecord>& results) override {
    return Store::addResults(results);
  }
  std::promise<void> entered;
  bool full = false;  // every result refused, as by a full disk
};

TEST_F(LessonServer, AStopWaitsForTheResultBeingStoredClosesEverythingAndRefusesWhatFollows) {
  SlowStore slow(*store_);
  start(loopback(), &slow);
  const unsigned short port = lesson_.port();
  const std::int64_t first = lesson_.id();
  Connection idle("127.0.0.1", port);
  ASSERT_TRUE(idle.connected());
  Reply answered;
  std::thread pupil([&] { answered = exchange("127.0.0.1", port, post(form("Иванов", modelAnswers(), "60", "100"))); });
  ASSERT_EQ(slow.entered.get_future().wait_for(5s), std::future_status::ready);
  const Clock::time_point began = Clock::now();
  lesson_.stop();
  pupil.join();
  EXPECT_LT(Clock::now() - began, 3s);
  // The result being stored was stored; whether its reply left before the connection closed
  // is the system's affair, but a reply is never one of refusal.
  EXPECT_EQ(store_->results(first).size(), 1u);
  EXPECT_TRUE(answered.status == 200 || answered.status == 0) << answered.status;
  EXPECT_TRUE(idle.closedWithin(1s));
  EXPECT_FALSE(lesson_.running());
  // After the stop no connection is taken, so no result.
  EXPECT_FALSE(Connection("127.0.0.1", port).connected());
  EXPECT_EQ(store_->results(first).size(), 1u);
  lesson_.stop();

  // Started again on a port taken by another program: the next port, and the test read anew.
  asio::io_context ioc;
  tcp::acceptor other(ioc, tcp::endpoint(asio::ip::make_address("127.0.0.1"), port));
  support::writeBytes(root_ / "1.js", support::readBytes(root_ / "1.js") + "// changed\r\n");
  LessonOptions options = loopback();
  options.server.firstPort = port;
  start(options);
  EXPECT_GT(lesson_.port(), port);
  EXPECT_GT(lesson_.id(), first);
  EXPECT_EQ(exchange("127.0.0.1", lesson_.port(), get("/1.js")).body, support::readBytes(root_ / "1.js"));

  // A result the store refuses: the pupil is told it was not kept, the window hears of it and
  // learns why, and the lesson goes on.
  slow.full = true;
  start(loopback(), &slow);
  const int heard = notified_;
  const Reply refused = exchange("127.0.0.1", lesson_.port(), post(form("Петров", modelAnswers(), "60", "100")));
  EXPECT_EQ(refused.status, 503);
  EXPECT_NE(refused.body.find("Результат не сохранён"), std::string::npos);
  EXPECT_EQ(notified_, heard + 1);
  EXPECT_EQ(lesson_.problem(), "results.sqlite: не удалось сохранить результат ученика: на диске нет места");
  EXPECT_EQ(exchange("127.0.0.1", lesson_.port(), get("/")).status, 200);
}

}  // namespace
}  // namespace lesson
