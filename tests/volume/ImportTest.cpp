// Questions imported from text into the test, and the files outside the test that the menu's
// commands read, write and open.

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

// Thirty questions from stage 5 of six: stages 5 and 6 replaced in their owned lines only, a
// seventh made from the sixth's pages with its ordinals, as a new stage's saved pages carry them;
// the key, the count and the settings as a save writes them; kept at exit. While a new stage is
// entered, or with a problem, nothing is imported.
TEST(Import, ReplacesFromTheStartAndAddsWholeStages) {
  Session s;
  s.form().Text2 = "new course";
  ASSERT_EQ(import(s, support::questionsText(30), {5, 1}).newStages, 1);
  for (const auto& [stage, question, n] : {std::tuple{5, 1, 1}, {6, 4, 14}, {7, 10, 30}}) {
    const auto page = crlfLines(s.root() / shell::stageFolderName(stage) / shell::pageName(question));
    const auto model = support::pageLines(std::min(stage, 6), question);
    EXPECT_EQ(page[5], "\xC2\xEE\xEF\xF0\xEE\xF1 " + std::to_string(n));  // "Вопрос n"
    EXPECT_EQ(page[3], "00");
    EXPECT_EQ(page[1], stage == 7 ? std::to_string(shell::questionOrdinal(7, question)) : model[1]);
    for (std::size_t line : {0u, 2u, 4u, 6u, 14u, 15u}) EXPECT_EQ(page[line], model[line]) << stage << line;
  }
  const auto key = crlfLines(s.root() / "1.js");
  EXPECT_EQ(key[1], "7");
  EXPECT_EQ(key[10 + 2 * shell::answerSlot(7, 10)], "2");
  EXPECT_EQ(key[10 + 2 * shell::answerSlot(4, 10)], support::fixtureAnswer(shell::answerSlot(4, 10)));
  EXPECT_EQ(crlfLines(s.root() / "title.html")[6], "7");
  EXPECT_EQ(crlfLines(s.root() / "title.html")[4], "new course");
  EXPECT_EQ(s.form().List1.Rows.size(), 7u);
  EXPECT_FALSE(s.form().cmdMix.Enabled);  // as after a stage made by hand
  s.editor().Form_Unload();
  EXPECT_EQ(crlfLines(s.root() / "1.js")[1], "7");

  s.restart();
  s.editor().cmdNewL_Click();
  EXPECT_FALSE(s.form().mnuFileImport.Enabled);
  const auto entering = support::snapshot(s.root());
  import(s, support::questionsText(10), {1, 1});
  EXPECT_FALSE(import(s, support::questionsText(15), {8, 1}).problems.empty());
  EXPECT_EQ(support::snapshot(s.root()), entering);
}

// The question shown, changed and not saved: the import asks first; Отмена imports nothing, Да
// saves it in the import's change; the window then shows what the import put there.
TEST(Import, AsksAboutTheQuestionShownAndShowsWhatItReplaced) {
  Session s;
  s.chooseQuestion(5, 2);
  s.form().Text1[0] = "changed";
  const auto before = support::snapshot(s.root());
  s.h->dialogs.choices = {lifecycle::Dialogs::Answer::Cancel, lifecycle::Dialogs::Answer::Yes};
  import(s, support::questionsText(10), {5, 1});
  EXPECT_EQ(support::snapshot(s.root()), before);
  import(s, support::questionsText(10), {5, 1});
  EXPECT_EQ(s.form().Text1[0], "\xC2\xEE\xEF\xF0\xEE\xF1 2");
  EXPECT_EQ(crlfLines(s.root() / "4" / "1.html")[5], s.form().Text1[0]);
}

// A file the teacher chose: read, or replaced whole through a temporary beside it; one that
// cannot be is no fault of the test, and the teacher is told which and why. The test's own files
// are never written so. The guide opens in the browser, or the teacher is told why not.
TEST(ChosenFiles, WrittenWholeReadOrRefusedWithAReason) {
  support::TempDir out;
  const fs::path file = out.path() / shell::fromUtf8("вопросы.txt");
  support::writeBytes(out.path() / "guide.html", "<html></html>");
  support::Session s;
  support::Harness h(s.root(), nullptr, out.path() / "guide.html");
  h.editor.Form_Load();
  support::writeBytes(file, "old");
  EXPECT_TRUE(h.editor.writeChosenFile(file, "new"));
  EXPECT_EQ(h.editor.readChosenFile(file), std::optional<std::string>("new"));
  h.ownDisk.onlyChanges = true;
  h.ownDisk.failAt(2);  // the rename, after the temporary was written
  EXPECT_FALSE(h.editor.writeChosenFile(file, "newer"));
  h.ownDisk.failAt(0);
  EXPECT_EQ(support::snapshot(out.path()).size(), 2u);  // the file as it was, and the guide
  EXPECT_EQ(support::readBytes(file), "new");
  EXPECT_FALSE(h.editor.readChosenFile(out.path() / shell::fromUtf8("нет.txt")));
  ASSERT_EQ(h.dialogs.shown.size(), 2u);
  EXPECT_NE(h.dialogs.shown[0].text.find("Не удалось записать файл"), std::string::npos);
  EXPECT_NE(h.dialogs.shown[1].text.find("нет.txt"), std::string::npos);

  const auto test = support::snapshot(s.root());
  for (const fs::path& own : {s.root() / "1.js", s.root() / "0" / "0.html", s.root() / "0" / "notes.txt"}) {
    EXPECT_FALSE(h.editor.writeChosenFile(own, "x")) << own;
  }
  EXPECT_EQ(support::snapshot(s.root()), test);
  EXPECT_TRUE(h.editor.writeChosenFile(s.root() / "questions.txt", "x"));

  h.editor.mnuHelpGuide_Click();
  EXPECT_EQ(h.browser.opened, (std::vector<std::string>{(out.path() / "guide.html").string()}));
  h.browser.starts = false;
  h.editor.mnuHelpGuide_Click();
  EXPECT_NE(h.dialogs.shown.back().text.find("Не удалось открыть руководство"), std::string::npos);
}

}  // namespace
