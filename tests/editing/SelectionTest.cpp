#include <gtest/gtest.h>

#include "shell/Layout.h"
#include "shell/ShellError.h"
#include "support/Fixtures.h"

namespace {

namespace fs = std::filesystem;
using support::pageLines;
using support::Session;

std::vector<std::string> shownFields(const lifecycle::Form& f) {
  return {f.Text1.begin(), f.Text1.end()};
}

std::vector<std::string> expectedFields(int stage, int question) {
  auto page = pageLines(stage, question);
  return {page[5], page[7], page[9], page[11], page[13],
          support::fixtureAnswer(shell::answerSlot(stage, question))};
}

TEST(Selection, ChoosingAStageListsItsQuestionsAndShowsOne) {
  Session s;
  s.chooseStage(3);
  EXPECT_EQ(s.state().CurStage, 3);
  EXPECT_EQ(s.form().File1.Path, s.root() / "2");
  EXPECT_EQ(s.form().List2.Rows,
            (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}));
  EXPECT_TRUE(s.form().List2.Enabled);
  EXPECT_TRUE(s.form().cmdSave.Enabled);
  // With no question chosen yet, the question at the last stage's count is shown.
  EXPECT_EQ(s.form().List2.ListIndex, 9);
  EXPECT_EQ(s.state().CurQuestion, 10);

  s.chooseQuestion(2, 4);
  EXPECT_EQ(s.state().PagePath, s.root() / "1" / "3.html");
  EXPECT_EQ(shownFields(s.form()), expectedFields(2, 4));
  EXPECT_EQ(s.form().Text1[5], support::fixtureAnswer(13));
  EXPECT_EQ(s.state().PageTailCount, 2);
  EXPECT_FALSE(s.form().Text1Red);

  // The newest question of the last stage is shown red; a full test's is question 10 of 6.
  s.chooseQuestion(6, 10);
  EXPECT_TRUE(s.form().Text1Red);
  s.chooseQuestion(6, 9);
  EXPECT_FALSE(s.form().Text1Red);
  s.chooseQuestion(5, 10);
  EXPECT_FALSE(s.form().Text1Red);
}

TEST(Selection, BlankRowsOfAShortLastStageLeadToItsNewestQuestion) {
  Session s;
  auto& e = s.editor();
  // A new stage 7 with four questions open.
  e.cmdNewL_Click();
  s.chooseQuestion(7, 1);
  for (int q = 1; q <= 3; ++q) {
    e.cmdSave_Click();
    e.cmdNewN_Click();
  }
  ASSERT_EQ(s.state().LastStageQuestions, 4);
  ASSERT_EQ(s.state().CurQuestion, 4);

  s.chooseQuestion(2, 8);
  ASSERT_EQ(s.form().List2.ListIndex, 7);
  s.chooseStage(7);
  EXPECT_EQ(s.form().List2.Rows,
            (std::vector<std::string>{"1", "2", "3", "4", "", "", "", "", "", ""}));
  EXPECT_EQ(s.form().List2.ListIndex, 3);
  EXPECT_EQ(s.state().CurQuestion, 4);
  EXPECT_EQ(s.state().PagePath, s.root() / "6" / "3.html");
  EXPECT_TRUE(s.form().Text1Red);

  // Any other stage lists all ten, whatever the last stage holds.
  s.chooseStage(1);
  EXPECT_EQ(s.form().List2.Rows.back(), "10");
  EXPECT_EQ(s.state().CurQuestion, 4);

  // A blank selected row shows the newest question of the last stage instead.
  s.chooseStage(7);
  s.form().List2.ListIndex = 8;
  e.List2_Click();
  EXPECT_EQ(s.form().List2.ListIndex, 3);
  EXPECT_EQ(s.state().CurQuestion, 4);
}

TEST(Selection, ABlankStageRowChoosesTheLastStage) {
  Session s;
  s.form().List1.Rows.push_back("");
  s.form().List1.ListIndex = 6;
  s.editor().List1_Click();
  EXPECT_EQ(s.form().List1.ListIndex, 5);
  EXPECT_EQ(s.state().CurStage, 6);
}

TEST(Selection, PictureLineSetsTheOptionTheListAndThePreview) {
  Session s({.pictures = 4});
  // Page 3 of stage 1 names picture (1 + 3) % 4 + 1 = 1; page 6 names 4.
  s.chooseQuestion(1, 6);
  EXPECT_EQ(s.form().optIm, 1);
  EXPECT_TRUE(s.form().File2.Enabled);
  EXPECT_EQ(s.form().File2.ListIndex, 3);
  EXPECT_EQ(s.form().Image1.Path, s.root() / "pics" / "4.gif");
  EXPECT_EQ(s.form().Image1.Bytes, "GIF89a picture 4");

  s.chooseQuestion(1, 5);  // "00"
  EXPECT_EQ(s.form().optIm, 0);
  EXPECT_FALSE(s.form().File2.Enabled);
  EXPECT_TRUE(s.form().Image1.empty());
  EXPECT_EQ(s.form().File2.ListIndex, 3) << "the list keeps its entry under \"Нет\"";
}

