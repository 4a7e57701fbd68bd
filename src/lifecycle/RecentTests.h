#pragma once

#include <cstddef>
#include <filesystem>
#include <vector>

#include "shell/Disk.h"

namespace lifecycle {

// The tests opened last, most recent first, kept in a small file of the user's own settings
// (never in a test). The list is a convenience: a file that is missing, unreadable or cannot be
// written (a read-only profile, a program run from a write-protected stick with no profile) only
// means that nothing is remembered; it never stops the editor.
class RecentTests {
 public:
  static constexpr std::size_t kKept = 6;  // the test open now and the five before it

  // `file` empty: nothing is remembered.
  RecentTests(shell::Disk& disk, std::filesystem::path file) : disk_(disk), file_(std::move(file)) {}

  // The folders in the file, most recent first, at most kKept.
  std::vector<std::filesystem::path> read() const;
  // The folder moved to the front, the file replaced whole through a temporary beside it. Not
  // when the file would lie inside that folder.
  void add(const std::filesystem::path& folder);

  const std::filesystem::path& file() const { return file_; }

 private:
  shell::Disk& disk_;
  std::filesystem::path file_;
};

// The list's file in the user's settings: $XDG_CONFIG_HOME, or ~/.config, on Linux; %APPDATA% on
// Windows; under a folder of the editor's own. Empty when the system names no such place.
std::filesystem::path recentTestsFile();

// Where the teacher's own documents go: the documents folder (as the desktop names it), else the
// home folder; empty when the system names neither.
std::filesystem::path documentsFolder();

}  // namespace lifecycle
