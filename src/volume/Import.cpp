// Questions imported from a text file: each replaces a question of the test from the start the
// teacher chose, stage after stage, and where the stages run out new ones are made. The pages,
// the new stages' folders, the answer key and the settings pages land in one change, written as
// saving the last of those questions would write them.

#include <stdexcept>

#include "lifecycle/Editor.h"
#include "shell/Layout.h"
#include "shell/LineTable.h"
#include "shell/Lines.h"
#include "shell/ShellError.h"

namespace lifecycle {

namespace {

// The plan's places, checked against the test as the editor holds it: the test's own questions
// first, then whole new stages up to ten. A plan that says otherwise was made for another test.
void checkPlaces(const std::vector<workbench::TextQuestion>& questions, const workbench::ImportPlan& plan,
                 const EditorState& s) {
  const int stages = s.StageCount + plan.newStages;
  bool fits = plan.places.size() == questions.size() && plan.newStages >= 0 && stages <= shell::kMaxStages;
  int fresh = 0;
  for (const workbench::Position& p : plan.places) {
    fits = fits && p.stage >= 1 && p.stage <= stages && p.question >= 1 && p.question <= shell::kQuestionsPerStage;
    fresh += p.stage > s.StageCount;
  }
  if (!fits || fresh != plan.newStages * shell::kQuestionsPerStage) {
    throw std::logic_error("an import's plan does not fit the test");
  }
}

}  // namespace

void Editor::importQuestions(const std::vector<workbench::TextQuestion>& questions,
                             const workbench::ImportPlan& plan) {
  EditorState& s = state_;
  if (!plan.problems.empty() || questions.empty() || s.inNewStageEntry()) return;
  checkPlaces(questions, plan, s);
  const auto folders = testFolders();
  Files templates = plan.newStages > 0 ? stageTemplates(folders) : Files{};

  if (!settleQuestion()) return;
  Batch batch(*this);
  std::vector<Files> added(static_cast<std::size_t>(plan.newStages));
  PageLines head;
  std::array<std::string, shell::kPageShape.tailCapacity> tail;
  std::int16_t tailCount = 0;
  for (std::size_t i = 0; i < questions.size(); ++i) {
    const workbench::Question& q = questions[i].question;
    const workbench::Position at = plan.places[i];
    const bool fresh = at.stage > s.StageCount;
    const fs::path file = s.ShellPath / shell::stageFolderName(at.stage) / shell::pageName(at.question);
    // A page of a new stage starts as its template; a page of the test as the change has it.
    const std::string bytes = fresh ? templates[static_cast<std::size_t>(at.question - 1)].second : change().read(file);
    shell::readTable(bytes, shell::kPageShape, shown(file), head, tail, tailCount);
    const std::array<std::string, shell::page::kFields> fields{q.text, q.answers[0], q.answers[1], q.answers[2],
                                                               q.answers[3]};
    // A page of a new stage carries its ordinal, as every page saved after a new stage does.
    putQuestion(head, at.stage, at.question, fields, q.picture, fresh || s.MixSwitchedOff);
    std::string page = shell::writeTable(head, tail, tailCount);
    if (fresh) {
      added[static_cast<std::size_t>(at.stage - s.StageCount - 1)].emplace_back(shell::pageName(at.question), std::move(page));
    } else {
      change().write(file, std::move(page));
    }
    s.Answers[static_cast<std::size_t>(shell::answerSlot(at.stage, at.question))] = q.right;
  }
  for (std::size_t k = 0; k < added.size(); ++k) {
    change().addFolder(s.ShellPath / shell::stageFolderName(s.StageCount + static_cast<int>(k) + 1),
                       std::move(added[k]));
  }
  const int stages = s.StageCount + plan.newStages;
  takeSettings(stages, Address::AsRead);
  writeRootPages();
  writeAnswerKey();
  const auto n = static_cast<long>(questions.size());
  describe("импорт " + shell::decimal(n) + (n % 10 == 1 && n % 100 != 11 ? " вопроса" : " вопросов"));
  batch.commit();

  if (plan.newStages > 0) {
    showNewFolders(folders, plan.newStages);
    // As after a new stage made by hand: mixing waits for a removal or the next start, and every
    // page saved until then carries its ordinal.
    s.MixSwitchedOff = true;
    form.cmdMix.Enabled = false;
  }
  form.Label9.Caption = shell::decimal(s.StageCount);
  form.Label11.Caption = shell::decimal(s.LastStageQuestions);
  applyVolumeLimits();
  // The question shown, and the stage's list, as the import left them.
  if (s.CurQuestion != 0) List1_Click();
}

}  // namespace lifecycle
