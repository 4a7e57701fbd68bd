// The model test that ships with the editor, as a new teacher meets it: a seventh stage added
// and its ten questions entered, the editor closed and started again, then the whole test
// mixed. Its sixty real questions are all different, so every page can be traced by its bytes.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "shell/Layout.h"
#include "support/Fixtures.h"
#include "support/Invariants.h"
#include "workbench/QuestionText.h"

namespace {

namespace fs = std::filesystem;
using support::crlfLines;
using support::readBytes;

// Every page of the shell by slot, with the answer line that 1.js holds for that slot; read
// from the files alone.
std::map<int, std::pair<std::string, std::string>> pagesWithAnswers(const fs::path& root) {
  const std::vector<std::string> key = crlfLines(root / "1.js");
  std::map<int, std::pair<std::string, std::string>> out;
  for (int stage = 1; stage <= shell::kMaxStages; ++stage) {
    const fs::path folder = root / shell::stageFolderName(stage);
    if (!fs::exists(folder)) break;
    for (int q = 1; q <= shell::kQuestionsPerStage; ++q) {
      const int slot = shell::answerSlot(stage, q);
      out[slot] = {readBytes(folder / shell::pageName(q)),
                   key.at(static_cast<std::size_t>(10 + 2 * slot))};
    }
  }
  return out;
}

bool hasLine(const fs::path& file, const std::string& line) {
  return std::ranges::count(crlfLines(file), line) > 0;
}

// The texts a teacher types for question k of the new stage: "Вопрос k ..." in Windows-1251.
std::string question(int k) { return "\xC2\xEE\xEF\xF0\xEE\xF1 " + std::to_string(k) + ": 2+2=?"; }
std::string answer(int k, int i) { return std::to_string(k) + "." + std::to_string(i) + " <b>"; }
std::string right(int k) { return std::to_string(1 + k % 4); }

TEST(ModelShell, ASeventhStageIsEnteredKeptAcrossARestartAndMixedWithItsAnswers) {
  support::TempDir dir;
  const fs::path root = dir.path() / "shell";
  fs::copy(MODEL_SHELL_DIR, root, fs::copy_options::recursive);
  const auto model = pagesWithAnswers(root);
  ASSERT_EQ(model.size(), 60u);

  {
    support::Harness h(root);
    h.editor.Form_Load();
    ASSERT_EQ(h.state().StageCount, 6);
    ASSERT_TRUE(h.form().cmdNewL.Enabled);
    h.editor.cmdNewL_Click();
    h.editor.selectList1(6);
    for (int k = 1; k <= 10; ++k) {
      SCOPED_TRACE("question " + std::to_string(k));
      ASSERT_EQ(h.state().CurQuestion, k);
      h.form().Text1[0] = question(k);
      for (int i = 1; i <= 4; ++i) h.form().Text1[static_cast<std::size_t>(i)] = answer(k, i);
      h.form().Text1[5] = right(k);
      h.editor.cmdSave_Click();
      if (k < 10) h.editor.cmdNewN_Click();
    }
    EXPECT_TRUE(h.dialogs.shown.empty());
    h.editor.Form_Unload();  // the window closed by its frame
  }

  EXPECT_EQ(support::checkShell(root), std::vector<std::string>{});
  const auto seven = pagesWithAnswers(root);
  ASSERT_EQ(seven.size(), 70u);
  for (int slot = 0; slot < 60; ++slot) {
    EXPECT_EQ(seven.at(slot), model.at(slot)) << "a model question changed, slot " << slot;
  }
  for (int k = 1; k <= 10; ++k) {
    SCOPED_TRACE("question " + std::to_string(k));
    const fs::path page = root / shell::stageFolderName(7) / shell::pageName(k);
    EXPECT_TRUE(hasLine(page, question(k)));
    for (int i = 1; i <= 4; ++i) EXPECT_TRUE(hasLine(page, answer(k, i)));
    EXPECT_EQ(seven.at(60 + k - 1).second, right(k));
  }

  // The next start finds seven complete stages and shows what was entered.
  support::Harness again(root);
  again.editor.Form_Load();
  ASSERT_EQ(again.state().StageCount, 7);
  EXPECT_EQ(again.form().List1.Rows.size(), 7u);
  EXPECT_EQ(again.state().savedProduct(), 1);
  again.editor.selectList1(6);
  again.editor.selectList2(9);
  EXPECT_EQ(again.form().Text1[0], question(10));
  EXPECT_EQ(again.form().Text1[4], answer(10, 4));
  EXPECT_EQ(again.form().Text1[5], right(10));

  // Mixing moves pages between stages; each keeps its own right answer, and none is lost.
  ASSERT_TRUE(again.form().cmdMix.Enabled);
  again.editor.cmdMix_Click();
  again.editor.Form_Unload();
  EXPECT_EQ(support::checkShell(root), std::vector<std::string>{});
  const auto mixed = pagesWithAnswers(root);
  ASSERT_EQ(mixed.size(), 70u);
  std::map<std::string, std::string> answerOf;
  for (const auto& [slot, pa] : seven) answerOf[pa.first] = pa.second;
  ASSERT_EQ(answerOf.size(), 70u) << "the pages of the test are not all different";
  std::set<std::string> found;
  int moved = 0;
  for (const auto& [slot, pa] : mixed) {
    const auto it = answerOf.find(pa.first);
    ASSERT_NE(it, answerOf.end()) << "slot " << slot << " holds a page that was not there before";
    EXPECT_EQ(pa.second, it->second) << "slot " << slot << " lost its right answer";
    found.insert(pa.first);
    if (pa.first != seven.at(slot).first) ++moved;
  }
  EXPECT_EQ(found.size(), 70u) << "a question was lost or doubled";
  EXPECT_GT(moved, 35) << "the mix left most of the test where it was";
}

}  // namespace

// The model test written out as text and imported back from question 1 of stage 1: no byte of it
// changes.
TEST(ModelShell, WrittenOutAsTextAndImportedBackItIsTheSame) {
  support::TempDir dir;
  const fs::path root = dir.path() / "shell";
  fs::copy(MODEL_SHELL_DIR, root, fs::copy_options::recursive);
  const auto before = support::snapshot(root);
  support::Harness h(root);
  h.editor.Form_Load();
  const workbench::Test test = h.editor.readTest();
  ASSERT_EQ(test.stages.size(), 6u);
  const workbench::ReadResult read = workbench::readQuestions(workbench::writeQuestions(test));
  ASSERT_EQ(read.questions.size(), 60u) << ::testing::PrintToString(read.problems.size());
  const workbench::ImportPlan plan = workbench::planImport(read, test, {1, 1});
  ASSERT_TRUE(plan.problems.empty());
  h.editor.importQuestions(read.questions, plan);
  EXPECT_EQ(support::snapshot(root), before)
      << ::testing::PrintToString(support::differences(before, support::snapshot(root)));
}
