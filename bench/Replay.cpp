#include "bench/Replay.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

namespace bench {

void RecordingDisk::before(const Call& c) {
  calls.push_back({c.kind, c.path, c.to != nullptr ? *c.to : fs::path(), std::string(c.pattern),
                   c.bytes.size()});
  if (c.kind == Call::PutFile || c.kind == Call::PutFileUnsynced) written.emplace_back(c.bytes);
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

void write(const fs::path& file, const std::string& bytes, bool sync) {
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  check(fd >= 0, "create", file);
  check(::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()), "write",
        file);
  if (sync) check(::fsync(fd) == 0, "fsync", file);
  ::close(fd);
}

void syncFile(const fs::path& file) {
  const int fd = ::open(file.c_str(), O_RDONLY);
  check(fd >= 0 && ::fsync(fd) == 0, "fsync", file);
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
  using Call = support::ForwardingDisk::Call;
  for (const auto& c : calls) {
    switch (c.kind) {
      case Call::ReadFile: (void)readAll(c.path); break;
      case Call::RenameFile: check(::rename(c.path.c_str(), c.to.c_str()) == 0, "rename", c.path); break;
      case Call::DeleteFile: check(::unlink(c.path.c_str()) == 0, "unlink", c.path); break;
      case Call::MakeFolder:
        check(::mkdir(c.path.c_str(), 0755) == 0, "mkdir", c.path);
        syncDir(c.path.parent_path());
        break;
      case Call::RemoveFolder:
        check(::rmdir(c.path.c_str()) == 0, "rmdir", c.path);
        syncDir(c.path.parent_path());
        break;
      case Call::SyncFolder: syncDir(c.path); break;
      case Call::ListFolders:
      case Call::ListFiles: (void)listing(c.path); break;
      case Call::PutFile: write(c.path, written.at(nextWrite++), true); break;
      case Call::PutFileUnsynced: write(c.path, written.at(nextWrite++), false); break;
      case Call::SyncFile: syncFile(c.path); break;
      case Call::ResolvedPath: {
        char* real = ::realpath(c.path.c_str(), nullptr);
        ::free(real);
        break;
      }
      case Call::Writable: (void)::access(c.path.c_str(), W_OK); break;
      case Call::FileExists:
      case Call::FolderExists: {
        struct stat st {};
        (void)::stat(c.path.c_str(), &st);
        break;
      }
      // Any file can be replaced here; the real disk asks the system nothing.
      case Call::ReplaceBlocked: break;
    }
  }
}

}  // namespace bench
