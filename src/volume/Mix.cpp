// Mixing: questions are exchanged between answer slots across the whole test, each with its
// right answer. The passes decide the final order in memory; the pages then move on disk under
// a journal, so that an interruption at any point is completed or undone at the next start.

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <set>
#include <sstream>

#include "lifecycle/Editor.h"
#include "shell/Layout.h"
#include "shell/LineTable.h"
#include "shell/ShellError.h"
#include "volume/MixJournal.h"

namespace lifecycle {

using volume::MixJournal;

namespace {

fs::path slotPage(const fs::path& root, int slot) {
  return root / shell::decimal(slot / 10) / (shell::decimal(slot % 10) + ".html");
}

fs::path stagedPage(const fs::path& root, int from) {
  return root / ("mix-" + shell::decimal(from) + ".staged");
}

}  // namespace

void Editor::cmdMix_Click() {
  if (state.inNewStageEntry()) return;
  const int n = 10 * state.StageCount;
  // Every page of the test must be there before anything is written or moved.
  for (int stage = 1; stage <= state.StageCount; ++stage) {
    const fs::path folder = state.ShellPath / shell::stageFolderName(stage);
    const auto pages = disk_.listFiles(folder, shell::kPagePattern);
    for (int q = 1; q <= shell::kQuestionsPerStage; ++q) {
      if (std::find(pages.begin(), pages.end(), shell::pageName(q)) == pages.end()) {
        throw shell::ShellError(shown(folder / shell::pageName(q)),
                                "страница вопроса не найдена; порядок вопросов не изменён");
      }
    }
  }
  cmdSave_Click();

  // The passes: the first slot comes from the clock, the second from the generator; an
  // exchange swaps the pages of the two slots and their whole answer lines.
  std::array<int, shell::kAnswerSlots> content{};
  std::iota(content.begin(), content.end(), 0);
  auto answers = state.Answers;
  for (int pass = 1; pass <= n; ++pass) {
    const long seconds = std::lrint(std::nearbyint(clock_.secondsSinceMidnight()));
    const int a = static_cast<int>(((seconds % n) + n) % n);
    const float product = static_cast<float>(n) * random_.next();
    const int b = std::clamp(static_cast<int>(std::floor(product)), 0, n - 1);
    if (a == b) continue;
    std::swap(content[static_cast<std::size_t>(a)], content[static_cast<std::size_t>(b)]);
    std::swap(answers[static_cast<std::size_t>(a)], answers[static_cast<std::size_t>(b)]);
  }

  MixJournal journal;
  for (int slot = 0; slot < n; ++slot) {
    const int from = content[static_cast<std::size_t>(slot)];
    if (from != slot) journal.moves.push_back({from, slot, answers[static_cast<std::size_t>(slot)]});
  }
  if (!journal.moves.empty()) {
    std::set<int> stages;
    for (const auto& move : journal.moves) stages.insert(move.from / 10);
    const fs::path record = rootFile(volume::kMixJournalFile);
    auto syncAll = [&] {
      for (int stage : stages) disk_.syncFolder(state.ShellPath / shell::decimal(stage));
      disk_.syncFolder(state.ShellPath);
    };
    journal.phase = 1;
    disk_.writeFile(record, journal.text());
    for (const auto& move : journal.moves) {
      disk_.renameFile(slotPage(state.ShellPath, move.from), stagedPage(state.ShellPath, move.from));
    }
    syncAll();
    journal.phase = 2;
    disk_.writeFile(record, journal.text());
    for (const auto& move : journal.moves) {
      disk_.renameFile(stagedPage(state.ShellPath, move.from), slotPage(state.ShellPath, move.to));
    }
    syncAll();
    state.Answers = answers;
    writeAnswerKey();
    disk_.deleteFile(record);
    disk_.syncFolder(state.ShellPath);
  }

  if (!form.List2.selectedText().empty()) List2_Click();
}

// Start-up finds the journal of a mixing that did not end. Before the pages started to reach
// their new places (phase 1) the mixing is undone: the pages set aside go back. After that
// (phase 2) it is completed: the remaining pages go to their new places and 1.js receives the
// answers that travelled with them.
void Editor::finishInterruptedMix() {
  const fs::path record = rootFile(volume::kMixJournalFile);
  if (!disk_.fileExists(record)) return;
  const MixJournal journal = MixJournal::parse(disk_.readFile(record));
  for (const auto& move : journal.moves) {
    const fs::path staged = stagedPage(state.ShellPath, move.from);
    if (!disk_.fileExists(staged)) continue;
    disk_.renameFile(staged,
                     slotPage(state.ShellPath, journal.phase == 1 ? move.from : move.to));
  }
  std::set<int> stages;
  for (const auto& move : journal.moves) stages.insert(move.from / 10);
  for (int stage : stages) disk_.syncFolder(state.ShellPath / shell::decimal(stage));

  if (journal.phase == 2) {
    const fs::path key = rootFile(shell::kAnswerKeyFile);
    std::vector<std::string> head(shell::kAnswerKeyShape.head);
    std::array<std::string, 401> tail;
    std::int16_t tailCount = 0;
    shell::readTable(disk_.readFile(key), shell::kAnswerKeyShape, shell::kAnswerKeyFile, head,
                     tail, tailCount);
    for (const auto& move : journal.moves) {
      head[static_cast<std::size_t>(10 + 2 * move.to)] = move.answer;
    }
    disk_.writeFile(key, shell::writeTable(head, tail, tailCount));
  }
  disk_.deleteFile(record);
  disk_.syncFolder(state.ShellPath);
}

}  // namespace lifecycle
