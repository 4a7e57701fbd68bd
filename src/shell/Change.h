#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "shell/Disk.h"
#include "shell/History.h"
#include "shell/ShellError.h"

namespace shell {

// The bytes of the test's files as the editor last read them or a change last wrote them, each
// with the file's stamp at that moment. A change leaves out a file whose new bytes are these
// while its stamp is unchanged, so that a click writes only the files whose bytes change, and
// rereads nothing to find out. A file that another program (or the teacher, by hand) wrote since
// has another stamp, and is written as the editor has it, as if nothing were known of it; so is
// a file that is gone. What a stamp cannot tell: a write in place that keeps the size and lands
// within the same tick of the file system's clock as the write the stamp saw (two seconds on
// FAT, a few milliseconds on the others): no teacher edits a file that quickly after a save.
class KnownFiles {
 public:
  // Reads a whole file and keeps its bytes. The stamp is taken before the read: a write that
  // lands between the two leaves a stamp that no longer matches, never a wrong record.
  std::string read(Disk& disk, const fs::path& file);
  // Whether the file holds these bytes now: the bytes kept for it, and its stamp unchanged.
  bool holds(Disk& disk, const fs::path& file, std::string_view bytes) const;
  // The bytes kept for a file while its stamp is unchanged, or nothing.
  const std::string* current(Disk& disk, const fs::path& file) const;
  // Keeps the bytes a change has just put in place in a file read before, with its stamp now.
  // A file never read stays unknown (the pages of a new stage): the editor reads a page before
  // it saves it.
  void keep(Disk& disk, const fs::path& file, std::string bytes);
  // Forgets a file, or every file in a folder.
  void forget(const fs::path& path);

 private:
  struct Known {
    std::string bytes;
    FileStamp stamp;
  };
  std::map<fs::path, Known> files_;
};

// One change of the test that lands whole or not at all, whatever interrupts it.
//
// A handler records what its click changes: files replaced or created, files deleted, folders
// removed, and new folders with their files. commit() first leaves out every file whose new
// bytes the record of known files says it holds already. A change of one step (one file
// replaced or deleted, one folder added or removed) is atomic by itself: its content is prepared
// beside its target (a temporary file, synced; or a folder filled, each file and the folder
// synced), renamed into place (or the file deleted, the folder removed), and the folder synced.
// A change of several steps
//   1. writes every new content to a temporary file in the test's root (and every new folder,
//      filled, under a temporary name in the root), all of them first and then each synced;
//   2. writes the journal, the list of the steps that make up the change, syncs it and the root;
//   3. makes the steps: renames the temporaries over their targets, deletes, removes folders,
//      renames the new folders into place;
//   4. syncs every folder it changed, and deletes the journal.
// Each folder is synced once in each of these steps, whatever the number of files in it.
// With a history, the change's record (shell/History.h) is written with the new contents, before
// the first step, and not synced; a file whose new bytes are the ones it holds is no step. A
// change that is not described is the editor's own: it joins the newest record where the
// history says so, and is otherwise in no record. A record (or the history's folder) that
// cannot be written never stops the change: it is made without its record, the history is
// offered no more, and historyFailure() tells why. A
// change of one step leaves at most its temporary after an interruption, beside its target (in
// the root, or in a stage folder); start-up removes the editor's temporaries from both.
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
  // `known`, when given, is consulted and kept up to date by every commit, and read through.
  Change(Disk& disk, fs::path root, KnownFiles* known = nullptr, History* history = nullptr);

  // What the change is for the history, and when it is made (seconds since 1970); a change that
  // is not described is the editor's own, and is no point of the history.
  void describe(HistoryNote note, std::int64_t now);
  bool described() const { return note_.has_value(); }
  // After a commit that landed without the record it was to have: why the history could not be
  // written, in the teacher's words ("нет прав доступа").
  const std::optional<std::string>& historyFailure() const { return historyFailure_; }

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
  // change makes in the root (files, new stages' folders, and folders put aside to be removed,
  // all of the editor's naming); one that a change of one step leaves beside a page is for the
  // caller's listing of the stage folders.
  // Writes nothing when there is nothing to finish; tells whether it changed anything.
  // `folders` are the root's subfolders as the caller has just listed them.
  static bool recover(Disk& disk, const fs::path& root, const std::vector<std::string>& folders);
  static bool recover(Disk& disk, const fs::path& root);

  // One step of a change, as the journal lists it. Its temporary is named by temporaryName(): of
  // the whole target, in the root, when journaled; of the target's own name, beside it, alone.
  struct Step {
    enum Kind { Replace, Delete, RemoveFolder, AddFolder } kind;
    std::string target;  // relative to the root, with '/'
    std::string bytes;   // Replace: the new content
    std::vector<std::pair<std::string, std::string>> files;  // AddFolder: names and bytes
  };

 private:
  std::string relative(const fs::path& path) const;
  Step* replacing(const std::string& target);
  fs::path temporaryOf(const Step& step) const;
  void prepare(const Step& step);
  void settle(const Step& step);
  void make(const Step& step);
  void dropTemporaries() noexcept;
  void dropRecord() noexcept;
  std::vector<HistoryItem> recordItems();
  void prepareRecord(std::vector<HistoryItem> items);
  void putRecord();
  void historyFailed(const ShellError& error);

  Disk& disk_;
  fs::path root_;
  KnownFiles* known_;
  History* history_;
  std::optional<HistoryNote> note_;
  std::int64_t now_ = 0;
  std::optional<History::Pending> record_;
  bool recordFolderMade_ = false;
  std::optional<std::string> historyFailure_;
  std::vector<Step> steps_;
};

// The journal's name in the test's root.
inline constexpr const char* kJournalFile = ".changes.journal";

}  // namespace shell
