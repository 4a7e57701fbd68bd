#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <set>

#include "shell/Layout.h"
#include "support/Fixtures.h"

namespace {

namespace fs = std::filesystem;
using support::crlfLines;
using support::differences;
using support::Session;
using support::snapshot;

// The lines of a file that differ from another version of it, by 0-based number.
std::vector<int> changedLines(const std::string& before, const fs::path& after) {
  auto split = [](const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t p; (p = bytes.find("\r\n", start)) != std::string::npos; start = p + 2) {
      lines.push_back(bytes.substr(start, p - start));
    }
    return lines;
  };
  const auto a = split(before), b = split(support::readBytes(after));
  std::vector<int> out;
  for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
    if (i >= a.size() || i >= b.size() || a[i] != b[i]) out.push_back(static_cast<int>(i));
  }
  return out;
}

TEST(Save, TheWorkedExampleChangesOneAnswerLineAndOneAnswerSlot) {
  Session s;
  const auto before = snapshot(s.root());
  s.chooseQuestion(3, 4);
  s.form().Text1[2] = "\xCD\xEE\xE2\xFB\xE9 \xEE\xF2\xE2\xE5\xF2";  // "Новый ответ"
  s.form().Text1[5] = "2";
  s.editor().cmdSave_Click();

  // The history's folder comes with the first change, holding its record.
  EXPECT_EQ(differences(before, snapshot(s.root())),
            (std::vector<std::string>{"changed 1.js", "changed 2/3.html", "added .editor-history/",
                                      "added .editor-history/1-0-p.rec"}));
  EXPECT_EQ(changedLines(before.at("2/3.html"), s.root() / "2" / "3.html"), std::vector<int>{9});
  EXPECT_EQ(crlfLines(s.root() / "2" / "3.html")[9], s.form().Text1[2]);
  EXPECT_EQ(changedLines(before.at("1.js"), s.root() / "1.js"), std::vector<int>{10 + 2 * 23});
  EXPECT_EQ(crlfLines(s.root() / "1.js")[56], "2");
  EXPECT_FALSE(s.form().Text1Red);
  EXPECT_TRUE(s.form().cmdDelLast.Enabled);
}

TEST(Save, BeforeAnyQuestionOnlyTheSettingsAreWritten) {
  Session s;
  const auto before = snapshot(s.root());
  s.form().Text2 = "<b>Курс & \"кавычки\"</b>";  // markup goes in as typed
  s.form().Text3 = "";
  s.form().txtT = "abc";
  s.form().txtMin = "75";
  s.form().txtAddr = "http://new.example/handler";
  s.editor().cmdSave_Click();

  EXPECT_EQ(differences(before, snapshot(s.root())),
            (std::vector<std::string>{"changed 1.js", "changed index1.html", "changed title.html",
                                      "added .editor-history/", "added .editor-history/1-0-p.rec"}));
  const auto title = crlfLines(s.root() / "title.html");
  EXPECT_EQ(title[2], "");
  EXPECT_EQ(title[4], s.form().Text2);
  EXPECT_EQ(title[6], "6");
  EXPECT_EQ(title[8], "abc");
  EXPECT_EQ(title[10], "75");
  EXPECT_EQ(crlfLines(s.root() / "index1.html")[1], s.form().Text2);
  const auto js = crlfLines(s.root() / "1.js");
  EXPECT_EQ(js[4], "abc");
  EXPECT_EQ(js[7], "75");
  for (int slot = 0; slot < 100; ++slot) EXPECT_EQ(js[10 + 2 * slot], support::fixtureAnswer(slot));

  // The address reaches the pages only at shutdown.
  const std::string oldAddress = support::titleLines(6)[12];
  EXPECT_EQ(title[12], oldAddress);
  EXPECT_EQ(crlfLines(s.root() / "index.html")[17], oldAddress);
  s.editor().Form_Unload();
  EXPECT_EQ(crlfLines(s.root() / "title.html")[12], "http://new.example/handler");
  EXPECT_EQ(crlfLines(s.root() / "index.html")[17], "http://new.example/handler");
}

