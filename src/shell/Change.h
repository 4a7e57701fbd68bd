#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "shell/Disk.h"

namespace shell {

// One change of the test that lands whole or not at all, whatever interrupts it.
//
// A handler records what its click changes: files replaced or created, files deleted, folders
// removed, and new folders with their files. commit() then
//   1. writes every new content to a temporary file in the test's root (and every new folder,
//      filled, under a temporary name in the root), each synced;
//   2. writes the journal, the list of the steps that make up the change, syncs it and the root;
//   3. makes the steps: renames the temporaries over their targets, deletes, removes folders,
//      renames the new folders into place;
//   4. syncs every folder it changed, and deletes the journal.
// An interruption before the journal is complete changes nothing in the test: start-up removes
// the temporaries. An interruption after it is completed by start-up (recover), since every step
// can be made again safely: a temporary that is gone has already reached its target.
class Change {
 public:
  Change(Disk& disk, fs::path root);

  // New bytes for a file of the test; a later write of the same file replaces the earlier one.
  void write(const fs::path& file, std::string bytes);
  // The bytes a file has in this change: its new ones if it is written, else those on disk.
  std::string read(const fs::path& file);
  void remove(const fs::path& file);
  // Removes a folder; the files in it must have been removed before, in this change.
  void removeFolder(const fs::path& folder);
  // A new folder that appears whole, with its files (name and bytes).
  void addFolder(const fs::path& folder, std::vector<std::pair<std::string, std::string>> files);

  void commit();

  // Completes the change of a journal that an interruption left, and removes the temporaries
  // of the editor's naming from the root and the stage folders. Writes nothing when there is
  // nothing to finish; tells whether it changed anything.
  static bool recover(Disk& disk, const fs::path& root);

 private:
  struct Step {
    enum Kind { Replace, Delete, RemoveFolder, AddFolder } kind;
    std::string target;  // relative to the root, with '/'
    std::string temp;    // the temporary's name in the root (Replace, AddFolder)
  };

  std::string relative(const fs::path& path) const;
  void dropTemporaries() noexcept;
  std::string journalText() const;

  Disk& disk_;
  fs::path root_;
  std::vector<Step> steps_;
  std::map<std::string, std::string> bytes_;  // target -> new bytes, for Replace steps
  std::map<std::string, std::vector<std::pair<std::string, std::string>>> folders_;
};

// The journal's name in the test's root.
inline constexpr const char* kJournalFile = ".changes.journal";

}  // namespace shell
