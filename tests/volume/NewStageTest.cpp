#include <gtest/gtest.h>

#include "shell/Layout.h"
#include "shell/ShellError.h"
#include "support/Fixtures.h"

namespace {

namespace fs = std::filesystem;
using support::crlfLines;
using support::Session;

struct Buttons {
  bool newL, newN, delLast, mix, save;
  bool operator==(const Buttons&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Buttons& b) {
  return out << "cmdNewL " << b.newL << ", cmdNewN " << b.newN << ", cmdDelLast " << b.delLast
             << ", cmdMix " << b.mix << ", cmdSave " << b.save;
}

Buttons buttons(const lifecycle::Form& f) {
  return {f.cmdNewL.Enabled, f.cmdNewN.Enabled, f.cmdDelLast.Enabled, f.cmdMix.Enabled,
          f.cmdSave.Enabled};
}

// The flags as a string, "1110000000" for Saved(3).
std::string flags(const lifecycle::EditorState& s) {
  std::string out;
  for (auto f : s.QuestionSaved) out += static_cast<char>('0' + f);
  return out;
}

TEST(NewStage, ButtonsAndStatesThroughOneCompleteAddition) {
  Session s;
  auto& e = s.editor();
  const auto& st = s.state();
  EXPECT_EQ(buttons(s.form()), (Buttons{true, false, true, true, true})) << "after start-up";
  EXPECT_EQ(flags(st), "1111111111");

  e.cmdNewL_Click();
  EXPECT_EQ(buttons(s.form()), (Buttons{false, false, false, false, false})) << "after cmdNewL";
  EXPECT_EQ(st.LastStageQuestions, 1);
  EXPECT_EQ(flags(st), "0000000000") << "Open(1)";

  s.chooseStage(7);
  EXPECT_EQ(st.CurQuestion, 1) << "the new stage shows its question 1";
  EXPECT_TRUE(s.form().Text1Red);
  EXPECT_EQ(buttons(s.form()), (Buttons{false, false, false, false, true}))
      << "new stage chosen";

  for (int k = 1; k <= 9; ++k) {
    SCOPED_TRACE("question " + std::to_string(k));
    e.cmdSave_Click();
    EXPECT_EQ(buttons(s.form()), (Buttons{false, true, true, false, true})) << "k < 10 saved";
    EXPECT_EQ(flags(st), std::string(static_cast<std::size_t>(k), '1') +
                             std::string(static_cast<std::size_t>(10 - k), '0'))
        << "Saved(k)";
    EXPECT_EQ(st.LastStageQuestions, k);
    e.cmdNewN_Click();
    EXPECT_EQ(st.CurQuestion, k + 1);
    EXPECT_TRUE(s.form().Text1Red);
    EXPECT_EQ(s.form().List2.ListIndex, k);
    if (k + 1 < 10) {
      EXPECT_EQ(buttons(s.form()), (Buttons{false, false, true, false, true})) << "cmdNewN, < 10";
    } else {
      EXPECT_EQ(buttons(s.form()), (Buttons{true, false, true, false, true})) << "cmdNewN, 10";
    }
    EXPECT_EQ(flags(st), std::string(static_cast<std::size_t>(k), '1') +
                             std::string(static_cast<std::size_t>(10 - k), '0'))
        << "Open(k+1)";
  }
  e.cmdSave_Click();
  EXPECT_EQ(buttons(s.form()), (Buttons{true, false, true, false, true})) << "question 10 saved";
  EXPECT_EQ(flags(st), "1111111111") << "Normal";
  EXPECT_EQ(st.LastStageQuestions, 10);
  EXPECT_EQ(st.StageCount, 7);

  // Closing keeps the completed stage, and the next start finds seven complete stages.
  e.Form_Unload();
  EXPECT_TRUE(fs::exists(s.root() / "6" / "9.html"));
  EXPECT_EQ(crlfLines(s.root() / "1.js")[1], "7");
  s.restart();
  EXPECT_EQ(s.state().StageCount, 7);
  EXPECT_EQ(s.state().savedProduct(), 1);
  EXPECT_TRUE(s.form().cmdMix.Enabled);
}

TEST(NewStage, TheNewFolderHoldsCopiesOfTheLastStage) {
  Session s;
  const auto before = support::snapshot(s.root());
  s.editor().cmdNewL_Click();
  const auto after = support::snapshot(s.root());
  for (int q = 1; q <= 10; ++q) {
    EXPECT_EQ(after.at("6/" + shell::pageName(q)), before.at("5/" + shell::pageName(q)));
  }
  EXPECT_EQ(support::differences(before, after).size(), 13u) << "the folder and ten pages, the history and its record";
  EXPECT_EQ(s.state().StageCount, 7);
  EXPECT_EQ(s.form().List1.Rows, (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7"}));
  EXPECT_EQ(s.form().Label9.Caption, "6");
  EXPECT_EQ(s.form().Label11.Caption, "0");

  // Closing at once removes the folder again and keeps the old count.
  s.editor().Form_Unload();
  EXPECT_FALSE(fs::exists(s.root() / "6"));
  EXPECT_EQ(crlfLines(s.root() / "1.js")[1], "6");
  EXPECT_EQ(crlfLines(s.root() / "title.html")[6], "6");
}

TEST(NewStage, AnEleventhStageAndAStageWithoutTemplateAreRefused) {
  Session full({.stageFolders = 10});
  EXPECT_FALSE(full.form().cmdNewL.Enabled);
  const auto before = support::snapshot(full.root());
  full.editor().cmdNewL_Click();
  EXPECT_TRUE(support::differences(before, support::snapshot(full.root())).empty());
  EXPECT_EQ(full.state().StageCount, 10);

  // Nine stages: the tenth may be added, and completing it does not release an eleventh.
  Session nine({.stageFolders = 9});
  auto& e = nine.editor();
  e.cmdNewL_Click();
  nine.chooseStage(10);
  for (int q = 1; q <= 10; ++q) {
    e.cmdSave_Click();
    if (q < 10) e.cmdNewN_Click();
    EXPECT_FALSE(nine.form().cmdNewL.Enabled) << "question " << q;
  }
  EXPECT_EQ(nine.state().StageCount, 10);

  Session empty({.stageFolders = 0});
  EXPECT_FALSE(empty.form().cmdNewL.Enabled);
  EXPECT_FALSE(empty.form().cmdDelLast.Enabled);
  empty.editor().cmdNewL_Click();
  EXPECT_FALSE(fs::exists(empty.root() / "0"));
}

TEST(NewStage, AMissingTemplatePageStopsBeforeAnythingIsMade) {
  Session s;
  fs::remove(s.root() / "5" / "4.html");
  EXPECT_THROW(s.editor().cmdNewL_Click(), shell::ShellError);
  EXPECT_FALSE(fs::exists(s.root() / "6"));
}

TEST(NewQuestion, EdgeCases) {
  Session s;
  auto& e = s.editor();
  e.cmdNewL_Click();
  s.chooseStage(7);
  for (int q = 1; q <= 3; ++q) {
    e.cmdSave_Click();
    if (q < 3) e.cmdNewN_Click();
  }
  e.cmdNewN_Click();
  EXPECT_EQ(s.state().LastStageQuestions, 4);
  EXPECT_EQ(s.form().List2.Rows, (std::vector<std::string>{"1", "2", "3", "4"}));
  EXPECT_EQ(s.form().List2.ListIndex, 3);
  EXPECT_EQ(s.state().PagePath, s.root() / "6" / "3.html");
  EXPECT_EQ(s.form().Text1[0], support::pageLines(6, 4)[5]) << "the template page is shown";
  EXPECT_TRUE(s.form().Text1Red);
  EXPECT_FALSE(s.form().cmdNewN.Enabled);
  EXPECT_TRUE(s.form().cmdSave.Enabled);
  EXPECT_FALSE(s.form().cmdNewL.Enabled);

  // At ten already, the click only disables itself and releases a new stage.
  Session normal;
  normal.form().cmdNewN.Enabled = true;
  normal.editor().cmdNewN_Click();
  EXPECT_EQ(normal.state().LastStageQuestions, 10);
  EXPECT_FALSE(normal.form().cmdNewN.Enabled);
  EXPECT_TRUE(normal.form().cmdNewL.Enabled);
  EXPECT_TRUE(normal.form().List2.Rows.empty());
}

TEST(RemoveLastStage, OkRemovesTheTopStageAndCancelNothing) {
  Session s({.stageFolders = 7});
  s.chooseQuestion(7, 2);
  auto before = support::snapshot(s.root());

  s.h->dialogs.answers = {false};
  s.editor().cmdDelLast_Click();
  ASSERT_EQ(s.h->dialogs.shown.size(), 1u);
  EXPECT_EQ(s.h->dialogs.shown[0].text, "Вы действительно хотите удалить верхний уровень теста?");
  EXPECT_EQ(s.h->dialogs.shown[0].title, "VARNOLIX");
  EXPECT_TRUE(s.h->dialogs.shown[0].okCancel);
  EXPECT_TRUE(support::differences(before, support::snapshot(s.root())).empty());
  EXPECT_EQ(s.state().StageCount, 7);
  EXPECT_EQ(s.state().CurQuestion, 2);

  s.h->dialogs.answers = {true};
  s.editor().cmdDelLast_Click();
  EXPECT_FALSE(fs::exists(s.root() / "6"));
  EXPECT_EQ(s.state().StageCount, 6);
  EXPECT_EQ(s.form().List1.Rows, (std::vector<std::string>{"1", "2", "3", "4", "5", "6", ""}));
  EXPECT_EQ(s.form().List1.ListIndex, 5);
  EXPECT_EQ(s.state().CurStage, 6);
  EXPECT_EQ(s.state().PagePath.parent_path(), s.root() / "5");
  EXPECT_TRUE(s.form().List2.Enabled);
  EXPECT_EQ(s.form().Label9.Caption, "6");
  EXPECT_EQ(s.form().Label11.Caption, "10");
  EXPECT_TRUE(s.form().cmdNewL.Enabled);
  EXPECT_TRUE(s.form().cmdMix.Enabled);
  EXPECT_TRUE(s.form().cmdDelLast.Enabled);
  EXPECT_EQ(crlfLines(s.root() / "1.js")[1], "6") << "the count goes with the removal";
  EXPECT_EQ(crlfLines(s.root() / "title.html")[6], "6");
}

TEST(RemoveLastStage, AbandonsANewStageAndStopsAtNone) {
  Session s({.stageFolders = 2});
  auto& e = s.editor();
  e.cmdNewL_Click();
  s.chooseStage(3);
  e.cmdSave_Click();
  e.cmdNewN_Click();
  e.cmdSave_Click();
  EXPECT_EQ(crlfLines(s.root() / "1.js")[1], "2");
  e.cmdDelLast_Click();
  EXPECT_FALSE(fs::exists(s.root() / "2"));
  EXPECT_EQ(s.state().StageCount, 2);
  EXPECT_EQ(s.state().savedProduct(), 1);
  EXPECT_EQ(s.state().LastStageQuestions, 10);
  EXPECT_TRUE(s.form().cmdMix.Enabled);
  EXPECT_EQ(crlfLines(s.root() / "1.js")[1], "2");

  e.cmdDelLast_Click();
  e.cmdDelLast_Click();
  EXPECT_EQ(s.state().StageCount, 0);
  EXPECT_FALSE(fs::exists(s.root() / "0"));
  EXPECT_FALSE(s.form().cmdDelLast.Enabled);
  EXPECT_FALSE(s.form().cmdNewL.Enabled);
  EXPECT_FALSE(s.form().List2.Enabled);
  // The question shown went with its stage: a save writes the settings only.
  EXPECT_EQ(s.state().CurQuestion, 0);
  e.cmdSave_Click();
  EXPECT_FALSE(fs::exists(s.root() / "0"));
  const auto shownBoxes = s.h->dialogs.shown.size();
  e.cmdDelLast_Click();
  EXPECT_EQ(s.h->dialogs.shown.size(), shownBoxes) << "no stage: the removal is not offered";
  e.Form_Unload();
  EXPECT_EQ(crlfLines(s.root() / "1.js")[1], "0");
  s.restart();
  EXPECT_TRUE(s.form().List1.Rows.empty());
}

}  // namespace
