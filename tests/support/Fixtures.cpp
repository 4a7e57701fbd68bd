#include "support/Fixtures.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>

#include "shell/History.h"
#include "shell/Layout.h"
#include "shell/Russian.h"
#include "shell/ShellError.h"

namespace support {

namespace {
// Windows-1251 words, so that fixture texts carry bytes above 127.
const std::string kQuestion = "\xC2\xEE\xEF\xF0\xEE\xF1";  // "Вопрос"
const std::string kAnswer = "\xCE\xF2\xE2\xE5\xF2";        // "Ответ"
const std::string kCourse = "\xC8\xED\xF4\xEE\xF0\xEC\xE0\xF2\xE8\xEA\xE0";  // "Информатика"
const std::string kBody = "\xCA\xE0\xF4\xE5\xE4\xF0\xE0";  // "Кафедра"
const std::string kAddress = "http://example.org/cgi-bin/result.pl";
}  // namespace

TempDir::TempDir() {
  // A fresh random name, taken only if this call created the folder.
  static std::mt19937_64 names{std::random_device{}()};
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path candidate =
        fs::temp_directory_path() / ("shell-test-" + std::to_string(names()));
    if (fs::create_directory(candidate)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
  std::error_code ignored;
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
  for (auto it = fs::recursive_directory_iterator(path_, ignored);
       it != fs::recursive_directory_iterator(); it.increment(ignored)) {
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  }
  fs::remove_all(path_, ignored);
}

namespace {

#ifdef _WIN32
std::wstring wide(const std::string& utf8) { return shell::fromUtf8(utf8).wstring(); }
#endif

std::optional<std::string> environment(const std::string& name) {
#ifdef _WIN32
  const wchar_t* value = _wgetenv(wide(name).c_str());
  if (value == nullptr) return std::nullopt;
  return shell::utf8(fs::path(value));
#else
  const char* value = std::getenv(name.c_str());
  if (value == nullptr) return std::nullopt;
  return std::string(value);
#endif
}

void setEnvironment(const std::string& name, const std::optional<std::string>& value) {
#ifdef _WIN32
  // An empty value removes the variable.
  _wputenv_s(wide(name).c_str(), value ? wide(*value).c_str() : L"");
#else
  if (value) ::setenv(name.c_str(), value->c_str(), 1);
  else ::unsetenv(name.c_str());
#endif
}

}  // namespace

Env::Env(const char* name, const std::optional<std::string>& value) : name_(name), old_(environment(name)) {
  setEnvironment(name_, value);
}

Env::~Env() { setEnvironment(name_, old_); }

std::string readBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + file.string());
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const fs::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out) throw std::runtime_error("cannot write " + file.string());
}

std::vector<std::string> crlfLines(const fs::path& file) {
  const std::string bytes = readBytes(file);
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t pos; (pos = bytes.find("\r\n", start)) != std::string::npos; start = pos + 2) {
    lines.push_back(bytes.substr(start, pos - start));
  }
  if (start < bytes.size()) lines.push_back(bytes.substr(start));
  return lines;
}

std::string crlfJoin(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& line : lines) out += line + "\r\n";
  return out;
}

std::map<std::string, std::string> testFilesOf(std::map<std::string, std::string> snapshot) {
  std::erase_if(snapshot, [](const auto& entry) { return entry.first.rfind(shell::kHistoryFolder, 0) == 0; });
  return snapshot;
}

std::map<std::string, std::string> snapshot(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::u8string relative = entry.path().lexically_relative(root).generic_u8string();
    const std::string name(relative.begin(), relative.end());
    if (entry.is_symlink()) files[name] = "link to " + fs::read_symlink(entry.path()).string();
    else if (entry.is_directory()) files[name + "/"] = "";
    else files[name] = readBytes(entry.path());
  }
  return files;
}

std::vector<std::string> differences(const std::map<std::string, std::string>& before,
                                     const std::map<std::string, std::string>& after) {
  std::vector<std::string> out;
  for (const auto& [name, bytes] : before) {
    auto it = after.find(name);
    if (it == after.end()) out.push_back("removed " + name);
    else if (it->second != bytes) out.push_back("changed " + name);
  }
  for (const auto& [name, bytes] : after) {
    if (!before.count(name)) out.push_back("added " + name);
  }
  return out;
}

