#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace shell {

namespace fs = std::filesystem;

// What tells, without reading a file, whether it was written since an earlier look: the file
// (its volume and its number there), its size, and its times of last write and of last change,
// in the system's own units. Any write, replacement or rename of the file changes one of them;
// two equal stamps of a path mean the same file, unwritten, up to the resolution of the file
// system's clock.
struct FileStamp {
  std::uint64_t volume = 0, file = 0, size = 0;
  std::int64_t written = 0, changed = 0;
  bool operator==(const FileStamp&) const = default;
};

// Every file and folder operation the editor performs. One real implementation works on the
// file system; tests put another in front of it to fail any single operation. Each method
// either does all of its work or throws ShellError naming the path and the reason. A new
// operation is also forwarded by tests/support/ForwardingDisk.h, which those disks build on.
class Disk {
 public:
  virtual ~Disk() = default;

  // The whole content of a file.
  virtual std::string readFile(const fs::path& file) = 0;

  // Renames a file within one file system; replaces `to` if it exists. Atomic.
  virtual void renameFile(const fs::path& from, const fs::path& to) = 0;

  // Deletes a file; the deletion becomes durable with the folder's next sync. On Windows, which
  // cannot sync a folder, a file of the test is first renamed, written through, to a
  // deletedName() beside it, so that it is gone for good when this returns (start-up removes the
  // leftover should its own deletion be lost).
  virtual void deleteFile(const fs::path& file) = 0;
  // Makes a folder; its name in the parent becomes durable with the parent's next sync.
  virtual void makeFolder(const fs::path& folder) = 0;

  // Removes a folder that is empty; as makeFolder, without syncing the parent. On Windows a
  // folder of the test is put aside first, as deleteFile does with a file.
  virtual void removeFolder(const fs::path& folder) = 0;

  // Makes the names created, renamed or deleted in a folder durable.
  virtual void syncFolder(const fs::path& folder) = 0;

  // Names of the subfolders of a folder, in ascending byte order. Folders that the system
  // marks as its own (on Windows, the hidden or system attribute) are left out.
  virtual std::vector<std::string> listFolders(const fs::path& folder) = 0;

  // Names of the plain files of a folder that match a wildcard pattern ('?' one character,
  // '*' any run), in ascending byte order.
  virtual std::vector<std::string> listFiles(const fs::path& folder, std::string_view pattern) = 0;

  // Whether a plain file exists at the path (a folder there does not count).
  virtual bool fileExists(const fs::path& file) = 0;
  // Whether a folder exists at the path, hidden or not (the editor's own work folders are
  // found by name, since a system may hide names that start with a dot).
  virtual bool folderExists(const fs::path& folder) = 0;

  // Writes a file in place, creating or emptying it, and syncs its bytes before returning; no
  // temporary file and no rename. A change uses it for its temporary files and its journal,
  // which are only renamed or read afterwards.
  virtual void putFile(const fs::path& file, std::string_view bytes) = 0;
  // The same without waiting for the bytes to reach the disk, and the wait for them: a change
  // writes all its new contents first and then syncs each, so that the system makes them durable
  // together instead of one after another.
  virtual void putFileUnsynced(const fs::path& file, std::string_view bytes) = 0;
  virtual void syncFile(const fs::path& file) = 0;

  // The path with every link (and, on Windows, junction) in it resolved, made absolute; the
  // path as given when it does not exist.
  virtual fs::path resolvedPath(const fs::path& path) = 0;

  // Whether this user may write a file, or create and delete files in a folder. Only checks,
  // writes nothing; a file system mounted read-only answers false.
  virtual bool writable(const fs::path& path) = 0;

  // Why a file cannot be replaced or deleted now, in Russian, or nothing when it can: on
  // Windows a file that another program holds open without sharing its deletion, or one with
  // the read-only attribute. Systems where a rename replaces any file answer nothing.
  virtual std::string replaceBlocked(const fs::path& file) = 0;

  // The stamp of a plain file, without opening it for reading or writing; nothing when there is
  // no plain file at the path.
  virtual std::optional<FileStamp> stampFile(const fs::path& file) = 0;
};

// Whether a path lies inside a folder (or is the folder), by their names alone; resolve links
// first to ask where a path really leads.
bool isInside(const fs::path& path, const fs::path& folder);

// A name as the listings give it (UTF-8) made a path, on every system.
fs::path fromUtf8(const std::string& name);

class RealDisk final : public Disk {
 public:
  std::string readFile(const fs::path& file) override;
  void renameFile(const fs::path& from, const fs::path& to) override;
  void deleteFile(const fs::path& file) override;
  void makeFolder(const fs::path& folder) override;
  void removeFolder(const fs::path& folder) override;
  void syncFolder(const fs::path& folder) override;
  std::vector<std::string> listFolders(const fs::path& folder) override;
  std::vector<std::string> listFiles(const fs::path& folder, std::string_view pattern) override;
  bool fileExists(const fs::path& file) override;
  bool folderExists(const fs::path& folder) override;
  void putFile(const fs::path& file, std::string_view bytes) override;
  void putFileUnsynced(const fs::path& file, std::string_view bytes) override;
  void syncFile(const fs::path& file) override;
  fs::path resolvedPath(const fs::path& path) override;
  bool writable(const fs::path& path) override;
  std::string replaceBlocked(const fs::path& file) override;
  std::optional<FileStamp> stampFile(const fs::path& file) override;
};

}  // namespace shell
