// A new stage: a folder after the last one, filled with copies of the last stage's ten pages
// as templates, and the new-stage entry mode, in which its questions are opened and saved one
// after another. The stage counts in the shell's files only once all ten are saved.

#include <algorithm>
#include <utility>
#include <vector>

#include "lifecycle/Editor.h"
#include "shell/Layout.h"
#include "shell/ShellError.h"

namespace lifecycle {

void Editor::cmdNewL_Click() {
  if (state_.StageCount <= 0 || state_.StageCount >= shell::kMaxStages || !settleQuestion()) return;
  const auto folders = testFolders();
  Files pages = stageTemplates(folders);

  state_.LastStageQuestions = 1;
  form.cmdNewL.Enabled = false;
  form.cmdDelLast.Enabled = false;
  form.cmdMix.Enabled = false;
  state_.MixSwitchedOff = true;
  form.cmdSave.Enabled = false;
  form.Label11.Caption = "0";

  // The folder appears with its ten pages in one step, or not at all.
  Batch batch(*this);
  change().addFolder(state_.ShellPath / shell::stageFolderName(state_.StageCount + 1), std::move(pages));
  describe("новый этап " + shell::decimal(state_.StageCount + 1), shell::HistoryRecord::Open);
  batch.commit();
  showNewFolders(folders, 1);
  state_.QuestionSaved.fill(0);
  applyVolumeLimits();
}

Editor::Files Editor::stageTemplates(const std::vector<std::string>& folders) {
  // The root as it is now, by the rules of start-up; the new stage's folder must be free.
  if (static_cast<int>(folders.size()) != state_.StageCount + 1) {
    throw shell::ShellError(shell::decimal(state_.StageCount),
                            "в папке теста уже есть папка для нового этапа; этап не создан");
  }
  // Every template page must be there before anything is made.
  const fs::path from = state_.ShellPath / shell::stageFolderName(state_.StageCount);
  const auto templates = disk_.listFiles(from, shell::kPagePattern);
  for (int q = 1; q <= shell::kQuestionsPerStage; ++q) {
    if (std::find(templates.begin(), templates.end(), shell::pageName(q)) == templates.end()) {
      throw shell::ShellError(shown(from / shell::pageName(q)),
                              "нет страницы, которую новый этап копирует как образец");
    }
  }
  Files pages;
  for (int q = 1; q <= shell::kQuestionsPerStage; ++q) {
    pages.emplace_back(shell::pageName(q), disk_.readFile(from / shell::pageName(q)));
  }
  return pages;
}

// The root holds the new folders beside those listed before; the stage list shows them, and the
// count takes them in.
void Editor::showNewFolders(std::vector<std::string> folders, int added) {
  for (int i = 1; i <= added; ++i) {
    const std::string folder = shell::stageFolderName(state_.StageCount + i);
    folders.insert(std::upper_bound(folders.begin(), folders.end(), folder), folder);
  }
  listRoot(folders);
  rebuildStageList();
  state_.StageCount = static_cast<std::int16_t>(state_.StageCount + added);
}

void Editor::cmdNewN_Click() {
  if (!settleQuestion()) return;
  form.cmdNewN.Enabled = false;
  if (state_.LastStageQuestions < shell::kQuestionsPerStage) {
    state_.LastStageQuestions += 1;
    fillQuestionRows(state_.LastStageQuestions - 1);
    if (!selectList2(state_.LastStageQuestions - 1)) List2_Click();
  }
  if (state_.LastStageQuestions == shell::kQuestionsPerStage) form.cmdNewL.Enabled = true;
  applyVolumeLimits();
}

}  // namespace lifecycle
