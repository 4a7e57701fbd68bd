// Removing the last stage: its folder and every file in it go, the count drops by one, the
// lists are rebuilt, and an incomplete new stage ends with it.

#include "lifecycle/Editor.h"
#include "shell/Layout.h"

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
    if (!form.File1.Names.empty()) {
      for (const auto& name : disk_.listFiles(folder, "*")) disk_.deleteFile(folder / name);
    }
    form.Dir1.ListIndex = form.List1.ListIndex;
    for (auto& row : form.List1.Rows) row.clear();
    for (int i = 0; i < state.LastStageQuestions; ++i) form.List2.setRow(i, "");
    form.List2.Enabled = false;
    disk_.removeFolder(folder);

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

}  // namespace lifecycle
