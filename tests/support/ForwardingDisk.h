#pragma once

#include "shell/Disk.h"

namespace support {

namespace fs = std::filesystem;

// The real disk with one hook before each operation, for the disks that tests and benchmarks
// put in front of it (one fails an operation, one records them). An operation added to Disk is
// forwarded here once, and each of them sees it. Only a header, so that the benchmark, which is
// built without the tests, takes it as well.
class ForwardingDisk : public shell::Disk {
 public:
  // An operation as the hook sees it, before the real disk does it.
  struct Call {
    enum Kind { ReadFile, RenameFile, DeleteFile, MakeFolder, RemoveFolder, SyncFolder,
                ListFolders, ListFiles, FileExists, FolderExists, PutFile, ResolvedPath, Writable,
                ReplaceBlocked, StampFile, PutFileUnsynced, SyncFile } kind;
    const fs::path& path;
    const fs::path* to = nullptr;  // renameFile: the new name
    std::string_view bytes{};      // putFile: the content
    std::string_view pattern{};    // listFiles
  };

  std::string readFile(const fs::path& f) override {
    before({Call::ReadFile, f});
    return real_.readFile(f);
  }
  void renameFile(const fs::path& from, const fs::path& to) override {
    before({Call::RenameFile, from, &to});
    real_.renameFile(from, to);
  }
  void deleteFile(const fs::path& f) override {
    before({Call::DeleteFile, f});
    real_.deleteFile(f);
  }
  void makeFolder(const fs::path& f) override {
    before({Call::MakeFolder, f});
    real_.makeFolder(f);
  }
  void removeFolder(const fs::path& f) override {
    before({Call::RemoveFolder, f});
    real_.removeFolder(f);
  }
  void syncFolder(const fs::path& f) override {
    before({Call::SyncFolder, f});
    real_.syncFolder(f);
  }
  std::vector<std::string> listFolders(const fs::path& f) override {
    before({Call::ListFolders, f});
    return real_.listFolders(f);
  }
  std::vector<std::string> listFiles(const fs::path& f, std::string_view pattern) override {
    before({Call::ListFiles, f, nullptr, {}, pattern});
    return real_.listFiles(f, pattern);
  }
  bool fileExists(const fs::path& f) override {
    before({Call::FileExists, f});
    return real_.fileExists(f);
  }
  bool folderExists(const fs::path& f) override {
    before({Call::FolderExists, f});
    return real_.folderExists(f);
  }
  void putFile(const fs::path& f, std::string_view bytes) override {
    before({Call::PutFile, f, nullptr, bytes});
    real_.putFile(f, bytes);
  }
  void putFileUnsynced(const fs::path& f, std::string_view bytes) override {
    before({Call::PutFileUnsynced, f, nullptr, bytes});
    real_.putFileUnsynced(f, bytes);
  }
  void syncFile(const fs::path& f) override {
    before({Call::SyncFile, f});
    real_.syncFile(f);
  }
  fs::path resolvedPath(const fs::path& f) override {
    before({Call::ResolvedPath, f});
    return real_.resolvedPath(f);
  }
  bool writable(const fs::path& f) override {
    before({Call::Writable, f});
    return real_.writable(f);
  }
  std::string replaceBlocked(const fs::path& f) override {
    before({Call::ReplaceBlocked, f});
    return real_.replaceBlocked(f);
  }
  std::optional<shell::FileStamp> stampFile(const fs::path& f) override {
    before({Call::StampFile, f});
    return real_.stampFile(f);
  }

 protected:
  // Runs before every operation; an exception fails the operation before it starts.
  virtual void before(const Call& call) = 0;
  shell::RealDisk real_;
};

}  // namespace support
