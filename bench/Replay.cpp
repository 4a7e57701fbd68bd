#include "bench/Replay.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

namespace bench {

std::string RecordingDisk::readFile(const fs::path& f) {
  calls.push_back({FileCall::Read, f, {}, {}, 0});
  return real_.readFile(f);
}
void RecordingDisk::renameFile(const fs::path& from, const fs::path& to) {
  calls.push_back({FileCall::Rename, from, to, {}, 0});
  real_.renameFile(from, to);
}
void RecordingDisk::deleteFile(const fs::path& f) {
  calls.push_back({FileCall::Delete, f, {}, {}, 0});
  real_.deleteFile(f);
}
void RecordingDisk::makeFolder(const fs::path& f) {
  calls.push_back({FileCall::MakeFolder, f, {}, {}, 0});
  real_.makeFolder(f);
}
void RecordingDisk::removeFolder(const fs::path& f) {
  calls.push_back({FileCall::RemoveFolder, f, {}, {}, 0});
  real_.removeFolder(f);
}
void RecordingDisk::syncFolder(const fs::path& f) {
  calls.push_back({FileCall::SyncFolder, f, {}, {}, 0});
  real_.syncFolder(f);
}
std::vector<std::string> RecordingDisk::listFolders(const fs::path& f) {
  calls.push_back({FileCall::ListFolders, f, {}, {}, 0});
  return real_.listFolders(f);
}
std::vector<std::string> RecordingDisk::listFiles(const fs::path& f, std::string_view p) {
  calls.push_back({FileCall::ListFiles, f, {}, std::string(p), 0});
  return real_.listFiles(f, p);
}
bool RecordingDisk::folderExists(const fs::path& f) {
  calls.push_back({FileCall::Exists, f, {}, {}, 0});
  return real_.folderExists(f);
}
bool RecordingDisk::fileExists(const fs::path& f) {
  calls.push_back({FileCall::Exists, f, {}, {}, 0});
  return real_.fileExists(f);
}

void RecordingDisk::putFile(const fs::path& f, std::string_view b) {
  calls.push_back({FileCall::Put, f, {}, {}, b.size()});
  written.emplace_back(b);
  real_.putFile(f, b);
}
fs::path RecordingDisk::resolvedPath(const fs::path& f) {
  calls.push_back({FileCall::Resolve, f, {}, {}, 0});
  return real_.resolvedPath(f);
}
bool RecordingDisk::writable(const fs::path& f) {
  calls.push_back({FileCall::Writable, f, {}, {}, 0});
  return real_.writable(f);
}

namespace {

void check(bool ok, const char* what, const fs::path& path) {
  if (!ok) throw std::runtime_error(std::string(what) + " failed: " + path.string());
}

std::string readAll(const fs::path& file) {
  const int fd = ::open(file.c_str(), O_RDONLY);
  check(fd >= 0, "open", file);
  struct stat st {};
  ::fstat(fd, &st);
  std::string bytes(static_cast<std::size_t>(st.st_size), '\0');
  std::size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    check(n > 0, "read", file);
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  return bytes;
}

void syncDir(const fs::path& dir) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
  check(fd >= 0, "open folder", dir);
  ::fsync(fd);
  ::close(fd);
}

void syncedWrite(const fs::path& file, const std::string& bytes) {
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  check(fd >= 0, "create", file);
  check(::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()), "write",
        file);
  check(::fsync(fd) == 0, "fsync", file);
  ::close(fd);
}

std::size_t listing(const fs::path& dir) {
  DIR* d = ::opendir(dir.c_str());
  check(d != nullptr, "opendir", dir);
  std::size_t n = 0;
  while (::readdir(d) != nullptr) ++n;
  ::closedir(d);
  return n;
}

}  // namespace

void replay(const std::vector<FileCall>& calls, const std::vector<std::string>& written) {
  std::size_t nextWrite = 0;
  for (const auto& c : calls) {
    switch (c.kind) {
      case FileCall::Read: (void)readAll(c.path); break;
      case FileCall::Rename: check(::rename(c.path.c_str(), c.to.c_str()) == 0, "rename", c.path); break;
      case FileCall::Delete: check(::unlink(c.path.c_str()) == 0, "unlink", c.path); break;
      case FileCall::MakeFolder:
        check(::mkdir(c.path.c_str(), 0755) == 0, "mkdir", c.path);
        syncDir(c.path.parent_path());
        break;
      case FileCall::RemoveFolder:
        check(::rmdir(c.path.c_str()) == 0, "rmdir", c.path);
        syncDir(c.path.parent_path());
        break;
      case FileCall::SyncFolder: syncDir(c.path); break;
      case FileCall::ListFolders:
      case FileCall::ListFiles: (void)listing(c.path); break;
      case FileCall::Put: syncedWrite(c.path, written.at(nextWrite++)); break;
      case FileCall::Resolve: {
        char* real = ::realpath(c.path.c_str(), nullptr);
        ::free(real);
        break;
      }
      case FileCall::Writable: (void)::access(c.path.c_str(), W_OK); break;
      case FileCall::Exists: {
        struct stat st {};
        (void)::stat(c.path.c_str(), &st);
        break;
      }
    }
  }
}

}  // namespace bench
