#include "lifecycle/Editor.h"

#include <algorithm>

#include "shell/Layout.h"
#include "shell/LineTable.h"
#include "shell/Lines.h"
#include "shell/Russian.h"
#include "shell/ShellError.h"

namespace lifecycle {

Editor::Editor(const Seams& seams, fs::path shellRoot, fs::path guide)
    : disk_(seams.disk),
      dialogs_(seams.dialogs),
      clock_(seams.clock),
      random_(seams.random),
      screen_(seams.screen),
      browser_(seams.browser),
      decoder_(seams.decoder),
      shellRoot_(std::move(shellRoot)),
      guide_(std::move(guide)) {}

Editor::Batch::Batch(Editor& editor) : editor_(editor), outer_(editor.change_ == nullptr) {
  if (outer_) {
    editor_.change_ = std::make_unique<shell::Change>(editor_.disk_, editor_.state_.ShellPath, &editor_.known_,
                                                      &editor_.history_);
  }
}

Editor::Batch::~Batch() {
  if (outer_) editor_.change_.reset();
}

void Editor::Batch::commit() {
  if (!outer_) return;
  editor_.change_->commit();
  ++editor_.changesMade_;
  editor_.showHistory();
  if (const auto& why = editor_.change_->historyFailure()) editor_.tellHistoryUnwritable(*why);
}

// Once a run: the history could not take a change in, so undo is not offered for it; the test
// itself is changed as always.
void Editor::tellHistoryUnwritable(const std::string& why) {
  if (historyUnwritableTold_) return;
  historyUnwritableTold_ = true;
  dialogs_.inform("Отмена изменений для этого теста недоступна: в папку " + std::string(shell::kHistoryFolder) +
                      " в папке теста «" + shell::utf8(state_.ShellPath) + "» нельзя записать (" + why +
                      "). Изменения теста сохраняются как обычно.",
                  "Редактор теста");
}

void Editor::describe(std::string what, shell::HistoryRecord::Kind kind, int target) {
  change().describe({std::move(what), kind, target}, clock_.secondsSince1970());
}

fs::path Editor::rootFile(const char* name) const { return state_.ShellPath / name; }

std::string Editor::shown(const fs::path& path) const {
  fs::path relative = path.lexically_relative(state_.ShellPath);
  if (relative.empty() || *relative.begin() == "..") return shell::utf8(path);
  return shell::utf8Generic(relative);
}

bool Editor::chooseList1(int row) {
  if (row == form.List1.ListIndex || !settleQuestion()) return false;
  return selectList1(row);
}

bool Editor::chooseList2(int row) {
  if (row == form.List2.ListIndex || !settleQuestion()) return false;
  return selectList2(row);
}

bool Editor::selectList1(int row) {
  if (row == form.List1.ListIndex) return false;
  form.List1.ListIndex = row;
  List1_Click();
  return true;
}

bool Editor::selectList2(int row) {
  if (row == form.List2.ListIndex) return false;
  form.List2.ListIndex = row;
  List2_Click();
  return true;
}

bool Editor::selectOptIm(int index) {
  if (index == form.optIm) return false;
  form.optIm = index;
  optIm_Click(static_cast<std::int16_t>(index));
  return true;
}

bool Editor::selectFile2(int row) {
  if (row == form.File2.ListIndex) return false;
  form.File2.ListIndex = row;
  File2_Click();
  return true;
}

// The settings as the window shows them, and the number of stages the files are to name, into
// the head lines of title.html and 1.js. Saving and shutdown differ only in the result handler's
// address: a save keeps the address the test was read with, so the address typed into txtAddr
// reaches title.html (and through it index.html) only at shutdown.
void Editor::takeSettings(int stages, Address address) {
  EditorState& s = state_;
  const std::string count = shell::decimal(stages);
  s.JsHead[shell::key::kStages] = count;
  s.JsHead[shell::key::kMinutes] = form.txtT;
  s.JsHead[shell::key::kPassMark] = form.txtMin;
  s.TitleHead[shell::title::kInspector] = form.Text3;
  s.TitleHead[shell::title::kCourse] = form.Text2;
  s.TitleHead[shell::title::kStages] = count;
  s.TitleHead[shell::title::kMinutes] = form.txtT;
  s.TitleHead[shell::title::kPassMark] = form.txtMin;
  if (address == Address::Typed) s.TitleHead[shell::title::kHandler] = form.txtAddr;
}

// The root pages in their fixed order: the title page holds the settings, the other two repeat
// its course name and its result handler address.
void Editor::writeRootPages() {
  EditorState& s = state_;
  change().write(rootFile(shell::kTitleFile),
                  shell::writeTable(s.TitleHead, s.TitleTail, s.TitleTailCount));
  s.Index1Head[shell::index1::kCourse] = s.TitleHead[shell::title::kCourse];
  change().write(rootFile(shell::kIndex1File),
                  shell::writeTable(s.Index1Head, s.Index1Tail, s.Index1TailCount));
  s.IndexHead[shell::index::kHandler] = s.TitleHead[shell::title::kHandler];
  change().write(rootFile(shell::kIndexFile),
                  shell::writeTable(s.IndexHead, s.IndexTail, s.IndexTailCount));
}

void Editor::writeAnswerKey() {
  const EditorState& s = state_;
  std::string out;
  out.reserve(8192);
  for (const auto& line : s.JsHead) shell::appendLine(out, line);
  for (std::size_t i = 0; i < s.Answers.size(); ++i) {
    shell::appendLine(out, s.Answers[i]);
    shell::appendLine(out, s.AnswerAfter[i]);
  }
  for (std::int16_t i = 0; i < s.JsTailCount; ++i) {
    shell::appendLine(out, s.JsTail[static_cast<std::size_t>(i)]);
  }
  change().write(rootFile(shell::kAnswerKeyFile), out);
}

// The root's folders that belong to the test, in name order, checked by the rules of the
// layout: the system's own folders are left out, and any other folder that is neither a stage
// nor the pictures folder is refused, as is a gap in the stage folders.
std::vector<std::string> Editor::testFolders() { return testFolders(disk_.listFolders(state_.ShellPath)); }

std::vector<std::string> Editor::testFolders(std::vector<std::string> names) {
  names.erase(std::remove_if(names.begin(), names.end(),
                             [](const std::string& name) { return shell::isSystemFolder(name); }),
              names.end());
  bool pictures = false;
  int stages = 0;
  for (const auto& name : names) {
    if (name == shell::kPicturesFolder) {
      pictures = true;
    } else if (std::find(std::begin(shell::kRootFiles), std::end(shell::kRootFiles), name) !=
               std::end(shell::kRootFiles)) {
      throw shell::ShellError(name, "на месте этого файла теста стоит папка");
    } else if (!shell::stageOfFolder(name)) {
      throw shell::ShellError(name, "лишняя папка в папке теста: там допускаются только папки этапов "
                             "с именами из одной цифры (0–9) и папка pics");
    } else {
      ++stages;
    }
  }
  if (!pictures) throw shell::ShellError("pics", "папка с рисунками не найдена в папке теста");
  for (int stage = 1; stage <= stages; ++stage) {
    if (names[static_cast<std::size_t>(stage - 1)] != shell::stageFolderName(stage)) {
      throw shell::ShellError(shell::stageFolderName(stage),
                       "нет папки этапа " + shell::decimal(stage) +
                           ": папки этапов должны идти подряд, начиная с 0");
    }
  }
  return names;
}

// The limits of the test's volume, on top of what each handler enables: a new stage needs a
// stage to copy and must fit in ten; removing needs a stage; and neither mixing nor the import
// is offered while a new stage is incomplete: questions moved into it would leave with it, and
// its questions are entered one by one in one sitting.
void Editor::applyVolumeLimits() {
  if (state_.StageCount <= 0 || state_.StageCount >= shell::kMaxStages) form.cmdNewL.Enabled = false;
  if (state_.StageCount <= 0) form.cmdDelLast.Enabled = false;
  if (state_.inNewStageEntry()) form.cmdMix.Enabled = false;
  form.mnuFileImport.Enabled = !state_.inNewStageEntry();
  form.mnuTestLessonAddress.Enabled = !state_.inNewStageEntry();
  showHistory();
}

}  // namespace lifecycle
