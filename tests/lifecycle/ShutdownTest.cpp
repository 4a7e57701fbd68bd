#include <gtest/gtest.h>

#include "shell/Layout.h"
#include "support/Fixtures.h"

namespace {

namespace fs = std::filesystem;
using support::crlfLines;
using support::Session;

TEST(Shutdown, AnIdleRunWritesEveryFileBackAsItWas) {
  // The title page lacks its last line end and holds a full tail; both survive, the first
  // gaining its CR LF.
  Session s({}, [](const fs::path& root) {
    auto title = support::titleLines(6);
    title.resize(44, "<p>\xE0\xE1\xE2</p>");
    std::string bytes = support::crlfJoin(title);
    bytes.resize(bytes.size() - 2);
    support::writeBytes(root / "title.html", bytes);
  });
  const auto before = support::snapshot(s.root());
  s.editor().Form_Unload();
  const auto after = support::snapshot(s.root());
  // The editor's own write: no point of the history.
  EXPECT_EQ(support::differences(before, after), std::vector<std::string>{"changed title.html"});
  EXPECT_EQ(after.at("title.html"), before.at("title.html") + "\r\n");
  EXPECT_TRUE(s.editor().unloaded());
}

// Leaving with the question shown changed and not saved asks once, before anything is written:
// Отмена writes nothing and stays, Нет writes nothing of the question (neither its page nor its
// right answer) and goes on. The picture choice alone is a change too.
TEST(Shutdown, AChangedQuestionIsAskedAboutAndLeftOnNo) {
  Session s;
  const auto model = support::snapshot(s.root());
  s.chooseQuestion(2, 3);
  s.editor().selectOptIm(1);
  s.editor().selectFile2(1);
  const auto& shown = s.h->dialogs.shown;
  s.editor().Form_Unload();  // answered Отмена
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_TRUE(shown[0].yesNoCancel);
  EXPECT_NE(shown[0].text.find("Вопрос 3 этапа 2"), std::string::npos) << shown[0].text;
  EXPECT_FALSE(s.editor().unloaded());
  EXPECT_EQ(support::snapshot(s.root()), model);

  s.form().Text1[5] = "4";
  s.form().Text1[0] = "not saved";
  s.form().Text2 = "course";
  s.h->dialogs.choices = {lifecycle::Dialogs::Answer::No};
  s.editor().cmdEnd_Click();
  EXPECT_TRUE(s.editor().unloaded());
  EXPECT_EQ(crlfLines(s.root() / "1.js")[10 + 2 * 12], support::fixtureAnswer(12));
  EXPECT_EQ(support::readBytes(s.root() / "1" / "2.html"), model.at("1/2.html"));
  EXPECT_EQ(crlfLines(s.root() / "title.html")[4], "course");
}

TEST(Shutdown, TheSettingsFieldsReachEveryPage) {
  Session s;
  s.form().Text2 = "<i>Курс</i>";
  s.form().Text3 = "Отдел & Ко";
  s.form().txtT = "30";
  s.form().txtMin = "";
  s.form().txtAddr = "mailto:x@y";
  s.editor().Form_Unload();
  const auto title = crlfLines(s.root() / "title.html");
  EXPECT_EQ(title[2], "Отдел & Ко");
  EXPECT_EQ(title[4], "<i>Курс</i>");
  EXPECT_EQ(title[6], "6");
  EXPECT_EQ(title[8], "30");
  EXPECT_EQ(title[10], "");
  EXPECT_EQ(title[12], "mailto:x@y");
  EXPECT_EQ(crlfLines(s.root() / "index1.html")[1], "<i>Курс</i>");
  EXPECT_EQ(crlfLines(s.root() / "index.html")[17], "mailto:x@y");
  const auto js = crlfLines(s.root() / "1.js");
  EXPECT_EQ(js[4], "30");
  EXPECT_EQ(js[7], "");
}

TEST(Shutdown, ALeftoverStageIsRemovedByAnIdleRun) {
  Session s({.stageFolders = 7, .stageCountLine = 6});
  EXPECT_EQ(s.state().StageCount, 7);
  EXPECT_FALSE(s.form().cmdMix.Enabled) << "questions moved into the leftover would be lost";
  // Saving its questions cannot complete it: only the flag of question 10 can be set.
  s.chooseQuestion(7, 1);
  s.editor().cmdSave_Click();
  EXPECT_TRUE(s.form().Text1Red);
  s.chooseQuestion(7, 10);
  s.editor().cmdSave_Click();
  EXPECT_EQ(s.state().savedProduct(), 0);
  EXPECT_EQ(s.state().QuestionSaved[9], 1);
  EXPECT_EQ(crlfLines(s.root() / "1.js")[1], "6");

  s.editor().Form_Unload();
  EXPECT_FALSE(fs::exists(s.root() / "6"));
  EXPECT_EQ(crlfLines(s.root() / "1.js")[1], "6");
  EXPECT_EQ(crlfLines(s.root() / "title.html")[6], "6");
  s.restart();
  EXPECT_EQ(s.state().StageCount, 6);
  EXPECT_TRUE(s.form().cmdNewL.Enabled);
  EXPECT_TRUE(s.form().cmdMix.Enabled);
}

TEST(Exit, TheRootCleanUpDeletesOnlyStrayCopiesOfExistingPages) {
  // A copy of a page that still is in its stage folder is deleted.
  {
    Session s;
    fs::copy_file(s.root() / "2" / "3.html", s.root() / "3.html");
    s.editor().cmdEnd_Click();
    EXPECT_FALSE(fs::exists(s.root() / "3.html"));
    EXPECT_TRUE(s.h->dialogs.shown.empty());
    EXPECT_TRUE(s.editor().unloaded());
  }
  // A page found in no stage folder is the only copy of its question: it stays, and the
  // teacher is told which file was kept.
  {
    Session s;
    fs::rename(s.root() / "4" / "7.html", s.root() / "7.html");
    fs::copy_file(s.root() / "0" / "0.html", s.root() / "5.html");
    s.editor().cmdEnd_Click();
    EXPECT_TRUE(fs::exists(s.root() / "7.html"));
    EXPECT_FALSE(fs::exists(s.root() / "5.html"));
    ASSERT_EQ(s.h->dialogs.shown.size(), 1u);
    EXPECT_NE(s.h->dialogs.shown[0].text.find("7.html"), std::string::npos);
    EXPECT_FALSE(s.h->dialogs.shown[0].okCancel);
  }
  // With 0.html found first nothing in the root is deleted; stage folders are not searched.
  {
    Session s;
    support::writeBytes(s.root() / "0.html", "x");
    fs::copy_file(s.root() / "2" / "3.html", s.root() / "3.html");
    s.editor().cmdEnd_Click();
    EXPECT_TRUE(fs::exists(s.root() / "0.html"));
    EXPECT_TRUE(fs::exists(s.root() / "3.html"));
    EXPECT_TRUE(fs::exists(s.root() / "2" / "3.html"));
  }
}

// Да saves the question as cmdSave does (the fault sweep shows it lands in the exit's one
// change). In new-stage entry, saving the tenth question completes the stage, which then stays.
TEST(Shutdown, YesSavesTheQuestionAndCanCompleteANewStage) {
  Session s;
  s.editor().cmdNewL_Click();
  s.chooseStage(7);
  for (int q = 1; q < 10; ++q) {
    s.editor().cmdSave_Click();
    s.editor().cmdNewN_Click();
  }
  s.form().Text1[0] = "question 10";
  s.h->dialogs.choices = {lifecycle::Dialogs::Answer::Yes};
  s.editor().Form_Unload();
  EXPECT_EQ(crlfLines(s.root() / "6" / "9.html")[5], "question 10");
  EXPECT_EQ(crlfLines(s.root() / "1.js")[1], "7");
}

TEST(Shutdown, ClosingInNewStageEntryRemovesTheStageButANormalCloseNothing) {
  Session s;
  s.editor().cmdNewL_Click();
  s.chooseStage(7);
  s.editor().cmdSave_Click();
  s.editor().Form_Unload();
  EXPECT_FALSE(fs::exists(s.root() / "6"));
  EXPECT_EQ(crlfLines(s.root() / "1.js")[1], "6");

  s.restart();
  const auto before = support::snapshot(s.root());
  s.editor().Form_Unload();
  EXPECT_TRUE(support::differences(before, support::snapshot(s.root())).empty());
}

}  // namespace
