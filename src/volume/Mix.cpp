// Mixing: questions are exchanged between answer slots across the whole test, each with its
// right answer. The passes decide the final order in memory; the pages then move on disk in
// one change with the save before them and the answer key after them.

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <utility>
#include <vector>

#include "lifecycle/Editor.h"
#include "shell/Layout.h"
#include "shell/ShellError.h"

namespace lifecycle {

namespace {

fs::path slotPage(const fs::path& root, int slot) {
  const int q = shell::kQuestionsPerStage;
  return root / shell::stageFolderName(slot / q + 1) / shell::pageName(slot % q + 1);
}

}  // namespace

void Editor::cmdMix_Click() {
  if (state_.inNewStageEntry() || !settleQuestion()) return;
  const int n = 10 * state_.StageCount;
  // Every page of the test must be there before anything is written or moved.
  for (int stage = 1; stage <= state_.StageCount; ++stage) {
    const fs::path folder = state_.ShellPath / shell::stageFolderName(stage);
    const auto pages = disk_.listFiles(folder, shell::kPagePattern);
    for (int q = 1; q <= shell::kQuestionsPerStage; ++q) {
      if (std::find(pages.begin(), pages.end(), shell::pageName(q)) == pages.end()) {
        throw shell::ShellError(shown(folder / shell::pageName(q)),
                                "страница вопроса не найдена; порядок вопросов не изменён");
      }
    }
  }
  // The save, the moved pages and their answers land as one change.
  Batch batch(*this);
  cmdSave_Click();

  // The passes: the first slot comes from the clock, the second from the generator; an
  // exchange swaps the pages of the two slots and their whole answer lines.
  std::array<int, shell::kAnswerSlots> content{};
  std::iota(content.begin(), content.end(), 0);
  auto answers = state_.Answers;
  for (int pass = 1; pass <= n; ++pass) {
    const long seconds = std::lrint(std::nearbyint(clock_.secondsSinceMidnight()));
    const int a = static_cast<int>(((seconds % n) + n) % n);
    const float product = static_cast<float>(n) * random_.next();
    const int b = std::clamp(static_cast<int>(std::floor(product)), 0, n - 1);
    if (a == b) continue;
    std::swap(content[static_cast<std::size_t>(a)], content[static_cast<std::size_t>(b)]);
    std::swap(answers[static_cast<std::size_t>(a)], answers[static_cast<std::size_t>(b)]);
  }

  // Each slot whose question moved receives the page of the slot it came from, as the save
  // left that page.
  std::vector<std::pair<int, std::string>> moved;
  for (int slot = 0; slot < n; ++slot) {
    const int from = content[static_cast<std::size_t>(slot)];
    if (from != slot) moved.emplace_back(slot, change().read(slotPage(state_.ShellPath, from)));
  }
  for (auto& [slot, bytes] : moved) change().write(slotPage(state_.ShellPath, slot), std::move(bytes));
  if (!moved.empty()) {
    state_.Answers = answers;
    writeAnswerKey();
  }
  describe("смена порядка вопросов");
  batch.commit();

  if (!form.List2.selectedText().empty()) List2_Click();
}

}  // namespace lifecycle
