// Removing the last stage: its folder and every file in it go, the count drops by one, the
// lists are rebuilt, and an incomplete new stage ends with it.

#include "lifecycle/Editor.h"
#include "shell/Layout.h"
#include "shell/ShellError.h"

namespace lifecycle {

void Editor::cmdDelLast_Click() {
  if (state.StageCount <= 0) return;
  if (dialogs_.confirm("Вы действительно хотите удалить верхний уровень теста?", "VARNOLIX")) {
    RemoveLastStage();
  }
}

void Editor::RemoveLastStage() {
  // The folder listing as it was last read: the root must hold exactly the stage folders and
  // the pictures folder, or nothing is removed.
  const auto entries = static_cast<int>(form.Dir1.Entries.size());
  if (state.StageCount > 0 && state.StageCount + 1 == entries) {
    const fs::path folder = form.Dir1.Entries[static_cast<std::size_t>(state.StageCount - 1)];
    form.File1.Path = folder;
    form.File1.Names = disk_.listFiles(folder, form.File1.Pattern);
    // A folder that could not be emptied and removed is refused before anything changes: one
    // with files other than pages only, or with folders inside.
    const auto files = disk_.listFiles(folder, "*");
    if ((form.File1.Names.empty() && !files.empty()) || !disk_.listFolders(folder).empty()) {
      throw shell::ShellError(shown(folder), "папка этапа содержит не только страницы вопросов; "
                                             "этап не удалён");
    }
    // The stage leaves the test in one step, by a rename; an interruption after it leaves no
    // half stage behind, and the next start finishes the deletion.
    const fs::path removed = state.ShellPath / shell::kRemovedStageFolder;
    disk_.renameFile(folder, removed);
    disk_.syncFolder(state.ShellPath);
    for (const auto& name : files) disk_.deleteFile(removed / name);
    form.Dir1.ListIndex = form.List1.ListIndex;
    for (auto& row : form.List1.Rows) row.clear();
    for (int i = 0; i < state.LastStageQuestions; ++i) form.List2.setRow(i, "");
    form.List2.Enabled = false;
    disk_.removeFolder(removed);

    form.Dir1.Entries.clear();
    for (const auto& name : disk_.listFolders(state.ShellPath)) {
      form.Dir1.Entries.push_back(state.ShellPath / name);
    }
    rebuildStageList();
    state.StageCount -= 1;
    if (form.List1.selectedText().empty()) selectList1(state.StageCount - 1);
    state.LastStageQuestions = 10;
    form.Label11.Caption = "10";
    state.QuestionSaved.fill(1);
  }
  List1_Click();
  form.cmdNewL.Enabled = true;
  form.cmdMix.Enabled = true;
  form.Label9.Caption = shell::decimal(state.StageCount);
  applyVolumeLimits();
}

// Deletes what is left of a stage whose removal was interrupted after its folder left the test.
void Editor::finishInterruptedRemoval() {
  const fs::path removed = state.ShellPath / shell::kRemovedStageFolder;
  for (const auto& name : disk_.listFiles(removed, "*")) disk_.deleteFile(removed / name);
  disk_.removeFolder(removed);
}

}  // namespace lifecycle