std::string fixtureAnswer(int slot) { return shell::decimal(slot % 4 + 1); }

std::vector<std::string> pageLines(int stage, int question, std::string picture) {
  const std::string id = shell::decimal(stage) + "." + shell::decimal(question);
  std::vector<std::string> lines = {
      "<html><!-- page " + id + " -->",
      shell::decimal(shell::questionOrdinal(stage, question)),
      "<p class=\"pic\">",
      std::move(picture),
      "<p class=\"q\">",
      kQuestion + " " + id,
  };
  for (int a = 1; a <= 4; ++a) {
    lines.push_back("<p class=\"a\">" + shell::decimal(a) + ")");
    lines.push_back(kAnswer + " " + shell::decimal(a) + " (" + id + ")");
  }
  lines.push_back("<!-- tail " + id + " -->");
  lines.push_back("</html>");
  return lines;
}

std::vector<std::string> answerKeyLines(int stageCount, const std::string& duration,
                                        const std::string& passMark) {
  std::vector<std::string> lines;
  for (int i = 0; i < 10; ++i) lines.push_back("// head " + shell::decimal(i));
  lines[1] = shell::decimal(stageCount);
  lines[4] = duration;
  lines[7] = passMark;
  for (int slot = 0; slot < 100; ++slot) {
    lines.push_back(fixtureAnswer(slot));
    lines.push_back("// after " + shell::decimal(slot) + " \xEA\xEB\xFE\xF7");  // "ключ"
  }
  lines.push_back("function score() {");
  lines.push_back("  return 0;");
  lines.push_back("}");
  return lines;
}

std::vector<std::string> titleLines(int stageCount) {
  std::vector<std::string> lines;
  for (int i = 0; i < 13; ++i) lines.push_back("<!-- title " + shell::decimal(i) + " -->");
  lines[2] = kBody;
  lines[4] = kCourse;
  lines[6] = shell::decimal(stageCount);
  lines[8] = "20";
  lines[10] = "60";
  lines[12] = kAddress;
  lines.push_back("<p>\xCA\xEE\xED\xE5\xF6</p>");  // "Конец"
  lines.push_back("</html>");
  return lines;
}

std::vector<std::string> index1Lines() {
  return {"<html><head><title>", kCourse, "</title></head>", "</html>"};
}

std::vector<std::string> indexLines() {
  std::vector<std::string> lines;
  for (int i = 0; i < 18; ++i) lines.push_back("<!-- index " + shell::decimal(i) + " -->");
  lines[17] = kAddress;
  lines.push_back("<form>");
  lines.push_back("</html>");
  return lines;
}

void buildShell(const fs::path& root, const ShellPlan& plan) {
  const int counted = plan.stageCountLine < 0 ? plan.stageFolders : plan.stageCountLine;
  writeBytes(root / "1.js", crlfJoin(answerKeyLines(counted)));
  writeBytes(root / "title.html", crlfJoin(titleLines(counted)));
  writeBytes(root / "index1.html", crlfJoin(index1Lines()));
  writeBytes(root / "index.html", crlfJoin(indexLines()));
  fs::create_directory(root / "pics");
  for (int n = 1; n <= plan.pictures; ++n) {
    writeBytes(root / "pics" / (shell::decimal(n) + ".gif"), "GIF89a picture " + shell::decimal(n));
  }
  for (int stage = 1; stage <= plan.stageFolders; ++stage) {
    const fs::path folder = root / shell::stageFolderName(stage);
    fs::create_directory(folder);
    const int pages = stage == plan.stageFolders ? plan.lastStagePages : 10;
    for (int q = 1; q <= pages; ++q) {
      // Every third question has a picture, named among the pictures that exist.
      std::string picture = "00";
      if (plan.pictures > 0 && q % 3 == 0) picture = shell::decimal((stage + q) % plan.pictures + 1);
      writeBytes(folder / shell::pageName(q), crlfJoin(pageLines(stage, q, picture)));
    }
  }
}

