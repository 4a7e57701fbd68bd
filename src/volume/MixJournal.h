#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace volume {

// The record of a mixing in progress, kept in the shell root while the pages move.
inline constexpr const char* kMixJournalFile = "mixing.journal";

struct MixJournal {
  struct Move {
    int from;            // the slot whose page moves
    int to;              // the slot it moves to
    std::string answer;  // the answer line that slot `to` receives
  };
  int phase = 1;  // 1 while pages are set aside, 2 while they go to their new places
  std::vector<Move> moves;

  std::string text() const;
  // Throws ShellError naming the journal when the text is not a journal.
  static MixJournal parse(std::string_view text);
};

}  // namespace volume
