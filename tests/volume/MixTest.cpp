#include <gtest/gtest.h>

#include <map>
#include <set>

#include "shell/Change.h"
#include "shell/Layout.h"
#include "shell/ShellError.h"
#include "support/Fixtures.h"
#include "support/Invariants.h"

namespace {

namespace fs = std::filesystem;
using support::crlfLines;
using support::Session;
using support::uniqueAnswer;
using support::uniqueAnswers;

// The original slot of the page found at each slot, read from the page's first line.
std::map<int, int> layout(const fs::path& root, int stages) {
  std::map<int, int> out;
  for (int slot = 0; slot < stages * 10; ++slot) {
    const fs::path page = root / std::to_string(slot / 10) / (std::to_string(slot % 10) + ".html");
    if (!fs::exists(page)) continue;
    const int origin = support::originSlot(crlfLines(page).at(0));
    if (origin >= 0) out[slot] = origin;
  }
  return out;
}

// Every page is in exactly one slot and 1.js holds its own answer at that slot.
void expectEveryQuestionWithItsAnswer(const fs::path& root, int stages) {
  const auto where = layout(root, stages);
  ASSERT_EQ(where.size(), static_cast<std::size_t>(stages * 10));
  std::set<int> origins;
  const auto js = crlfLines(root / "1.js");
  for (const auto& [slot, origin] : where) {
    origins.insert(origin);
    EXPECT_EQ(js[static_cast<std::size_t>(10 + 2 * slot)], uniqueAnswer(origin))
        << "slot " << slot << " holds the page of slot " << origin;
  }
  EXPECT_EQ(origins.size(), where.size());
}

TEST(Mix, ExchangesChainThroughTheFirstSlotWithTheirWholeAnswers) {
  Session s({.stageFolders = 1}, uniqueAnswers);
  s.h->clock.times = {0.4};  // rounds to 0: the first slot is 0 in every pass
  s.h->random.values = {0.35f, 0.55f, 0.05f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
  s.editor().cmdMix_Click();
  // swap(0, 3), then swap(0, 5), then the first slot meets itself.
  const auto where = layout(s.root(), 1);
  EXPECT_EQ(where.at(0), 5);
  EXPECT_EQ(where.at(3), 0);
  EXPECT_EQ(where.at(5), 3);
  for (int slot : {1, 2, 4, 6, 7, 8, 9}) EXPECT_EQ(where.at(slot), slot);
  // 1.js is written at once: the empty answer of slot 5 arrives empty, "a0" arrives whole.
  const auto js = crlfLines(s.root() / "1.js");
  EXPECT_EQ(js[10 + 2 * 0], "");
  EXPECT_EQ(js[10 + 2 * 3], "a0");
  EXPECT_EQ(js[10 + 2 * 5], "a3");
  expectEveryQuestionWithItsAnswer(s.root(), 1);
  EXPECT_FALSE(fs::exists(s.root() / ".changes.journal"));
}

TEST(Mix, TheClockRoundsToEvenAndIsReadInEveryPass) {
  Session s({.stageFolders = 1}, uniqueAnswers);
  // 2.5 rounds to 2 and 3.5 to 4; a pass whose slots coincide moves nothing.
  s.h->clock.times = {2.5, 3.5, 4.0};
  s.h->random.values = {0.75f, 0.15f, 0.45f, 0.45f, 0.45f, 0.45f, 0.45f, 0.45f, 0.45f, 0.45f};
  s.editor().cmdMix_Click();
  // swap(2, 7), swap(4, 1), then (4, 4) for the rest.
  const auto where = layout(s.root(), 1);
  EXPECT_EQ(where.at(2), 7);
  EXPECT_EQ(where.at(7), 2);
  EXPECT_EQ(where.at(4), 1);
  EXPECT_EQ(where.at(1), 4);
  for (int slot : {0, 3, 5, 6, 8, 9}) EXPECT_EQ(where.at(slot), slot);
  expectEveryQuestionWithItsAnswer(s.root(), 1);
}

TEST(Mix, AFullTestStaysWholeAndTheShownQuestionIsRefreshed) {
  Session s({.stageFolders = 10}, uniqueAnswers);
  s.chooseQuestion(4, 5);
  s.h->clock.times = {37.0};  // first slot 37
  s.editor().cmdMix_Click();
  expectEveryQuestionWithItsAnswer(s.root(), 10);
  const auto where = layout(s.root(), 10);
  int moved = 0;
  for (const auto& [slot, origin] : where) moved += slot != origin;
  EXPECT_GT(moved, 1);
  // The question now in slot 34 is shown, with its own answer.
  const int origin = where.at(34);
  EXPECT_EQ(s.form().Text1[5], uniqueAnswer(origin));
  EXPECT_EQ(s.state().PagePath, s.root() / "3" / "4.html");
}

TEST(Mix, NoStageAndALeftoverStageMoveNothing) {
  Session none({.stageFolders = 0});
  none.editor().cmdMix_Click();
  EXPECT_FALSE(fs::exists(none.root() / ".changes.journal"));

  Session leftover({.stageFolders = 3, .stageCountLine = 2}, uniqueAnswers);
  const auto before = support::snapshot(leftover.root());
  leftover.editor().cmdMix_Click();
  EXPECT_TRUE(support::differences(before, support::snapshot(leftover.root())).empty());
}

// Fails each operation of a mixing in turn: after the next start the test is either mixed
// completely or not at all, and every question is there once, with its own answer.
TEST(Mix, AnInterruptionAtAnyStepIsCompletedOrUndoneAtTheNextStart) {
  std::map<int, int> mixed;
  int steps = 0;
  {
    Session reference({.stageFolders = 3}, uniqueAnswers);
    reference.h->clock.times = {12.0};
    reference.h->ownDisk.failAt(0);
    reference.editor().cmdMix_Click();
    steps = reference.h->ownDisk.count();
    mixed = layout(reference.root(), 3);
  }
  ASSERT_GT(steps, 20);
  std::map<int, int> original;
  for (int slot = 0; slot < 30; ++slot) original[slot] = slot;
  int undone = 0, completed = 0;
  for (int n = 1; n <= steps; ++n) {
    SCOPED_TRACE("operation " + std::to_string(n) + " of " + std::to_string(steps) + " fails");
    Session s({.stageFolders = 3}, uniqueAnswers);
    s.h->clock.times = {12.0};
    s.h->ownDisk.failAt(n);
    bool threw = false;
    try {
      s.editor().cmdMix_Click();
    } catch (const shell::ShellError&) {
      threw = true;
    }
    // A history that cannot take the change's record never stops the change.
    const fs::path failed = s.h->ownDisk.log().at(static_cast<std::size_t>(n - 1)).path;
    const fs::path history = s.root() / shell::kHistoryFolder;
    EXPECT_EQ(threw, failed != history && failed.parent_path() != history) << failed;
    s.restart();
    s.editor().Form_Unload();
    const auto where = layout(s.root(), 3);
    EXPECT_TRUE(where == original || where == mixed);
    undone += where == original;
    completed += where == mixed;
    expectEveryQuestionWithItsAnswer(s.root(), 3);
    for (const auto& name : s.h->ownDisk.listFiles(s.root(), "*")) {
      EXPECT_FALSE(shell::isTemporaryName(name) || name == shell::kJournalFile)
          << name << " left in the root";
    }
  }
  EXPECT_GT(undone, 0);
  EXPECT_GT(completed, 0);
}

}  // namespace
