#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "support/ForwardingDisk.h"

namespace bench {

namespace fs = std::filesystem;
using Call = support::ForwardingDisk::Call;

// One file operation as the editor asked for it.
struct FileCall {
  Call::Kind kind;
  fs::path path, to;
  std::string pattern;
  std::size_t bytes = 0;  // written bytes, for the record
};

// Whether a call of the disk seam ends in a sync on the real disk (the data of a file, or the
// names in a folder).
bool syncs(Call::Kind kind);
// Whether a call changes the disk; the others only look.
bool changes(Call::Kind kind);

// A disk that does the work with the real one and records every call, and the bytes of each
// write, replayed by the floor.
class RecordingDisk final : public support::ForwardingDisk {
 public:
  std::vector<FileCall> calls;
  std::vector<std::string> written;

 private:
  void before(const Call& call) override;
};

// The real disk on a slow medium: every sync takes `delay` longer, as a flush does on a USB
// stick (the file's data, then the FAT and the folder entry).
class SlowSyncDisk final : public support::ForwardingDisk {
 public:
  explicit SlowSyncDisk(std::chrono::microseconds delay) : delay_(delay) {}

 private:
  void before(const Call& call) override;
  std::chrono::microseconds delay_;
};

// The floor of a recorded operation: the same calls made with plain system calls and nothing
// else: whole-file reads, synced writes, renames, deletions, folder listings. `written` holds
// the bytes of the writes in order. Every sync takes `delay` longer. With `looksOnly`, only the
// calls that change nothing are made.
void replay(const std::vector<FileCall>& calls, const std::vector<std::string>& written,
            std::chrono::microseconds delay = {}, bool looksOnly = false);

// Every file under a folder with its bytes, by path relative to it with '/'; a folder as its
// path with a trailing '/' and no bytes.
using Snapshot = std::map<std::string, std::string>;
Snapshot snapshot(const fs::path& root);

// One plain step of the least writing that lands a change.
struct PlainStep {
  enum Kind { Write, Rename, Unlink, MakeFolder, RemoveFolder, SyncFolder } kind;
  fs::path path, to;
  std::string bytes;  // Write: the content, synced
};

// The least the guarantee (each change lands whole or not at all, whatever interrupts it) needs
// to turn the test `before` into `after`, both of the folder `root`: nothing when no byte
// differs; one changed file: its temporary beside it, synced, the rename, the folder's sync; one
// file removed: the deletion and the folder's sync; one new folder: filled under a temporary
// name, its files and it synced, renamed, its parent synced; anything more: the journal's
// protocol (the temporaries synced, the journal synced with the root, the steps, each folder
// they changed synced once, the journal deleted and the root synced).
std::vector<PlainStep> leastWrites(const fs::path& root, const Snapshot& before,
                                   const Snapshot& after);
void run(const std::vector<PlainStep>& steps, std::chrono::microseconds delay = {});

}  // namespace bench
