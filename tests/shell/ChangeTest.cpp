// A change on the real disk: its journal byte for byte, replayed after a kill at any step of
// the change or of the replay itself, cut short, with Russian names, and refused when damaged.

#include <gtest/gtest.h>

#include <algorithm>

#include "shell/Change.h"
#include "shell/ShellError.h"
#include "support/Fixtures.h"

namespace {

namespace fs = std::filesystem;
using support::snapshot;
using support::writeBytes;
using Snapshot = std::map<std::string, std::string>;

// The journal of the change below, as the editor has always written it ("Я/ё.html", "Ю").
const std::string kJournal =
    "test editor change 1\n"
    "replace .2-3.html.tmp 2/3.html\n"
    "replace .%D0%AF-%D1%91.html.tmp %D0%AF/%D1%91.html\n"
    "delete 5/0.html\n"
    "rmdir 5\n"
    "add .%D0%AE.tmp %D0%AE\n"
    "end\n";

const Snapshot kAfter = {
    {"2/", ""}, {"2/3.html", "new page"}, {"Я/", ""},       {"Я/ё.html", "ответ"},
    {"Ю/", ""}, {"Ю/0.html", "page"},     {"Ю/ф.html", "ф"}};

void build(const fs::path& root) {
  for (const char8_t* folder : {u8"2", u8"5", u8"Я"}) fs::create_directory(root / fs::path(folder));
  writeBytes(root / "2" / "3.html", "old page");
  writeBytes(root / fs::path(u8"Я/ё.html"), "old");
  writeBytes(root / "5" / "0.html", "stage page");
}

void change(shell::Disk& disk, const fs::path& root) {
  shell::Change c(disk, root);
  c.write(root / "2" / "3.html", "first");
  c.write(root / "2" / "3.html", "new page");
  c.write(root / fs::path(u8"Я/ё.html"), "ответ");
  c.remove(root / "5" / "0.html");
  c.removeFolder(root / "5");
  c.addFolder(root / fs::path(u8"Ю"), {{"0.html", "page"}, {"ф.html", "ф"}});
  c.commit();
}

// What a kill at the first step of that change leaves: the temporaries and the journal.
void leaveJournal(const fs::path& root, const std::string& journal) {
  build(root);
  writeBytes(root / ".2-3.html.tmp", "new page");
  writeBytes(root / fs::path(u8".Я-ё.html.tmp"), "ответ");
  fs::create_directory(root / fs::path(u8".Ю.tmp"));
  writeBytes(root / fs::path(u8".Ю.tmp/0.html"), "page");
  writeBytes(root / fs::path(u8".Ю.tmp/ф.html"), "ф");
  writeBytes(root / shell::kJournalFile, journal);
}

TEST(Change, ItsJournalIsReplayedToTheSameTestAfterAKillAtAnyStepOfTheChangeOrTheReplay) {
  shell::RealDisk real;
  support::TempDir clean, killed, left;
  build(clean.path());
  support::FailingDisk probe;
  change(probe, clean.path());
  EXPECT_EQ(snapshot(clean.path()), kAfter);

  // Killed at its first step, the change leaves what the editor's journal has always held.
  const auto& log = probe.log();
  const auto first =
      std::find_if(log.begin(), log.end(), [](const auto& op) { return op.name == "renameFile"; });
  ASSERT_NE(first, log.end());
  build(killed.path());
  support::FailingDisk kill(static_cast<int>(first - log.begin()) + 1);
  kill.halfway = true;
  EXPECT_THROW(change(kill, killed.path()), shell::ShellError);
  leaveJournal(left.path(), kJournal);
  EXPECT_EQ(snapshot(killed.path()), snapshot(left.path()));

  // Start-up replays it; a kill during that replay leaves a journal that the next start
  // replays to the same test, and a start after that finds nothing to do.
  int changes = 0;
  for (int n = 0; n <= changes; ++n) {
    SCOPED_TRACE(::testing::Message() << "replay killed at its change " << n);
    support::TempDir dir;
    leaveJournal(dir.path(), kJournal);
    support::FailingDisk disk(n);
    disk.onlyChanges = disk.halfway = true;
    if (n == 0) {
      EXPECT_TRUE(shell::Change::recover(disk, dir.path()));
      changes = disk.count();
    } else {
      EXPECT_THROW(shell::Change::recover(disk, dir.path()), shell::ShellError);
      shell::Change::recover(real, dir.path());
    }
    EXPECT_FALSE(shell::Change::recover(real, dir.path()));
    EXPECT_EQ(snapshot(dir.path()), kAfter);
  }
  EXPECT_GE(changes, 8);
}

TEST(Change, AJournalCutShortChangesNothingAndADamagedOneIsRefused) {
  support::TempDir built;
  build(built.path());
  shell::RealDisk real;
  for (std::size_t cut = 0; cut < kJournal.size(); cut = kJournal.find('\n', cut + 1)) {
    for (std::size_t at : {cut, cut + 1}) {
      if (at >= kJournal.size()) continue;
      support::TempDir dir;
      leaveJournal(dir.path(), kJournal.substr(0, at));
      EXPECT_TRUE(shell::Change::recover(real, dir.path()));
      EXPECT_EQ(snapshot(dir.path()), snapshot(built.path())) << "cut at " << at;
    }
  }
  // A path outside the root, or a line the editor never writes, stops start-up before any step.
  for (const std::string step :
       {"replace .x.tmp ../outside.html", "delete /etc/passwd", "delete 2/../../x", "rmdir 2//3",
        "delete C:x", "delete 2\\..", "replace .1.js.tmp 2/3.html", "move 2/3.html", "delete %D0%A",
        "delete 2/3.html 1.js", "delete  2/3.html", "delete 2/3.html\r"}) {
    support::TempDir dir;
    leaveJournal(dir.path(), "test editor change 1\n" + step + "\nend\n");
    const Snapshot before = snapshot(dir.path());
    EXPECT_THROW(shell::Change::recover(real, dir.path()), shell::ShellError) << step;
    EXPECT_EQ(snapshot(dir.path()), before) << step;
  }
  shell::Change change(real, built.path());
  EXPECT_THROW(change.write(built.path() / ".." / "outside.html", "x"), shell::ShellError);
  EXPECT_THROW(change.remove(built.path().parent_path()), shell::ShellError);
}

}  // namespace