void FailingDisk::before(const Call& call) {
  static const char* const kNames[] = {
      "readFile",  "renameFile", "deleteFile", "makeFolder", "removeFolder",
      "syncFolder", "listFolders", "listFiles", "fileExists", "folderExists",
      "putFile",   "resolvedPath", "writable", "replaceBlocked", "stampFile", "putFileUnsynced",
      "syncFile"};
  static_assert(std::size(kNames) == Call::SyncFile + 1);
  const fs::path& path = call.path;
  const bool changes = call.kind == Call::RenameFile || call.kind == Call::DeleteFile ||
                       call.kind == Call::MakeFolder || call.kind == Call::RemoveFolder ||
                       call.kind == Call::SyncFolder || call.kind == Call::PutFile ||
                       call.kind == Call::PutFileUnsynced || call.kind == Call::SyncFile;
  for (const auto& failing : failPaths) {
    if (failing == path) throw shell::ShellError(shell::utf8(path), "файл не читается (проверка)");
  }
  auto locked = [&](const fs::path& p) { return protected_.count(p) != 0 || protected_.count(p.parent_path()) != 0; };
  if (changes && (locked(path) || (call.to != nullptr && locked(*call.to)))) {
    throw shell::ShellError(shell::utf8(path), "не удалось записать файл: нет прав доступа");
  }
  if (dead_) throw shell::ShellError(shell::utf8(path), "программа остановлена (проверка)");
  if (onlyChanges && !changes) return;
  ++count_;
  const char* name = kNames[call.kind];
  log_.push_back({name, path, call.to != nullptr ? *call.to : fs::path()});
  if (count_ == failAt_) {
    if (halfway && (call.kind == Call::PutFile || call.kind == Call::PutFileUnsynced)) {
      real_.putFile(path, call.bytes.substr(0, call.bytes.size() / 2));
    }
    if (halfway && call.kind == Call::MakeFolder) real_.makeFolder(path);
    dead_ = halfway;
    throw shell::ShellError(shell::utf8(path), std::string("сбой записи (") + name + ")");
  }
}

bool FailingDisk::stopsHalfway(const std::string& name) {
  return name == "putFile" || name == "putFileUnsynced" || name == "makeFolder";
}

bool FailingDisk::writable(const fs::path& f) {
  return ForwardingDisk::writable(f) && protected_.count(f) == 0;
}

bool RecordingDialogs::confirm(const std::string& text, const std::string& title) {
  shown.push_back({text, title, true});
  if (answers.empty()) return true;
  bool answer = answers.front();
  answers.pop_front();
  return answer;
}

void RecordingDialogs::inform(const std::string& text, const std::string& title) {
  shown.push_back({text, title, false});
}

lifecycle::Dialogs::Answer RecordingDialogs::ask(const std::string& text, const std::string& title) {
  shown.push_back({text, title, false, true});
  if (choices.empty()) return Answer::Cancel;
  const Answer answer = choices.front();
  choices.pop_front();
  return answer;
}

double FixedClock::secondsSinceMidnight() {
  double t = times[std::min(next_, times.size() - 1)];
  ++next_;
  return t;
}

float ScriptedRandom::next() {
  if (values.empty()) return own_.next();
  float r = values[next_ % values.size()];
  ++next_;
  return r;
}

std::string questionsText(int count, int first, const std::string& right) {
  std::string out;
  for (int n = first; n < first + count; ++n) {
    out += std::to_string(n) + ". Вопрос " + std::to_string(n) + "\r\n";
    for (const char* label : {"А", "Б", "В", "Г"}) {
      out += std::string(label) + ") ответ " + std::to_string(n) + label + "\r\n";
    }
    out += "Ответ: " + right + "\r\n\r\n";
  }
  return out;
}

bool RecordingBrowser::open(const std::string& fileOrAddress) {
  opened.push_back(fileOrAddress);
  return starts;
}

Harness::Harness(const fs::path& root, shell::Disk* disk, const fs::path& guide)
    : editor({disk != nullptr ? *disk : ownDisk, dialogs, clock, random, nullptr, &browser, &decoder}, root, guide) {}

Session::Session(const ShellPlan& plan, const std::function<void(const fs::path&)>& change) {
  buildShell(dir.path(), plan);
  if (change) change(dir.path());
  restart();
}

void Session::restart() {
  h = std::make_unique<Harness>(dir.path());
  h->editor.Form_Load();
}

void Session::chooseQuestion(int stage, int question) {
  if (h->editor.form.List1.ListIndex != stage - 1) chooseStage(stage);
  if (!h->editor.selectList2(question - 1)) h->editor.List2_Click();
}

}  // namespace support
