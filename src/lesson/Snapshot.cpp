#include "lesson/Snapshot.h"

#include <cmath>

#include "shell/LineTable.h"
#include "shell/Lines.h"
#include "shell/Russian.h"
#include "shell/ShellError.h"
#include "text/CodePage.h"
#include "workbench/Check.h"

namespace lesson {

Key readKey(std::string_view bytes) {
  const auto& lines = shell::checkTable(bytes, shell::kAnswerKeyShape, shell::kAnswerKeyFile);
  Key key;
  // The quiz: Math.min(10, Math.max(0, Math.trunc(number(line)) || 0)).
  if (const auto stages = workbench::quizNumber(lines[shell::key::kStages])) {
    const double whole = std::trunc(*stages);
    key.stages = whole < 0 ? 0 : whole > shell::kMaxStages ? shell::kMaxStages : static_cast<int>(whole);
  }
  key.passMark = std::string(lines[shell::key::kPassMark]);
  key.pass = workbench::quizNumber(key.passMark);
  for (std::size_t slot = 0; slot < key.answers.size(); ++slot) {
    key.answers[slot] = std::string(workbench::quizTrimmed(lines[shell::key::kHeadLines + 2 * slot]));
  }
  return key;
}

std::string Snapshot::indexWith(std::string_view address) const {
  const std::string& bytes = files.at(shell::kIndexFile);
  std::string out;
  out.reserve(bytes.size() + address.size());
  out.append(bytes, 0, handlerBegin);
  out.append(address);
  out.append(bytes, handlerEnd, std::string::npos);
  return out;
}

namespace {

// Reads the files of the test with the links checked: a file or folder that leads outside the
// test's root is refused, as start-up refuses it, so that no file of the computer beyond the
// test can be served.
class Reader {
 public:
  Reader(shell::Disk& disk, const fs::path& root)
      : disk_(disk), root_(root), resolvedRoot_(disk.resolvedPath(root)) {}

  void checkInside(const fs::path& path, const char* what) {
    if (shell::isInside(disk_.resolvedPath(path), resolvedRoot_)) return;
    throw shell::ShellError(shell::utf8(path), std::string("это ссылка на ") + what +
                                                   " вне папки теста; на уроке раздаются только "
                                                   "файлы самого теста. Замените ссылку настоящей копией");
  }

  // The file under the root named with '/', into the snapshot.
  void take(Files& files, const std::string& name) {
    const fs::path file = root_ / shell::fromUtf8(name);
    checkInside(file, "файл");
    files[name] = disk_.readFile(file);
  }

  // The files of a folder that match a pattern, but for the hidden ones.
  void takeFolder(Files& files, const std::string& folder, const char* pattern) {
    const fs::path path = root_ / shell::fromUtf8(folder);
    checkInside(path, "папку");
    for (const std::string& name : disk_.listFiles(path, pattern)) {
      if (!name.empty() && name.front() != '.') take(files, folder + "/" + name);
    }
  }

 private:
  shell::Disk& disk_;
  fs::path root_;
  fs::path resolvedRoot_;
};

}  // namespace

Snapshot readSnapshot(shell::Disk& disk, const fs::path& root) {
  Snapshot s;
  s.root = root;
  Reader reader(disk, root);
  for (const char* name : shell::kRootFiles) reader.take(s.files, name);
  for (const std::string& folder : disk.listFolders(root)) {
    if (shell::stageOfFolder(folder)) reader.takeFolder(s.files, folder, shell::kStrayPagePattern);
    else if (folder == shell::kPicturesFolder) reader.takeFolder(s.files, folder, "*.gif");
  }

  s.keyBytes = s.files.at(shell::kAnswerKeyFile);
  s.key = readKey(s.keyBytes);
  {
    const std::string& title = s.files.at(shell::kTitleFile);
    const auto& lines = shell::checkTable(title, shell::kTitleShape, shell::kTitleFile);
    s.course = text::toUtf8(text::fromCodePage(lines[shell::title::kCourse], text::FieldRule::References));
  }
  {
    const std::string& index = s.files.at(shell::kIndexFile);
    const auto& lines = shell::checkTable(index, shell::kIndexShape, shell::kIndexFile);
    const std::string_view handler = lines[shell::index::kHandler];
    s.handlerBegin = static_cast<std::size_t>(handler.data() - index.data());
    s.handlerEnd = s.handlerBegin + handler.size();
  }
  return s;
}

std::vector<QuestionText> questionTexts(const Snapshot& snapshot) {
  std::vector<QuestionText> out(static_cast<std::size_t>(snapshot.key.questions()));
  for (int stage = 1; stage <= snapshot.key.stages; ++stage) {
    for (int question = 1; question <= shell::kQuestionsPerStage; ++question) {
      const std::string name = shell::stageFolderName(stage) + "/" + shell::pageName(question);
      const auto page = snapshot.files.find(name);
      if (page == snapshot.files.end()) continue;
      QuestionText& q = out[static_cast<std::size_t>(shell::answerSlot(stage, question))];
      try {
        const auto& lines = shell::checkTable(page->second, shell::kPageShape, name);
        const auto shown = [&lines](std::size_t field) {
          return text::toUtf8(text::fromCodePage(lines[shell::page::field(field)], text::FieldRule::References));
        };
        q.text = shown(0);
        for (std::size_t i = 0; i < q.answers.size(); ++i) q.answers[i] = shown(i + 1);
      } catch (const shell::ShellError&) {
        // The quiz shows no question from this page; nor do the lesson's statistics.
      }
    }
  }
  return out;
}

}  // namespace lesson