// The operations of the clicks since `failAt(0)` that change the disk, with paths relative to
// the root.
std::vector<std::string> changesMade(Session& s) {
  static const std::set<std::string> changing{"putFile",    "putFileUnsynced", "syncFile",
                                              "renameFile", "deleteFile",      "makeFolder",
                                              "removeFolder", "syncFolder"};
  std::vector<std::string> out;
  for (const auto& op : s.h->ownDisk.log()) {
    if (changing.count(op.name) != 0) {
      out.push_back(op.name + " " + op.path.lexically_relative(s.root()).generic_string());
    }
  }
  s.h->ownDisk.failAt(0);
  return out;
}

// A file whose bytes stay is not written: one page changed is one temporary beside it, one
// rename and one sync of its folder, with the history's record written beside the temporary
// and never synced (the first change makes the history's folder); a page and 1.js go through
// the journal; nothing changed writes nothing. A file that another program changed or removed behind the editor's back is
// written as the editor has it, as it always was.
TEST(Save, OnlyTheFilesWhoseBytesChangeAreWritten) {
  Session s;
  s.chooseQuestion(3, 4);
  changesMade(s);
  s.form().Text1[0] = "changed text";
  s.editor().cmdSave_Click();
  EXPECT_EQ(changesMade(s),
            (std::vector<std::string>{"makeFolder .editor-history", "putFileUnsynced .editor-history/1-0-p.rec",
                                      "putFileUnsynced 2/.3.html.tmp", "syncFile 2/.3.html.tmp",
                                      "renameFile 2/.3.html.tmp", "syncFolder 2"}));
  s.form().Text1[0] = "changed again";
  s.editor().cmdSave_Click();
  EXPECT_EQ(changesMade(s),
            (std::vector<std::string>{"putFileUnsynced .editor-history/2-1-p.rec", "putFileUnsynced 2/.3.html.tmp",
                                      "syncFile 2/.3.html.tmp",
                                      "renameFile 2/.3.html.tmp", "syncFolder 2"}));
  EXPECT_EQ(crlfLines(s.root() / "2" / "3.html")[5], "changed again");

  s.form().Text1[1] = "changed answer";
  s.form().Text1[5] = "3";
  s.editor().cmdSave_Click();
  const auto both = changesMade(s);
  EXPECT_EQ(std::count(both.begin(), both.end(), "putFile .changes.journal"), 1);
  EXPECT_EQ(std::count_if(both.begin(), both.end(),
                          [](const std::string& op) { return op.starts_with("renameFile"); }),
            2);
  EXPECT_EQ(crlfLines(s.root() / "1.js")[10 + 2 * 23], "3");

  s.editor().cmdSave_Click();
  EXPECT_EQ(changesMade(s), std::vector<std::string>{});

  // title.html rewritten in place with other bytes of its size, a while later; index.html
  // replaced by a copy of its size; index1.html removed.
  const auto saved = snapshot(s.root());
  std::string other = saved.at("title.html");
  other[0] = 'X';
  support::writeBytes(s.root() / "title.html", other);
  fs::last_write_time(s.root() / "title.html",
                      fs::last_write_time(s.root() / "title.html") + std::chrono::seconds(2));
  support::writeBytes(s.root() / "copy", std::string(saved.at("index.html").size(), 'X'));
  fs::rename(s.root() / "copy", s.root() / "index.html");
  fs::remove(s.root() / "index1.html");
  s.editor().cmdEnd_Click();
  // The editor's own writes, on files the last save did not write: in no record.
  EXPECT_EQ(differences(saved, snapshot(s.root())), std::vector<std::string>{});
  EXPECT_TRUE(s.editor().unloaded());
}

