#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/Disk.h"

namespace shell {

// The history of the test's changes, kept beside the test in a folder of its own (kHistoryFolder,
// in the test's root, with paths relative to the root, so that it travels with the test).
//
// Each change of the test leaves one record, a file of the folder, that holds what the change
// replaced and what it wrote: for every file it changed, made or deleted, its bytes before and
// after; for every folder it made or removed, that it was there or not. The record is written
// together with the change's new contents, before the change's first step, but not synced (a
// power cut may take it, and then only the history is lost), and it belongs to the test only
// once its change has landed: the record that is newest when the editor starts is checked
// against the test's files. Its change landed when its first path holds what the change wrote;
// it never landed when that path holds what was there before it (what the change replaced, or
// what the record before it wrote there), and then the record is deleted; otherwise the files
// were changed by someone else, and the history is not used.
//
// What the editor writes on its own, without the teacher asking (the settings' copies it puts
// right in the root pages, the stage count it corrects, the pages an interrupted change left in
// the root), is never a point of the history: its change is not described, and
//   - the part of it that falls on paths the newest record holds joins that record, when that
//     record is a change (not a move): the record is written anew under the next id, with the
//     same parent, kind, time and words, those paths first (before: what the change replaced,
//     after: the bytes the editor's own write leaves), and the record it replaces goes with the
//     tidying after the change. An undo of that change takes back both, a redo brings both;
//   - every other path it writes is in no record: the history is checked against the paths of
//     its newest record and of the test's point before it is used, and an undo or redo checks
//     every path it writes, so such a write can at most make an undo refuse (the file changed
//     since), never make the history write over it unnoticed.
// When the newest record is a move (the teacher undid something), the editor's own writes are
// in no record either; the next start checks the history against the files as always, and does
// not use it when they fall on its paths.
//
// A record is either a change the teacher made (a point of the history the test can be brought
// back to, or an open one: a new stage whose questions are still being entered, which is no
// point), or a move: an undo, a redo or a return to a point, which writes what the records on
// the way hold and names the point it leads to. The newest record tells where the test is: at
// the change it records, or at the point its move leads to. Every change names the point it was
// made at (its parent), so that the changes from the test's point back to the first are the
// ones an undo goes through, and the changes made after it, newest first, are the redo's. A
// change made after an undo leaves the undone ones aside; they and the moves older than the
// newest record are deleted after the next change, as are the oldest changes beyond 100 records
// or 20 MB.
//
// Nothing of the history is trusted: before any record is offered, the test's files must hold
// what it says the change wrote, and an undo or redo checks every path it writes first. A record
// that cannot be read, a folder that holds something else, or a test whose files hold other bytes
// (edited by another program, restored from a backup, another copy's history) leaves the
// history empty; the test opens as always, and the next change starts a new history. Nor does a
// history that cannot be written stop a change: the change is made without its record, and the
// history, which then no longer matches the test, is offered no more; the next change whose
// record can be written starts a new one.
//
// A record is bytes: the line "test editor history 1", then lines "id", "parent", "kind" (point,
// open or move), "time" (seconds since 1970), "what" (the teacher's words, UTF-8, percent-
// encoded as the journal's paths are), then for each path the line
//   "file" SP path SP (size / "-") SP (size / "-")   followed by the bytes before and after, or
//   "folder" SP path SP ("+" / "-") SP ("+" / "-")
// and last the line "check" SP and the 16 hexadecimal digits of the FNV-1a hash of everything
// before it. Its name is id "-" parent "-" kind ".rec".

inline constexpr const char* kHistoryFolder = ".editor-history";
inline constexpr int kHistoryRecords = 100;
inline constexpr std::uint64_t kHistoryBytes = 20u << 20;

// One path of the test in a record: a file (its bytes, or nothing where there was none) or a
// folder ("" where there was one, nothing where there was none).
struct HistoryItem {
  std::string path;  // relative to the root, with '/'
  bool folder = false;
  std::optional<std::string> before, after;
};

struct HistoryRecord {
  enum Kind { Point, Open, Move };
  int id = 0;
  int parent = 0;  // a change: the point it was made at; a move: the point it leads to
  Kind kind = Point;
  std::int64_t time = 0;
  std::string what;
  std::vector<HistoryItem> items;
};

std::string writeRecord(const HistoryRecord& record);
// The record these bytes hold, or nothing when they are not one whole record.
std::optional<HistoryRecord> readRecord(std::string_view bytes);

// What a handler says of its change for the history.
struct HistoryNote {
  std::string what;  // "сохранение вопроса 4 этапа 3"
  HistoryRecord::Kind kind = HistoryRecord::Point;
  int target = 0;  // a move: the point it leads to
};

class History {
 public:
  // Reads the history of the test in `root`, after an interrupted change has been completed:
  // deletes the newest record when its change never landed (and the folder, left empty), and
  // checks the test's point against the files. A history that cannot be used, or read, is empty;
  // only a failure to read the test's own files is thrown.
  void load(Disk& disk, const fs::path& root, std::int64_t now = 0);

