#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "shell/Disk.h"

namespace shell {

// One change of the test that lands whole or not at all, whatever interrupts it.
//
// A handler records what its click changes: files replaced or created, files deleted, folders
// removed, and new folders with their files. commit() then
//   1. writes every new content to a temporary file in the test's root (and every new folder,
//      filled, under a temporary name in the root), all of them first and then each synced;
//   2. writes the journal, the list of the steps that make up the change, syncs it and the root;
//   3. makes the steps: renames the temporaries over their targets, deletes, removes folders,
//      renames the new folders into place;
//   4. syncs every folder it changed, and deletes the journal.
//
// The journal is a redo log: it holds no old bytes, only the steps still to be made, and an
// interrupted change is rolled forward from it, never back (the opposite of SQLite's rollback
// journal, which keeps the old content and puts it back). An interruption before the journal
// is complete changes nothing in the test: start-up removes the temporaries. An interruption
// after it is completed by start-up (recover), since every step can be made again safely: a
// temporary that is gone has already reached its target.
//
// The journal, kJournalFile in the root, is text; each line ends in LF and its words are
// separated by one space:
//   journal = "test editor change 1" LF *(step LF) "end" LF
//   step    = "replace" SP temp SP path   ; rename the file temp over the file path
//           / "add" SP temp SP path       ; rename the filled folder temp to path
//           / "delete" SP path            ; delete the file path
//           / "rmdir" SP path             ; remove the folder path, emptied by earlier steps
// path is relative to the root, its parts separated by "/", none of them empty, "." or "..";
// temp is temporaryName(path), in the root. Every byte of both other than a-z A-Z 0-9 "." "_"
// "-" "/" is written as "%" and two upper-case hexadecimal digits, so that a name in any
// language stays one word. A journal that does not end in LF "end" LF was cut short while it
// was written: nothing of its change has been made.
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

  // Completes the change of a journal that an interruption left, and removes the temporaries a
  // change makes (files and new stages' folders of the editor's naming in the root). Writes
  // nothing when there is nothing to finish; tells whether it changed anything.
  // `folders` are the root's subfolders as the caller has just listed them.
  static bool recover(Disk& disk, const fs::path& root, const std::vector<std::string>& folders);
  static bool recover(Disk& disk, const fs::path& root);

  // One step of a change, as the journal lists it; its temporary is temporaryName(target).
  struct Step {
    enum Kind { Replace, Delete, RemoveFolder, AddFolder } kind;
    std::string target;  // relative to the root, with '/'
    std::string bytes;   // Replace: the new content
    std::vector<std::pair<std::string, std::string>> files;  // AddFolder: names and bytes
  };

 private:
  std::string relative(const fs::path& path) const;
  Step* replacing(const std::string& target);
  void dropTemporaries() noexcept;

  Disk& disk_;
  fs::path root_;
  std::vector<Step> steps_;
};

// The journal's name in the test's root.
inline constexpr const char* kJournalFile = ".changes.journal";

}  // namespace shell
