#include "lifecycle/Editor.h"

#include "shell/Layout.h"
#include "shell/LineTable.h"
#include "shell/Lines.h"
#include "shell/Russian.h"

namespace lifecycle {

Editor::Editor(const Seams& seams, fs::path shellRoot)
    : disk_(seams.disk),
      dialogs_(seams.dialogs),
      clock_(seams.clock),
      random_(seams.random),
      screen_(seams.screen),
      shellRoot_(std::move(shellRoot)) {}

Editor::Batch::Batch(Editor& editor) : editor_(editor), outer_(editor.change_ == nullptr) {
  if (outer_) editor_.change_ = std::make_unique<shell::Change>(editor_.disk_, editor_.state.ShellPath);
}

Editor::Batch::~Batch() {
  if (outer_) editor_.change_.reset();
}

void Editor::Batch::commit() {
  if (outer_) editor_.change_->commit();
}

fs::path Editor::rootFile(const char* name) const { return state.ShellPath / name; }

std::string Editor::shown(const fs::path& path) const {
  fs::path relative = path.lexically_relative(state.ShellPath);
  if (relative.empty() || *relative.begin() == "..") return shell::utf8(path);
  return shell::utf8Generic(relative);
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
  EditorState& s = state;
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
  EditorState& s = state;
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
  const EditorState& s = state;
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

}  // namespace lifecycle
