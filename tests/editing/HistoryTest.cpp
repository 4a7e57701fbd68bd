// The history of the test's changes: every change undone and redone to the byte, in this run and
// the next; a return to a point in one change; a history that does not match the test (missing,
// garbage, the files changed by another program) never used and never in the way; its bounds.

#include <gtest/gtest.h>

#include "shell/History.h"
#include "shell/Layout.h"
#include "support/Fixtures.h"

namespace {

namespace fs = std::filesystem;
using support::Session;
using Files = std::map<std::string, std::string>;

// The test's own files, without the history beside them.
Files testFiles(const fs::path& root) { return support::testFilesOf(support::snapshot(root)); }

std::size_t records(const fs::path& root) {
  const fs::path folder = root / shell::kHistoryFolder;
  if (!fs::is_directory(folder)) return 0;
  return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

void saveText(Session& s, int stage, int question, const std::string& text) {
  s.chooseQuestion(stage, question);
  s.form().Text1[0] = text;
  s.editor().cmdSave_Click();
}

std::string lineOf(const fs::path& file, std::size_t line) { return support::crlfLines(file).at(line); }

// A line of a file of the test as a hand edit leaves it.
void editLine(const fs::path& file, std::size_t line, const std::string& text) {
  auto lines = support::crlfLines(file);
  lines.at(line) = text;
  support::writeBytes(file, support::crlfJoin(lines));
}

// A save, a new stage entered to its tenth question, a removal of the last stage and a mixing:
// each taken back by an undo and brought again by a redo, to the byte, with the editor started
// again between them; the window shows the test as it then is. No undo while a stage is entered.
TEST(History, EveryChangeIsUndoneAndRedoneToTheByteAcrossRuns) {
  Session s({.stageFolders = 6});
  const Files base = testFiles(s.root());
  EXPECT_FALSE(s.form().mnuEditUndo.Enabled);
  EXPECT_FALSE(s.form().mnuEditHistory.Enabled);

  saveText(s, 3, 4, "changed text");
  const Files saved = testFiles(s.root());
  EXPECT_EQ(s.form().mnuEditUndo.Caption, "Отменить: сохранение вопроса 4 этапа 3");

  s.editor().cmdNewL_Click();
  EXPECT_FALSE(s.form().mnuEditUndo.Enabled) << "not while the new stage is entered";
  s.editor().mnuEditUndo_Click();
  EXPECT_TRUE(fs::is_directory(s.root() / "6"));
  s.chooseStage(7);
  s.editor().cmdSave_Click();
  for (int q = 2; q <= 10; ++q) {
    EXPECT_FALSE(s.form().mnuEditUndo.Enabled);
    s.editor().cmdNewN_Click();
    s.form().Text1[0] = "question " + std::to_string(q) + " of stage 7";
    s.editor().cmdSave_Click();
  }
  ASSERT_FALSE(s.state().inNewStageEntry());
  EXPECT_EQ(s.form().mnuEditUndo.Caption, "Отменить: новый этап 7");
  const Files staged = testFiles(s.root());

  s.editor().cmdDelLast_Click();
  ASSERT_FALSE(fs::exists(s.root() / "6"));
  EXPECT_EQ(s.form().mnuEditUndo.Caption, "Отменить: удаление этапа 7");
  const Files removed = testFiles(s.root());

  s.editor().cmdMix_Click();
  const Files mixed = testFiles(s.root());
  ASSERT_NE(mixed, removed);
  EXPECT_EQ(s.form().mnuEditUndo.Caption, "Отменить: смена порядка вопросов");

  const std::vector<const Files*> back{&removed, &staged, &saved, &base};
  for (std::size_t i = 0; i < back.size(); ++i) {
    SCOPED_TRACE("undo " + std::to_string(i + 1));
    ASSERT_TRUE(s.form().mnuEditUndo.Enabled);
    s.editor().mnuEditUndo_Click();
    EXPECT_EQ(support::differences(*back[i], testFiles(s.root())), std::vector<std::string>{});
    if (i % 2 == 0) s.restart();
  }
  EXPECT_FALSE(s.form().mnuEditUndo.Enabled);
  EXPECT_EQ(s.form().mnuEditRedo.Caption, "Вернуть: сохранение вопроса 4 этапа 3");

  const std::vector<const Files*> forward{&saved, &staged, &removed, &mixed};
  for (std::size_t i = 0; i < forward.size(); ++i) {
    SCOPED_TRACE("redo " + std::to_string(i + 1));
    ASSERT_TRUE(s.form().mnuEditRedo.Enabled);
    s.editor().mnuEditRedo_Click();
    EXPECT_EQ(support::differences(*forward[i], testFiles(s.root())), std::vector<std::string>{});
    if (i == 1) {
      // The window reads the test again: the seventh stage is there.
      EXPECT_EQ(s.state().StageCount, 7);
      EXPECT_EQ(s.form().List1.Rows.size(), 7u);
    }
    if (i % 2 == 1) s.restart();
  }
  EXPECT_FALSE(s.form().mnuEditRedo.Enabled);
  EXPECT_EQ(s.editor().historyPoints().size(), 5u);
}

// What the editor writes on its own (the settings' copies in the root pages, the stage count it
// corrects, the pages an interrupted mixing left in the root) is never a step Ctrl+Z stops at: a
// start and an exit leave nothing to undo, and after a restart one Ctrl+Z takes back the
// teacher's last change whole. A removal writes the new count itself; a correction of a file the
// last change wrote joins that change, and one of any other file is no record at all.
TEST(History, TheEditorsOwnWritesAreNoStepOfTheHistory) {
  {
    // 1.js counts 7 stages in 6 folders, index.html names another handler than title.html, and
    // a copy of a page is left in the root.
    Session s({.stageFolders = 6, .stageCountLine = 7}, [](const fs::path& root) {
      editLine(root / "index.html", 17, "http://old.example/");
      fs::copy_file(root / "4" / "5.html", root / "5.html");
    });
    s.editor().cmdEnd_Click();
    EXPECT_EQ(lineOf(s.root() / "1.js", 1), "6");
    EXPECT_EQ(lineOf(s.root() / "title.html", 6), "6");
    EXPECT_EQ(lineOf(s.root() / "index.html", 17), lineOf(s.root() / "title.html", 12));
    EXPECT_FALSE(fs::exists(s.root() / "5.html"));
    s.restart();
    EXPECT_FALSE(s.form().mnuEditUndo.Enabled) << s.form().mnuEditUndo.Caption;
    EXPECT_FALSE(s.form().mnuEditHistory.Enabled);
  }
  {
    Session s;
    const Files base = testFiles(s.root());
    s.chooseQuestion(6, 2);
    s.editor().cmdDelLast_Click();
    EXPECT_EQ(lineOf(s.root() / "1.js", 1), "5") << "the count goes with the removal";
    EXPECT_EQ(lineOf(s.root() / "title.html", 6), "5");
    const Files removed = testFiles(s.root());
    s.editor().cmdEnd_Click();
    EXPECT_EQ(support::differences(removed, testFiles(s.root())), std::vector<std::string>{});
    s.restart();
    EXPECT_EQ(s.form().mnuEditUndo.Caption, "Отменить: удаление этапа 6");
    s.editor().mnuEditUndo_Click();
    EXPECT_EQ(support::differences(base, testFiles(s.root())), std::vector<std::string>{});
    EXPECT_EQ(s.form().Label9.Caption, "6");
    EXPECT_EQ(s.form().List1.Rows, (std::vector<std::string>{"1", "2", "3", "4", "5", "6"}));
    EXPECT_FALSE(s.form().mnuEditUndo.Enabled);
  }
  {
    // After a removal the exit puts right title.html's copy of the duration, in a file the
    // removal wrote: one Ctrl+Z takes back both, and a redo brings both. index.html's copy of
    // the address and the page left in the root are in no record: they stay put right.
    Session s({}, [](const fs::path& root) {
      editLine(root / "title.html", 8, "25");
      editLine(root / "index.html", 17, "http://old.example/");
      fs::copy_file(root / "4" / "5.html", root / "5.html");
    });
    const Files base = testFiles(s.root());
    s.editor().cmdDelLast_Click();
    s.editor().cmdEnd_Click();
    EXPECT_EQ(lineOf(s.root() / "title.html", 8), "20");
    const Files exited = testFiles(s.root());
    s.restart();
    EXPECT_EQ(s.form().mnuEditUndo.Caption, "Отменить: удаление этапа 6");
    s.editor().mnuEditUndo_Click();
    EXPECT_EQ(support::differences(base, testFiles(s.root())),
              (std::vector<std::string>{"removed 5.html", "changed index.html"}));
    EXPECT_FALSE(s.form().mnuEditUndo.Enabled);
    s.editor().mnuEditRedo_Click();
    EXPECT_EQ(support::differences(exited, testFiles(s.root())), std::vector<std::string>{});
  }
}

// A history folder that cannot be written (read-only, as on a test copied from a CD; one that
// cannot even be looked at; a file in its place) never stops a change: the change is made as
// without a history, the teacher is told once why undo is not available, and nothing unrecorded
// is offered. Once the folder can be written again, the next change starts a new history.
TEST(History, AHistoryThatCannotBeWrittenNeverBlocksAChange) {
  enum Block { ReadOnly, Unreachable, FileInItsPlace };
  for (const Block block : {ReadOnly, Unreachable, FileInItsPlace}) {
    SCOPED_TRACE(block);
    Session s;
    saveText(s, 1, 1, "recorded");
    const fs::path folder = s.root() / shell::kHistoryFolder;
    if (block == FileInItsPlace) {
      fs::remove_all(folder);
      support::writeBytes(folder, "not a folder");
    }
    s.restart();
    if (block == ReadOnly) s.h->ownDisk.protect(folder);
    if (block == Unreachable) s.h->ownDisk.failPaths = {folder};
    saveText(s, 2, 2, "first");
    saveText(s, 3, 3, "second");
    EXPECT_EQ(lineOf(s.root() / "1" / "1.html", shell::page::field(0)), "first");
    EXPECT_EQ(lineOf(s.root() / "2" / "2.html", shell::page::field(0)), "second");
    ASSERT_EQ(s.h->dialogs.shown.size(), 1u) << "told once";
    const std::string told = s.h->dialogs.shown[0].text;
    EXPECT_NE(told.find(".editor-history"), std::string::npos) << told;
    EXPECT_EQ(told.find("не удалось записать файл"), std::string::npos) << "no raw error: " << told;
    const char* why = block == ReadOnly ? "нет прав доступа" : block == FileInItsPlace ? "лежит файл" : "";
    EXPECT_NE(told.find(why), std::string::npos) << told;
    EXPECT_FALSE(s.form().mnuEditUndo.Enabled) << s.form().mnuEditUndo.Caption;
    EXPECT_FALSE(s.form().mnuEditHistory.Enabled);

    if (block == ReadOnly) s.h->ownDisk.unprotect(folder);
    if (block == Unreachable) s.h->ownDisk.failPaths.clear();
    if (block == FileInItsPlace) fs::remove(folder);
    const Files unrecorded = testFiles(s.root());
    saveText(s, 4, 4, "third");
    EXPECT_EQ(s.form().mnuEditUndo.Caption, "Отменить: сохранение вопроса 4 этапа 4");
    s.editor().mnuEditUndo_Click();
    EXPECT_EQ(support::differences(unrecorded, testFiles(s.root())), std::vector<std::string>{});
    EXPECT_FALSE(s.form().mnuEditUndo.Enabled) << "a new history, from the change before";
    EXPECT_EQ(s.h->dialogs.shown.size(), 1u);
  }
}

// Three changes back in one step, which is one change itself, and back again to the newest point
// in one step; an undo after a return goes on back from the point returned to, as the list shows
// it. A change made after an undo leaves the undone ones aside for good.
TEST(History, AReturnToAPointIsOneChangeThatCanBeUndone) {
  Session s;
  const Files base = testFiles(s.root());
  saveText(s, 1, 1, "one");
  const Files first = testFiles(s.root());
  saveText(s, 2, 2, "two");
  saveText(s, 3, 3, "three");
  saveText(s, 4, 4, "four");
  const Files fourth = testFiles(s.root());

  auto points = s.editor().historyPoints();
  ASSERT_EQ(points.size(), 5u);
  EXPECT_TRUE(points[0].current);
  EXPECT_EQ(points[0].what, "сохранение вопроса 4 этапа 4");
  EXPECT_TRUE(points[4].what.empty()) << "the start of the history";
  const std::size_t before = records(s.root());
  s.editor().returnTo(points[3].id);
  EXPECT_EQ(support::differences(first, testFiles(s.root())), std::vector<std::string>{});
  EXPECT_EQ(records(s.root()), before + 1) << "one change";
  points = s.editor().historyPoints();
  EXPECT_TRUE(points[3].current);
  EXPECT_TRUE(points[0].undone && points[1].undone && points[2].undone);

  s.editor().mnuEditUndo_Click();
  EXPECT_EQ(base, testFiles(s.root()));
  s.editor().mnuEditRedo_Click();
  s.editor().returnTo(s.editor().historyPoints()[0].id);
  EXPECT_EQ(support::differences(fourth, testFiles(s.root())), std::vector<std::string>{});

  s.editor().returnTo(s.editor().historyPoints()[2].id);
  saveText(s, 5, 5, "five");
  s.restart();
  points = s.editor().historyPoints();
  ASSERT_EQ(points.size(), 4u);
  EXPECT_EQ(points[0].what, "сохранение вопроса 5 этапа 5");
  EXPECT_FALSE(s.form().mnuEditRedo.Enabled);

  // A new stage removed unfinished is one change, named by both, and undone to before it.
  const Files whole = testFiles(s.root());
  s.editor().cmdNewL_Click();
  s.chooseStage(7);
  s.editor().cmdSave_Click();
  s.editor().cmdDelLast_Click();
  EXPECT_EQ(s.form().mnuEditUndo.Caption, "Отменить: новый этап 7, удаление этапа 7");
  s.editor().mnuEditUndo_Click();
  EXPECT_EQ(testFiles(s.root()), whole);
  EXPECT_EQ(s.state().StageCount, 6);
}

// A history deleted, filled with garbage, or left behind by files another program changed starts
// the editor normally with nothing to undo; an undo never writes over a file changed since the
// history's change; a test copied elsewhere keeps its history.
TEST(History, AHistoryThatDoesNotMatchTheTestIsNeverUsedAndNeverInTheWay) {
  {
    Session s;
    saveText(s, 2, 3, "changed");
    fs::remove_all(s.root() / shell::kHistoryFolder);
    s.restart();
    EXPECT_FALSE(s.form().mnuEditUndo.Enabled);
    saveText(s, 2, 4, "changed too");
    EXPECT_TRUE(s.form().mnuEditUndo.Enabled) << "a new history";
  }
  {
    Session s;
    saveText(s, 2, 3, "changed");
    const fs::path folder = s.root() / shell::kHistoryFolder;
    for (const auto& entry : fs::directory_iterator(folder)) {
      std::string bytes = support::readBytes(entry.path());
      bytes[bytes.size() / 2] ^= 1;
      support::writeBytes(entry.path(), bytes);
    }
    support::writeBytes(folder / "9-8-p.rec", "garbage");
    support::writeBytes(folder / "notes.txt", "garbage");
    const Files now = testFiles(s.root());
    s.restart();
    EXPECT_FALSE(s.form().mnuEditUndo.Enabled);
    EXPECT_TRUE(s.h->dialogs.shown.empty());
    EXPECT_EQ(s.state().StageCount, 6);
    EXPECT_EQ(testFiles(s.root()), now);
  }
  {
    Session s;
    saveText(s, 2, 3, "changed");
    // Another program writes the page after the save: neither this run nor the next undoes it.
    const fs::path page = s.root() / "1" / "2.html";
    std::string edited = support::readBytes(page);
    edited.insert(0, "<!-- another program -->");
    support::writeBytes(page, edited);
    ASSERT_TRUE(s.form().mnuEditUndo.Enabled);
    const Files now = testFiles(s.root());
    s.editor().mnuEditUndo_Click();
    EXPECT_EQ(testFiles(s.root()), now);
    ASSERT_EQ(s.h->dialogs.shown.size(), 1u);
    EXPECT_NE(s.h->dialogs.shown[0].text.find("1/2.html"), std::string::npos) << s.h->dialogs.shown[0].text;
    EXPECT_FALSE(s.form().mnuEditUndo.Enabled);
    s.restart();
    EXPECT_FALSE(s.form().mnuEditUndo.Enabled);
    EXPECT_EQ(testFiles(s.root()), now);
  }
  {
    Session s;
    const Files base = testFiles(s.root());
    saveText(s, 2, 3, "changed");
    // Copied into a folder of its own that the copy makes, as a teacher copies a test.
    support::TempDir stick;
    const fs::path copy = stick.path() / "test";
    fs::copy(s.root(), copy, fs::copy_options::recursive);
    support::Harness h(copy);
    h.editor.Form_Load();
    ASSERT_TRUE(h.form().mnuEditUndo.Enabled);
    h.editor.mnuEditUndo_Click();
    EXPECT_EQ(testFiles(copy), base);
  }
}

// The history keeps the last hundred changes and lets the older go; what an undo needs is kept.
TEST(History, ItKeepsTheLastHundredChanges) {
  Session s;
  for (int i = 1; i <= 103; ++i) saveText(s, 1 + i % 6, 1 + i % 10, "change " + std::to_string(i));
  EXPECT_LE(records(s.root()), static_cast<std::size_t>(shell::kHistoryRecords));
  s.restart();
  const auto points = s.editor().historyPoints();
  EXPECT_GE(points.size(), static_cast<std::size_t>(shell::kHistoryRecords));
  const Files newest = testFiles(s.root());
  s.editor().returnTo(points.back().id);
  EXPECT_NE(testFiles(s.root()), newest);
  EXPECT_FALSE(s.form().mnuEditUndo.Enabled) << "nothing older is kept";
  s.editor().returnTo(s.editor().historyPoints().front().id);
  EXPECT_EQ(testFiles(s.root()), newest);
}

// A record is whole or not at all: cut short, or with any byte changed, it is not read.
TEST(History, ARecordIsReadOnlyWhole) {
  shell::HistoryRecord r{7, 5, shell::HistoryRecord::Point, 1733700000, "удаление этапа 6", {}};
  r.items.push_back({"6", true, std::string(), std::nullopt});
  r.items.push_back({"6/0.html", false, std::string("a\r\nb\r\n"), std::nullopt});
  r.items.push_back({"1.js", false, std::string("x"), std::string("y\n")});
  const std::string bytes = shell::writeRecord(r);
  const auto read = shell::readRecord(bytes);
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->time, r.time);
  EXPECT_EQ(read->what, r.what);
  ASSERT_EQ(read->items.size(), 3u);
  EXPECT_EQ(read->items[1].before, r.items[1].before);
  EXPECT_EQ(read->items[2].after, r.items[2].after);
  for (std::size_t cut = 0; cut < bytes.size(); cut += 7) {
    EXPECT_FALSE(shell::readRecord(bytes.substr(0, cut))) << cut;
    std::string changed = bytes;
    changed[cut] ^= 4;
    EXPECT_FALSE(shell::readRecord(changed)) << cut;
  }
}

}  // namespace
