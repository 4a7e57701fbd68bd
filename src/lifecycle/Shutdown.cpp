// Shutdown: roll back a new stage whose questions were not all saved, then write the settings
// into the root pages and the stage count, the settings and the answers into 1.js. The exit
// button first clears stray one-digit pages that an interrupted mixing left in the root.

#include <set>

#include "lifecycle/Editor.h"
#include "shell/Layout.h"

namespace lifecycle {

void Editor::Form_Unload() {
  Batch batch(*this);
  if (state.savedProduct() == 0) RemoveLastStage();
  form.Label9.Caption = shell::decimal(state.StageCount);

  takeSettings(state.StageCount, Address::Typed);
  writeRootPages();
  if (state.CurQuestion != 0) {
    state.Answers[static_cast<std::size_t>(shell::answerSlot(state.CurStage, state.CurQuestion))] =
        form.Text1[5];
  }
  writeAnswerKey();
  batch.commit();
  unloaded_ = true;
}

// The clean-up, the removal of an incomplete stage and the settings land as one change.
void Editor::cmdEnd_Click() {
  Batch batch(*this);
  cleanRoot();
  Form_Unload();
  batch.commit();
}

// A one-digit page in the root is a copy that a mixing interrupted between its steps left
// behind. It is deleted only when its bytes are also found in a stage folder; a page found
// nowhere else is the only copy of a question, so it stays, and the teacher is told.
void Editor::cleanRoot() {
  const auto stray = disk_.listFiles(state.ShellPath, shell::kStrayPagePattern);
  if (stray.empty() || stray.front() == "0.html") return;

  std::set<std::string> pages;
  for (const auto& folder : disk_.listFolders(state.ShellPath)) {
    if (!shell::stageOfFolder(folder)) continue;
    for (const auto& page : disk_.listFiles(state.ShellPath / folder, shell::kPagePattern)) {
      pages.insert(disk_.readFile(state.ShellPath / folder / page));
    }
  }
  std::string kept;
  for (const auto& name : stray) {
    const fs::path file = state.ShellPath / shell::fromUtf8(name);
    if (pages.count(disk_.readFile(file)) != 0) {
      change().remove(file);
    } else {
      kept += (kept.empty() ? "" : ", ") + name;
    }
  }
  if (!kept.empty()) {
    dialogs_.inform("В папке теста оставлен файл " + kept +
                        ": это страница вопроса, которой нет ни в одной папке этапа "
                        "(её, видимо, оставила прерванная смена порядка вопросов). "
                        "Файл не удалён, чтобы вопрос не пропал: перенесите его в нужную "
                        "папку этапа вручную или удалите сами.",
                    "Редактор теста");
  }
}

}  // namespace lifecycle
