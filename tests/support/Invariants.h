#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace support {

namespace fs = std::filesystem;

// The answer line that slot i holds in a shell prepared by uniqueAnswers(): "a0", "a1", ...,
// with slot 5 empty, so that every page can be traced to its own answer.
std::string uniqueAnswer(int slot);
void uniqueAnswers(const fs::path& root);

// What a shell holds, read independently of the editor: the question identity of every page
// (its first line, which the editor never changes) by slot, and the answer lines of 1.js.
struct ShellContents {
  int stageFolders = 0;
  std::map<int, std::string> pageAt;      // slot -> identity line of the page there
  std::set<std::string> rootPages;        // identity lines of one-digit pages in the root
  std::vector<std::string> answers;       // 100 answer lines
};

// Checks that a shell is whole: every root file and every page has its full line layout,
// the stage folders run from 0 without gaps and hold ten pages each, their number agrees
// with 1.js and title.html, and nothing of an unfinished change (journal, temporary files
// or folders) is left. Returns the problems found, readable.
std::vector<std::string> checkShell(const fs::path& root, ShellContents* contents = nullptr);

// The slot a fixture page came from, from its identity line "<html><!-- page s.q -->".
int originSlot(const std::string& identity);

}  // namespace support
