// Removing the last stage: its folder and every file in it go, the count drops by one, the
// lists are rebuilt, and an incomplete new stage ends with it.

#include <algorithm>

#include "lifecycle/Editor.h"
#include "shell/Layout.h"
#include "shell/LineTable.h"
#include "shell/Lines.h"
#include "shell/Russian.h"
#include "shell/ShellError.h"

namespace lifecycle {

void Editor::cmdDelLast_Click() {
  if (state_.StageCount <= 0 || !settleQuestion()) return;
  if (dialogs_.confirm("Вы действительно хотите удалить верхний уровень теста?", "VARNOLIX")) {
    RemoveLastStage();
  }
}

void Editor::RemoveLastStage() {
  Batch batch(*this);
  // The root as it is now, by the rules of start-up: it must hold exactly the stage folders and
  // the pictures folder, or nothing is removed.
  const auto names = testFolders();
  const auto entries = static_cast<int>(names.size());
  if (state_.StageCount > 0 && state_.StageCount + 1 == entries) {
    const fs::path folder = state_.ShellPath / names[static_cast<std::size_t>(state_.StageCount - 1)];
    if (!shell::isInside(disk_.resolvedPath(folder), disk_.resolvedPath(state_.ShellPath))) {
      throw shell::ShellError(shown(folder), "это ссылка на папку вне папки теста; этап не удалён");
    }
    // A folder that could not be emptied and removed is refused before anything changes: one
    // with files other than pages only, or with folders inside. Temporary files that an
    // interrupted run of the editor left belong to the stage and go with it.
    const auto files = disk_.listFiles(folder, "*");
    form.File1.Path = folder;
    form.File1.Names.clear();
    for (const auto& name : files) {
      if (shell::matchesPattern(name, form.File1.Pattern)) form.File1.Names.push_back(name);
    }
    const bool others = std::any_of(files.begin(), files.end(), [](const std::string& name) {
      return !shell::isTemporaryName(name);
    });
    if ((form.File1.Names.empty() && others) || !disk_.listFolders(folder).empty()) {
      throw shell::ShellError(shown(folder), "папка этапа содержит не только страницы вопросов; "
                                             "этап не удалён");
    }
    for (const auto& name : files) change().remove(folder / shell::fromUtf8(name));
    change().removeFolder(folder);
    describe("удаление этапа " + shell::decimal(state_.StageCount));

    form.Dir1.ListIndex = form.List1.ListIndex;
    for (auto& row : form.List1.Rows) row.clear();
    for (int i = 0; i < state_.LastStageQuestions; ++i) form.List2.setRow(i, "");
    form.List2.Enabled = false;
    form.Dir1.Entries.clear();
    for (const auto& name : names) {
      if (state_.ShellPath / name != folder) form.Dir1.Entries.push_back(state_.ShellPath / name);
    }
    rebuildStageList();
    state_.StageCount -= 1;
    writeStageCount();
    if (state_.CurStage > state_.StageCount) forgetQuestion();
    if (form.List1.selectedText().empty()) selectList1(state_.StageCount - 1);
    state_.LastStageQuestions = 10;
    form.Label11.Caption = "10";
    state_.QuestionSaved.fill(1);
  }
  List1_Click();
  form.cmdNewL.Enabled = true;
  form.cmdMix.Enabled = true;
  state_.MixSwitchedOff = false;
  form.Label9.Caption = shell::decimal(state_.StageCount);
  applyVolumeLimits();
  batch.commit();
}

// The count goes with the removal, in its change: the browser quiz, which reads 1.js's count,
// never looks for the removed stage, and an undo of the removal gives back folder and count
// together. Only the count lines change: settings typed and not saved stay unwritten. While a
// new stage is entered, the files never counted it, so they keep the count they hold.
void Editor::writeStageCount() {
  EditorState& s = state_;
  const std::string count = shell::decimal(s.StageCount);
  s.JsHead[shell::key::kStages] = count;
  s.TitleHead[shell::title::kStages] = count;
  change().write(rootFile(shell::kTitleFile), shell::writeTable(s.TitleHead, s.TitleTail, s.TitleTailCount));
  writeAnswerKey();
}

// The stage of the question shown is gone: no question is chosen any more, so a save writes
// only the settings and nothing is written into the removed folder.
void Editor::forgetQuestion() {
  state_.CurStage = 0;
  state_.CurQuestion = 0;
  state_.PagePath.clear();
  for (auto& text : form.Text1) text.clear();
  form.Text1Red = false;
  form.Image1.clear();
}

}  // namespace lifecycle
