// Questions imported from text into the test, and the files outside the test that the menu's
// commands read and write.

#include <gtest/gtest.h>

#include "shell/Layout.h"
#include "support/Fixtures.h"
#include "workbench/QuestionText.h"

namespace {

namespace fs = std::filesystem;
using support::crlfLines;
using support::Session;

// A file of questions imported from a start, as the import's dialog would plan it.
workbench::ImportPlan import(Session& s, const std::string& text, workbench::Position start) {
  const workbench::ReadResult read = workbench::readQuestions(text);
  const workbench::ImportPlan plan = workbench::planImport(read, s.editor().readTest(), start);
  s.editor().importQuestions(read.questions, plan);
  return plan;
}

// Thirty questions from stage 5 of six: stages 5 and 6 replaced, a seventh made from the sixth's
// pages. The pages keep every line the import does not own; the new stage's pages carry their
// ordinals, as a new stage's saved pages do; the key, the count and the settings pages are
// written as a save after the last of them writes them.
TEST(Import, ReplacesFromTheStartAndAddsWholeStages) {
  Session s;
  s.chooseQuestion(2, 3);
  s.form().Text2 = "new course";
  const workbench::ImportPlan plan = import(s, support::questionsText(30), {5, 1});
  ASSERT_TRUE(plan.problems.empty());
  ASSERT_EQ(plan.newStages, 1);

  for (const auto& [stage, question, n] : {std::tuple{5, 1, 1}, {6, 4, 14}, {7, 10, 30}}) {
    SCOPED_TRACE(stage * 100 + question);
    const auto page = crlfLines(s.root() / shell::stageFolderName(stage) / shell::pageName(question));
    const auto expected = support::pageLines(std::min(stage, 6), question);
    EXPECT_EQ(page[5], "\xC2\xEE\xEF\xF0\xEE\xF1 " + std::to_string(n));
    EXPECT_EQ(page[9], "\xEE\xF2\xE2\xE5\xF2 " + std::to_string(n) + "\xC1");
    EXPECT_EQ(page[3], "00");
    EXPECT_EQ(page[1], stage == 7 ? std::to_string(shell::questionOrdinal(stage, question)) : expected[1]);
    for (std::size_t line : {0u, 2u, 4u, 6u, 14u, 15u}) EXPECT_EQ(page[line], expected[line]) << line;
  }
  const auto key = crlfLines(s.root() / "1.js");
  EXPECT_EQ(key[1], "7");
  EXPECT_EQ(key[10 + 2 * shell::answerSlot(5, 1)], "2");
  EXPECT_EQ(key[10 + 2 * shell::answerSlot(7, 10)], "2");
  EXPECT_EQ(key[10 + 2 * shell::answerSlot(4, 10)], support::fixtureAnswer(shell::answerSlot(4, 10)));
  const auto title = crlfLines(s.root() / "title.html");
  EXPECT_EQ(title[6], "7");
  EXPECT_EQ(title[4], "new course");

  EXPECT_EQ(s.state().StageCount, 7);
  EXPECT_EQ(s.form().List1.Rows.size(), 7u);
  EXPECT_EQ(s.form().Label9.Caption, "7");
  EXPECT_FALSE(s.form().cmdMix.Enabled);  // as after a stage made by hand
  EXPECT_TRUE(s.form().mnuFileImport.Enabled);
  EXPECT_TRUE(s.h->dialogs.shown.empty());
  // The new stage is complete: closing keeps it, and the test stays whole.
  s.editor().Form_Unload();
  EXPECT_TRUE(fs::is_directory(s.root() / "6"));
  EXPECT_EQ(crlfLines(s.root() / "1.js")[1], "7");
}

// The question shown, changed and not saved: the import asks first; Отмена imports nothing, Да
// saves it in the import's change, and the window then shows what the import put there.
TEST(Import, AsksAboutTheQuestionShownAndShowsWhatItReplaced) {
  Session s;
  s.chooseQuestion(5, 2);
  s.form().Text1[0] = "changed";
  const auto before = support::snapshot(s.root());
  s.h->dialogs.choices = {lifecycle::Dialogs::Answer::Cancel, lifecycle::Dialogs::Answer::Yes};
  import(s, support::questionsText(10), {5, 1});
  EXPECT_EQ(support::snapshot(s.root()), before);
  EXPECT_EQ(s.form().Text1[0], "changed");
  import(s, support::questionsText(10), {5, 1});
  ASSERT_EQ(s.h->dialogs.shown.size(), 2u);
  EXPECT_EQ(s.form().Text1[0], "\xC2\xEE\xEF\xF0\xEE\xF1 2");
  EXPECT_EQ(crlfLines(s.root() / "4" / "1.html")[5], s.form().Text1[0]);
  EXPECT_EQ(s.state().CurQuestion, 2);
}

// While a new stage is entered, and for a plan with problems, nothing is imported.
TEST(Import, NothingWhileANewStageIsEnteredOrWithAProblem) {
  Session s;
  s.editor().cmdNewL_Click();
  EXPECT_FALSE(s.form().mnuFileImport.Enabled);
  const auto entering = support::snapshot(s.root());
  import(s, support::questionsText(10), {1, 1});
  EXPECT_EQ(support::snapshot(s.root()), entering);

  Session t;
  const auto before = support::snapshot(t.root());
  EXPECT_FALSE(import(t, support::questionsText(15), {6, 1}).problems.empty());  // 5 for a new stage
  EXPECT_EQ(support::snapshot(t.root()), before);
}

// A file chosen by the teacher: read, or replaced whole through a temporary beside it; one that
// cannot be is no fault of the test, and the teacher is told which and why. The test's own files
// are never written this way.
TEST(ChosenFiles, WrittenWholeReadOrRefusedWithAReason) {
  Session s;
  support::TempDir out;
  const fs::path file = out.path() / "вопросы.txt";
  support::writeBytes(file, "old");
  EXPECT_TRUE(s.editor().writeChosenFile(file, "new"));
  EXPECT_EQ(support::readBytes(file), "new");
  EXPECT_EQ(support::snapshot(out.path()).size(), 1u);
  EXPECT_EQ(s.editor().readChosenFile(file), std::optional<std::string>("new"));

  // A failed write leaves the old file and no temporary.
  s.h->ownDisk.onlyChanges = true;
  s.h->ownDisk.failAt(2);  // the rename, after the temporary was written
  EXPECT_FALSE(s.editor().writeChosenFile(file, "newer"));
  s.h->ownDisk.failAt(0);
  s.h->ownDisk.onlyChanges = false;
  EXPECT_EQ(support::readBytes(file), "new");
  EXPECT_EQ(support::snapshot(out.path()).size(), 1u);
  ASSERT_EQ(s.h->dialogs.shown.size(), 1u);
  EXPECT_NE(s.h->dialogs.shown[0].text.find("Не удалось записать файл"), std::string::npos);

  EXPECT_FALSE(s.editor().readChosenFile(out.path() / "нет.txt"));
  ASSERT_EQ(s.h->dialogs.shown.size(), 2u);
  EXPECT_NE(s.h->dialogs.shown[1].text.find("нет.txt"), std::string::npos);

  const auto test = support::snapshot(s.root());
  for (const fs::path& own : {s.root() / "1.js", s.root() / "0" / "0.html", s.root() / "0" / "notes.txt"}) {
    EXPECT_FALSE(s.editor().writeChosenFile(own, "x")) << own;
  }
  EXPECT_EQ(support::snapshot(s.root()), test);
  EXPECT_TRUE(s.editor().writeChosenFile(s.root() / "questions.txt", "x"));
}

}  // namespace
