#pragma once

#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "lifecycle/Editor.h"
#include "support/ForwardingDisk.h"
#include "support/Pictures.h"
#include "lifecycle/Generators.h"

namespace support {

namespace fs = std::filesystem;

// A folder under the system's temporary folder, removed with everything in it at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// An environment variable of this process set (to UTF-8 text) or removed (nullopt) for the
// length of a scope, and put back after it; through the wide calls on Windows, so that a
// Cyrillic value arrives whole.
class Env {
 public:
  Env(const char* name, const std::optional<std::string>& value);
  ~Env();
  Env(const Env&) = delete;
  Env& operator=(const Env&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

std::string readBytes(const fs::path& file);
void writeBytes(const fs::path& file, const std::string& bytes);
// Lines of a file split at CR LF only; a bare CR or LF stays inside its line.
std::vector<std::string> crlfLines(const fs::path& file);
// Lines joined with CR LF after each.
std::string crlfJoin(const std::vector<std::string>& lines);

// Every file under a folder with its bytes, by path relative to the folder, in UTF-8
// ("2/3.html"); a folder is recorded as its path with a trailing "/" and no bytes.
std::map<std::string, std::string> snapshot(const fs::path& root);
// A snapshot without the history of the test's changes kept beside it: the test's own files.
std::map<std::string, std::string> testFilesOf(std::map<std::string, std::string> snapshot);
// The entries that differ between two snapshots, as readable lines for a failure message.
std::vector<std::string> differences(const std::map<std::string, std::string>& before,
                                     const std::map<std::string, std::string>& after);

// The lines of the files of a fixture shell. Texts hold Windows-1251 bytes above 127 on
// purpose, so that a test sees any change of them.
std::vector<std::string> pageLines(int stage, int question, std::string picture = "00");
std::vector<std::string> answerKeyLines(int stageCount, const std::string& duration = "20",
                                        const std::string& passMark = "60");
std::vector<std::string> titleLines(int stageCount);
std::vector<std::string> index1Lines();
std::vector<std::string> indexLines();

// A text file of questions as a teacher writes one, in UTF-8: question n (from `first`) reads
// "Вопрос n", its answers "ответ 1" to "ответ 4", the right one `right` (a letter А..Г).
std::string questionsText(int count, int first = 1, const std::string& right = "Б");

// The answer a fixture shell holds for a slot: "1".."4", different for neighbouring slots.
std::string fixtureAnswer(int slot);

// Builds a shell tree: the four root files, the pictures folder and stage folders of ten pages.
struct ShellPlan {
  int stageFolders = 6;
  int stageCountLine = -1;  // head line 1 of 1.js; -1 means the number of stage folders
  int pictures = 3;
  int lastStagePages = 10;  // pages in the last stage folder
};
void buildShell(const fs::path& root, const ShellPlan& plan = {});

// The part of an operation that a test wants to fail.
struct DiskOp {
  std::string name;  // "readFile", "putFile", ...
  fs::path path;
  fs::path to;  // where a rename puts the file
};

// A disk in front of the real one that counts the operations and fails the N-th one (1-based)
// before it does anything, as a full disk or a pulled cable would; or, with `halfway`, after
// it did part of its work, as a kill would: half of a file written, a folder made and not
// filled; nothing after it runs, as after a kill. 0 fails none.
class FailingDisk final : public ForwardingDisk {
 public:
  explicit FailingDisk(int failAt = 0) : failAt_(failAt) {}
  int count() const { return count_; }
  const std::vector<DiskOp>& log() const { return log_; }
  void failAt(int n) {
    failAt_ = n;
    dead_ = false;
    count_ = 0;
    log_.clear();
  }
  // Only operations that change the disk are counted and can fail.
  bool onlyChanges = false;
  // Every operation on one of these paths fails, as an unreadable file would.
  std::vector<fs::path> failPaths;
  bool halfway = false;
  // Whether an operation of this name has a half-done state that `halfway` leaves.
  static bool stopsHalfway(const std::string& name);
  // Paths that this user may not write, as on a write-protected stick: a protected folder
  // refuses new, renamed and deleted entries as well, as a read-only folder does.
  void protect(const fs::path& path) { protected_.insert(path); }
  void unprotect(const fs::path& path) { protected_.erase(path); }

  bool writable(const fs::path& path) override;

 private:
  void before(const Call& call) override;
  std::set<fs::path> protected_;
  bool dead_ = false;
  int failAt_;
  int count_ = 0;
  std::vector<DiskOp> log_;
};

// Message boxes answered from a queue; every box shown is recorded.
class RecordingDialogs final : public lifecycle::Dialogs {
 public:
  struct Shown {
    std::string text, title;
    bool okCancel;
    bool yesNoCancel = false;
  };
  std::deque<bool> answers;    // for confirm(); OK when empty
  std::deque<Answer> choices;  // for ask(); Отмена when empty, so that nothing is written
  std::vector<Shown> shown;
  bool confirm(const std::string& text, const std::string& title) override;
  void inform(const std::string& text, const std::string& title) override;
  Answer ask(const std::string& text, const std::string& title) override;
};

class FixedClock final : public lifecycle::Clock {
 public:
  std::vector<double> times{0.0};  // returned in turn; the last one repeats
  double secondsSinceMidnight() override;
  // The moment the history records, the same in every run so that a test's bytes are.
  std::int64_t since1970 = 1700000000;
  std::int64_t secondsSince1970() override { return since1970; }

 private:
  std::size_t next_ = 0;
};

// Returns `values` in turn, then from the start again; while `values` is empty, the sequence of
// the program's own generator.
class ScriptedRandom final : public lifecycle::Random {
 public:
  std::vector<float> values;
  float next() override;

 private:
  std::size_t next_ = 0;
  lifecycle::FixedStartRandom own_;
};

// The pages asked for, and whether the browser is to start.
class RecordingBrowser final : public lifecycle::Browser {
 public:
  std::vector<std::string> opened;
  bool starts = true;
  bool open(const std::string& fileOrAddress) override;
};

// An editor on a shell with recording seams, not yet started; `guide` is where it looks for the
// teacher's guide.
struct Harness {
  explicit Harness(const fs::path& root, shell::Disk* disk = nullptr, const fs::path& guide = {});
  FailingDisk ownDisk;
  RecordingDialogs dialogs;
  FixedClock clock;
  ScriptedRandom random;
  RecordingBrowser browser;
  TestDecoder decoder;
  lifecycle::Editor editor;
  const lifecycle::EditorState& state() const { return editor.state(); }
  lifecycle::Form& form() { return editor.form; }
};

// A shell built in a temporary folder and an editor started on it.
struct Session {
  explicit Session(const ShellPlan& plan = {},
                   const std::function<void(const fs::path&)>& change = {});
  TempDir dir;
  std::unique_ptr<Harness> h;
  lifecycle::Editor& editor() { return h->editor; }
  const lifecycle::EditorState& state() const { return h->editor.state(); }
  lifecycle::Form& form() { return h->editor.form; }
  const fs::path& root() const { return dir.path(); }
  void chooseStage(int stage) { h->editor.selectList1(stage - 1); }
  void chooseQuestion(int stage, int question);  // the stage, then the question, by rows
  // Starts a second editor on the same shell, as the next run of the program would.
  void restart();
};

}  // namespace support
