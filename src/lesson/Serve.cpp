#include "lesson/Serve.h"

#include <atomic>
#include <charconv>
#include <memory>
#include <system_error>
#include <utility>

#include "lesson/PostgresStore.h"
#include "lesson/Rows.h"
#include "lesson/SqliteStore.h"
#include "lifecycle/ShellRoot.h"
#include "shell/Layout.h"
#include "shell/Disk.h"
#include "shell/Russian.h"
#include "shell/ShellError.h"

namespace lesson {

namespace {

constexpr char kUsage[] =
    "Урок без окна запускается так: test_editor --serve <папка теста> [--port N] [--data <папка для базы> | "
    "--database postgresql://пользователь:пароль@сервер/база] [--results-per-minute N] [--max-results N]";

[[noreturn]] void refuse(const std::string& problem) {
  throw shell::ShellError("", problem + ". " + kUsage);
}

long number(const std::string& option, const std::string& value, long least, long most) {
  long n = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), n);
  if (value.empty() || error != std::errc() || end != value.data() + value.size() || n < least || n > most) {
    refuse("после " + option + " нужно целое число от " + std::to_string(least) + " до " + std::to_string(most) +
           ", а не «" + value + "»");
  }
  return n;
}

// The options that take a value, each with what it sets. A later one (the school's database
// server) is one more row.
struct Option {
  const char* name;
  void (*set)(ServeOptions&, const std::string& option, const std::string& value);
};

const Option kOptions[] = {
    {"--port",
     [](ServeOptions& o, const std::string& option, const std::string& value) {
       const auto port = static_cast<unsigned short>(number(option, value, 1, 65535));
       o.portGiven = true;
       o.lesson.server.firstPort = o.lesson.server.lastPort = port;
     }},
    {"--data",
     [](ServeOptions& o, const std::string& option, const std::string& value) {
       if (value.empty()) refuse("после " + option + " нужна папка для базы результатов");
       o.data = shell::fromUtf8(value);
     }},
    {"--database",
     [](ServeOptions& o, const std::string& option, const std::string& value) {
#ifdef EDITOR_POSTGRES
       if (!isPostgresAddress(value)) {
         refuse("после " + option + " нужен адрес сервера PostgreSQL вида postgresql://пользователь:пароль@сервер/база, "
                "а не «" + addressWithoutPassword(value) + "»");
       }
       o.database = value;
#else
       (void)o;
       (void)value;
       refuse("эта программа хранит результаты только в SQLite: параметр " + option + " есть у программы для Linux");
#endif
     }},
    {"--results-per-minute",
     [](ServeOptions& o, const std::string& option, const std::string& value) {
       o.lesson.resultsPerMinute = static_cast<int>(number(option, value, 1, 1000000));
     }},
    {"--max-results",
     [](ServeOptions& o, const std::string& option, const std::string& value) {
       o.lesson.maxResults = static_cast<std::size_t>(number(option, value, 1, 100000000));
     }},
};

// Characters that would break a printed line or command a terminal: C0 controls, DEL and the
// C1 controls (U+0080..U+009F, in UTF-8 C2 80..C2 9F) become spaces.
std::string printable(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7F) {
      out += ' ';
    } else if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
      out += ' ';
      ++i;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

// The store the lesson is given: the real one, with a line for the teacher after each result
// it kept or refused.
class ReportingStore final : public ForwardingStore {
 public:
  ReportingStore(Store& real, ServeControl& control) : ForwardingStore(real), control_(control) {}

  std::int64_t addResult(const ResultRecord& result) override {
    std::int64_t id = 0;
    try {
      id = real_.addResult(result);
    } catch (const shell::ShellError& e) {
      control_.post("Результат ученика «" + printable(result.posted.student) + "» не сохранён: " + e.what(), true);
      throw;
    }
    ++stored_;
    control_.post(resultLine(result), false);
    return id;
  }
  std::vector<std::int64_t> addResults(const std::vector<ResultRecord>& results) override {
    std::vector<std::int64_t> ids;
    try {
      ids = real_.addResults(results);
    } catch (const shell::ShellError& e) {
      for (const ResultRecord& result : results) {
        control_.post("Результат ученика «" + printable(result.posted.student) + "» не сохранён: " + e.what(), true);
      }
      throw;
    }
    stored_ += results.size();
    for (const ResultRecord& result : results) control_.post(resultLine(result), false);
    return ids;
  }

  std::size_t stored() const { return stored_; }

 private:
  ServeControl& control_;
  std::atomic<std::size_t> stored_{0};
};

}  // namespace

