#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "shell/Disk.h"

namespace bench {

namespace fs = std::filesystem;

// One file operation as the editor asked for it.
struct FileCall {
  enum Kind { Read, Rename, Delete, MakeFolder, RemoveFolder, SyncFolder, ListFolders, ListFiles,
              Exists, Put, Resolve, Writable } kind;
  fs::path path, to;
  std::string pattern;
  std::size_t bytes = 0;  // written bytes, for the record
};

// A disk that does the work with the real one and records every call.
class RecordingDisk final : public shell::Disk {
 public:
  std::vector<FileCall> calls;
  std::string readFile(const fs::path& f) override;
  void renameFile(const fs::path& from, const fs::path& to) override;
  void deleteFile(const fs::path& f) override;
  void makeFolder(const fs::path& f) override;
  void removeFolder(const fs::path& f) override;
  void syncFolder(const fs::path& f) override;
  std::vector<std::string> listFolders(const fs::path& f) override;
  std::vector<std::string> listFiles(const fs::path& f, std::string_view p) override;
  bool fileExists(const fs::path& f) override;
  bool folderExists(const fs::path& f) override;
  void putFile(const fs::path& f, std::string_view b) override;
  fs::path resolvedPath(const fs::path& f) override;
  bool writable(const fs::path& f) override;
  std::string replaceBlocked(const fs::path& f) override { return real_.replaceBlocked(f); }

 private:
  shell::RealDisk real_;
  // The bytes of each write, replayed by the floor.
 public:
  std::vector<std::string> written;
};

// The floor of a recorded operation: the same calls made with plain system calls and nothing
// else: whole-file reads, synced writes, renames, deletions, folder listings. `written` holds the bytes of the
// writes in order.
void replay(const std::vector<FileCall>& calls, const std::vector<std::string>& written);

}  // namespace bench