  // A point of the history, as the teacher sees it: the changes since the point before it (the
  // first of them named, as a new stage is by its first change), when the last of them was made.
  struct Point {
    int id = 0;  // the record that ends it
    std::int64_t time = 0;
    std::string what;
    bool undone = false;  // after the test's point
    bool current = false;
  };
  // The points, newest first, and last the point before the oldest change the history holds
  // (id: the parent of that change, what: empty). Reads the records it has not read yet; a record
  // that cannot be read leaves the history empty.
  std::vector<Point> points();
  // The point an undo leads to and what it takes back, and the same of a redo.
  std::optional<Point> undoPoint();
  std::optional<Point> redoPoint();

  // What bringing the test from its point to another one writes: for each path, `before` what it
  // must hold now and `after` what it is to hold. Nothing when the history cannot be used.
  std::optional<std::vector<HistoryItem>> plan(int target);

  // The record of a change about to be made, with its items (before: what the test holds), and
  // the file it goes to; recorded() takes it in once the change has landed.
  struct Pending {
    HistoryRecord record;
    fs::path file;
    std::string bytes;
    bool newFolder = false;
  };
  std::optional<Pending> pending(Disk& disk, const HistoryNote& note, std::vector<HistoryItem> items,
                                 std::int64_t now);
  // The newest record with the editor's own writes (`own`, before: what the test holds) joined
  // to it where they fall on its paths, as the record that replaces it; nothing when they fall
  // on none, or the newest record is a move or cannot be read.
  std::optional<Pending> joined(const std::vector<HistoryItem>& own);
  void recorded(const Pending& pending);
  // Deletes the records no point leads to any more, and the oldest beyond the bounds. What a
  // failure or an interruption leaves is deleted at the next start or after the next change.
  void tidy(Disk& disk) noexcept;

  // The history no longer matches the test: it is offered no more, and the next change starts
  // it again.
  void abandon() { drop(); }
  bool usable() const { return usable_; }
  bool empty() const { return records_.empty() || !usable_; }
  // The test's point, 0 before any change.
  int current() const { return top_; }
  fs::path folder() const { return root_ / kHistoryFolder; }

 private:
  struct Known {
    int parent = 0;
    HistoryRecord::Kind kind = HistoryRecord::Point;
    std::uint64_t size = 0;
    std::optional<HistoryRecord> record;  // read on demand
  };
  const HistoryRecord* read(int id);
  void drop();
  std::vector<int> applied() const;  // the test's point back to the oldest change
  std::vector<int> undone() const;   // the changes a redo goes through, oldest first
  bool holdsAfter(const HistoryRecord& record);
  bool holdsBefore(int id, const HistoryItem& item);

  Disk* disk_ = nullptr;
  fs::path root_;
  std::map<int, Known> records_;
  int newest_ = 0;  // the highest id in the folder, a record or not
  int top_ = 0;
  bool usable_ = true;
  bool unreadable_ = false;  // a record could not be read from the disk (not: was no record)
};

// Whether a path of the test holds the state of an item's side (a file's bytes, a folder or
// nothing).
bool holds(Disk& disk, const fs::path& root, const HistoryItem& item, const std::optional<std::string>& state);

}  // namespace shell