ServeOptions parseServeArguments(const std::vector<std::string>& arguments) {
  ServeOptions options;
  bool haveTest = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument.starts_with("--")) {
      const std::size_t equals = argument.find('=');
      const std::string name = argument.substr(0, equals);
      const Option* option = nullptr;
      for (const Option& o : kOptions) {
        if (name == o.name) option = &o;
      }
      if (option == nullptr) refuse("неизвестный параметр «" + argument + "»");
      std::string value;
      if (equals != std::string::npos) {
        value = argument.substr(equals + 1);
      } else if (i + 1 < arguments.size()) {
        value = arguments[++i];
      } else {
        refuse("после " + name + " не хватает значения");
      }
      option->set(options, name, value);
    } else {
      if (haveTest) {
        refuse("папка теста названа дважды: «" + shell::utf8(options.test) + "» и «" + argument +
               "»; урок идёт по одному тесту");
      }
      options.test = shell::fromUtf8(argument);
      haveTest = true;
    }
  }
  if (!haveTest || options.test.empty()) refuse("не названа папка теста");
  if (!options.database.empty() && !options.data.empty()) {
    refuse("названы и папка для базы (--data), и сервер баз данных (--database); результаты хранятся в одном месте");
  }
  return options;
}

std::string resultLine(const ResultRecord& result) {
  std::string marks;
  for (const std::string& mark : markWords(result.score, result.posted)) marks += (marks.empty() ? "" : "; ") + mark;
  const auto when = parseIsoUtc(result.received);
  return "Результат\t" + (when ? localDateTime(*when) : result.received) + "\t" + printable(result.posted.student) +
         "\t" + printable(result.posted.group) + "\t" + std::to_string(result.score.right) + " из " +
         std::to_string(result.score.questions) + "\t" + std::to_string(result.score.percent) + " %\t" +
         (marks.empty() ? "—" : printable(marks));
}

void ServeControl::stop() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
}

bool ServeControl::stopping() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return stop_;
}

void ServeControl::post(std::string line, bool problem) {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    lines_.push_back({std::move(line), problem});
  }
  changed_.notify_all();
}

bool ServeControl::wait(std::vector<Line>& lines) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return stop_ || !lines_.empty(); });
  lines.assign(std::make_move_iterator(lines_.begin()), std::make_move_iterator(lines_.end()));
  lines_.clear();
  return stop_;
}

void serve(const ServeOptions& options, ServeControl& control, const std::function<void(const std::string&)>& out,
           const std::function<void(const std::string&)>& problems) {
  std::error_code error;
  const fs::path root = lifecycle::findShellRoot({}, fs::current_path(error), {options.test});
  if (!fs::exists(root / shell::kAnswerKeyFile, error) && !fs::exists(root / shell::kIndexFile, error)) {
    throw shell::ShellError(shell::utf8(root), std::string("это не папка теста: в ней нет файлов ") + shell::kIndexFile +
                                                   " и " + shell::kAnswerKeyFile +
                                                   ". Назовите папку, в которой лежит тест");
  }
  std::unique_ptr<Store> store;
  std::string where;
#ifdef EDITOR_POSTGRES
  if (!options.database.empty()) {
    auto server = std::make_unique<PostgresStore>(options.database);
    where = server->shown();
    store = std::move(server);
  }
#endif
  if (!store) {
    const fs::path file = options.data.empty() ? SqliteStore::defaultFile() : SqliteStore::fileIn(options.data);
    store = std::make_unique<SqliteStore>(file);
    where = shell::utf8(file);
  }
  ReportingStore reporting(*store, control);
  shell::RealDisk disk;
  Lesson lesson;
  lesson.start(root, disk, reporting, nullptr, options.lesson);

  out("Урок по тесту «" + printable(lesson.snapshot().course) + "» из папки " + shell::utf8(root));
  for (const std::string& address : lesson.addresses()) out("Адрес для учеников: " + address);
  out("Адрес обработчика для теста, открытого из папки: " + lesson.resultsAddress());
  out("База результатов: " + where);
  out("Урок идёт. Остановить его: Ctrl+C");

  std::vector<ServeControl::Line> lines;
  const auto print = [&] {
    for (const ServeControl::Line& line : lines) (line.problem ? problems : out)(line.text);
  };
  for (bool stop = false; !stop;) {
    stop = control.wait(lines);
    print();
  }
  // A result being stored is stored, and its line printed, before the lesson ends.
  lesson.stop();
  control.wait(lines);
  print();
  std::string pupils;
  try {
    pupils = ", учеников " + std::to_string(lesson.finished());
  } catch (const shell::ShellError& e) {
    problems(e.what());
  }
  out("Урок остановлен: сохранено результатов " + std::to_string(reporting.stored()) + pupils);
}

}  // namespace lesson