// The ordinal is written from a new stage until a removal, and never in a run that only
// recovers a leftover stage, although mixing is not offered there either.
TEST(Save, TheOrdinalLineIsWrittenOnlyFromANewStageUntilARemoval) {
  auto moved = [](const fs::path& root) {
    auto page = support::pageLines(3, 7);
    page[1] = "99";
    support::writeBytes(root / "2" / "6.html", support::crlfJoin(page));
  };
  Session s({}, moved);
  s.chooseQuestion(3, 7);
  s.editor().cmdSave_Click();
  EXPECT_EQ(crlfLines(s.root() / "2" / "6.html")[1], "99");
  s.editor().cmdNewL_Click();
  s.chooseQuestion(3, 7);
  s.editor().cmdSave_Click();
  EXPECT_EQ(crlfLines(s.root() / "2" / "6.html")[1], "27");
  s.editor().cmdDelLast_Click();
  support::writeBytes(s.root() / "2" / "6.html", support::crlfJoin([] {
                        auto page = support::pageLines(3, 7);
                        page[1] = "98";
                        return page;
                      }()));
  s.chooseQuestion(3, 7);
  s.editor().cmdSave_Click();
  EXPECT_EQ(crlfLines(s.root() / "2" / "6.html")[1], "98");

  Session leftover({.stageFolders = 7, .stageCountLine = 6}, moved);
  ASSERT_FALSE(leftover.form().cmdMix.Enabled);
  leftover.chooseQuestion(3, 7);
  leftover.editor().cmdSave_Click();
  EXPECT_EQ(crlfLines(leftover.root() / "2" / "6.html")[1], "99");
}

TEST(Save, PictureLineAndAnswersAsTheFieldsHoldThem) {
  Session s({.pictures = 5});
  s.chooseQuestion(2, 1);
  auto& e = s.editor();
  e.selectOptIm(1);
  e.selectFile2(3);
  s.form().Text1[5] = "\xF1\xEB\xEE\xE2\xEE";  // a word, stored as typed
  s.form().Text1[4] = "";
  e.cmdSave_Click();
  auto page = crlfLines(s.root() / "1" / "0.html");
  EXPECT_EQ(page[3], "4");
  EXPECT_EQ(page[13], "");
  EXPECT_EQ(page.size(), 16u);
  EXPECT_EQ(crlfLines(s.root() / "1.js")[10 + 2 * 10], s.form().Text1[5]);

  e.selectOptIm(0);
  e.cmdSave_Click();
  EXPECT_EQ(crlfLines(s.root() / "1" / "0.html")[3], "00");
}

TEST(Save, NewStageBookkeeping) {
  Session s;
  auto& e = s.editor();
  auto& st = s.state();
  e.cmdNewL_Click();
  s.chooseQuestion(7, 1);
  e.cmdSave_Click();
  e.cmdNewN_Click();
  e.cmdSave_Click();
  e.cmdNewN_Click();
  ASSERT_EQ(st.StageCount, 7);
  ASSERT_EQ(st.LastStageQuestions, 3);

  // Another question of the new stage: no flag, no new question released.
  s.chooseQuestion(7, 2);
  e.cmdSave_Click();
  EXPECT_EQ(st.QuestionSaved[2], 0);
  EXPECT_FALSE(s.form().cmdNewN.Enabled);
  EXPECT_TRUE(s.form().Text1Red);

  // The newest one: its flag, the next question released, the old count written.
  s.chooseQuestion(7, 3);
  e.cmdSave_Click();
  EXPECT_EQ(st.QuestionSaved[2], 1);
  EXPECT_TRUE(s.form().cmdNewN.Enabled);
  EXPECT_EQ(s.form().Label11.Caption, "3");
  EXPECT_EQ(s.form().Label9.Caption, "6");
  EXPECT_TRUE(s.form().Text1Red);
  EXPECT_EQ(crlfLines(s.root() / "title.html")[6], "6");
  EXPECT_EQ(crlfLines(s.root() / "1.js")[1], "6");
  EXPECT_EQ(crlfLines(s.root() / "6" / "2.html")[1], "63") << "ordinal written: mixing is off";

  for (int q = 4; q <= 10; ++q) {
    e.cmdNewN_Click();
    ASSERT_EQ(st.CurQuestion, q);
    e.cmdSave_Click();
  }
  // The save that completes the stage writes the full count into both files.
  EXPECT_EQ(st.savedProduct(), 1);
  EXPECT_FALSE(s.form().cmdNewN.Enabled);
  EXPECT_FALSE(s.form().Text1Red);
  EXPECT_EQ(s.form().Label9.Caption, "7");
  EXPECT_EQ(crlfLines(s.root() / "title.html")[6], "7");
  EXPECT_EQ(crlfLines(s.root() / "1.js")[1], "7");
  EXPECT_EQ(crlfLines(s.root() / "6" / "9.html")[1], "70");
}

}  // namespace