TEST(Selection, APictureLineThatNamesNoPictureShowsYesWithNothingChosen) {
  for (const std::string line : {"", "7", "ab", "0"}) {
    SCOPED_TRACE("picture line \"" + line + "\"");
    Session s({.pictures = 3}, [&](const fs::path& root) {
      support::writeBytes(root / "0" / "1.html", support::crlfJoin(pageLines(1, 2, line)));
    });
    s.chooseQuestion(1, 3);  // picture 2: the list has an entry chosen before
    ASSERT_EQ(s.form().File2.ListIndex, 1);
    s.chooseQuestion(1, 2);
    EXPECT_EQ(s.form().optIm, 1);
    EXPECT_EQ(s.form().File2.ListIndex, -1);
    EXPECT_TRUE(s.form().Image1.empty());

    // Saving with "Да" and no picture chosen keeps the line as it was read.
    s.form().Text1[0] = "edited";
    s.editor().cmdSave_Click();
    const auto lines = support::crlfLines(s.root() / "0" / "1.html");
    EXPECT_EQ(lines[3], line);
    EXPECT_EQ(lines[5], "edited");
  }
}

TEST(Selection, APictureThatCannotBeReadShowsAnEmptyPreview) {
  support::TempDir dir;
  support::buildShell(dir.path(), {.pictures = 3});
  support::Harness h(dir.path());
  h.ownDisk.failPaths = {dir.path() / "pics" / "2.gif"};
  h.editor.Form_Load();
  h.editor.selectList1(0);
  h.editor.selectList2(2);  // page 3 names picture 2
  EXPECT_EQ(h.editor.form.optIm, 1);
  EXPECT_EQ(h.editor.form.File2.ListIndex, 1);
  EXPECT_TRUE(h.editor.form.Image1.empty());
  EXPECT_EQ(h.editor.form.Text1[0], pageLines(1, 3)[5]);
}

TEST(Picture, OptionAndListRules) {
  Session s({.pictures = 3});
  auto& e = s.editor();
  auto& f = s.form();
  // "Да" without a current entry enables the list and leaves the preview empty.
  ASSERT_EQ(f.File2.ListIndex, -1);
  EXPECT_TRUE(e.selectOptIm(1));
  EXPECT_TRUE(f.File2.Enabled);
  EXPECT_TRUE(f.Image1.empty());
  EXPECT_TRUE(e.selectFile2(1));
  EXPECT_EQ(f.Image1.Path, s.root() / "pics" / "2.gif");
  // "Нет" clears the preview and keeps the entry; "Да" again previews it again.
  EXPECT_TRUE(e.selectOptIm(0));
  EXPECT_TRUE(f.Image1.empty());
  EXPECT_FALSE(f.File2.Enabled);
  EXPECT_EQ(f.File2.ListIndex, 1);
  EXPECT_FALSE(e.selectOptIm(0)) << "an option already selected gives no click";
  e.selectFile2(2);
  EXPECT_TRUE(f.Image1.empty()) << "a list click under \"Нет\" shows nothing";
  e.selectOptIm(1);
  EXPECT_EQ(f.Image1.Path, s.root() / "pics" / "3.gif");
}

TEST(Selection, MissingOrBrokenPagesStopTheChoiceWithAMessageAndWriteNothing) {
  struct Case {
    const char* what;
    std::function<void(const fs::path&)> breakIt;
    int stage, question;
    const char* file;
    const char* problem;
  };
  const Case cases[] = {
      {"page missing", [](auto& r) { fs::remove(r / "2" / "6.html"); }, 3, 1, "2/6.html",
       "не найдена"},
      {"page of 13 lines",
       [](auto& r) {
         auto l = pageLines(4, 2);
         l.resize(13);
         support::writeBytes(r / "3" / "1.html", support::crlfJoin(l));
       },
       4, 2, "3/1.html", "13 строк, а нужно не меньше 14"},
      {"page tail too long",
       [](auto& r) {
         auto l = pageLines(4, 2);
         l.resize(36, "<p>");
         support::writeBytes(r / "3" / "1.html", support::crlfJoin(l));
       },
       4, 2, "3/1.html", "36 строк, а допускается не больше 35"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Session s;
    c.breakIt(s.root());
    const auto before = support::snapshot(s.root());
    try {
      s.chooseQuestion(c.stage, c.question);
      ADD_FAILURE() << "the choice went through";
    } catch (const shell::ShellError& e) {
      EXPECT_EQ(e.file(), c.file);
      EXPECT_NE(std::string(e.what()).find(c.problem), std::string::npos) << e.what();
    }
    EXPECT_TRUE(support::differences(before, support::snapshot(s.root())).empty());
  }
}

TEST(Selection, AStageFolderRemovedByHandIsNamed) {
  Session s;
  fs::remove_all(s.root() / "5");
  try {
    s.chooseStage(6);
    FAIL() << "the stage was chosen";
  } catch (const shell::ShellError& e) {
    EXPECT_EQ(e.file(), "5");
    EXPECT_NE(std::string(e.what()).find("папка этапа 6 не найдена"), std::string::npos);
  }
}

}  // namespace
