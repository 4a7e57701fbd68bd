#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "shell/Disk.h"
#include "shell/Layout.h"
#include "shell/Russian.h"
#include "shell/ShellError.h"

namespace shell {

namespace {

[[noreturn]] void fail(const fs::path& path, const char* what, int error) {
  throw ShellError(path.string(), std::string(what) + ": " + systemReason(error));
}

// Closes a descriptor when it goes out of scope.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  // Closes now and reports the result, since a close can report a failed delayed write.
  int close() {
    int rc = ::close(fd_);
    fd_ = -1;
    return rc;
  }

 private:
  int fd_;
};

void writeAll(int fd, std::string_view bytes, const fs::path& path) {
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      fail(path, "не удалось записать файл", errno);
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
}

template <typename Keep>
std::vector<std::string> listNames(const fs::path& folder, Keep keep) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) fail(folder, "не удалось открыть папку", errno);
  std::vector<std::string> names;
  errno = 0;
  while (dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    // The entry's own type where the file system gives it; a link or an unknown type is
    // looked up, and a link to a folder or file counts as what it points to.
    mode_t type = 0;
    if (entry->d_type == DT_DIR) type = S_IFDIR;
    else if (entry->d_type == DT_REG) type = S_IFREG;
    if (type == 0) {
      struct stat st {};
      if (::stat((folder / name).c_str(), &st) != 0) continue;
      type = st.st_mode & S_IFMT;
    }
    if (keep(name, type)) names.push_back(std::move(name));
    errno = 0;
  }
  int error = errno;
  ::closedir(dir);
  if (error != 0) fail(folder, "не удалось прочитать папку", error);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

std::string RealDisk::readFile(const fs::path& file) {
  Fd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) fail(file, "не удалось открыть файл", errno);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) fail(file, "не удалось прочитать файл", errno);
  if (S_ISDIR(st.st_mode)) fail(file, "не удалось прочитать файл", EISDIR);
  // Read straight into a string of the file's size, and on until the end in case it grew.
  std::string bytes(static_cast<std::size_t>(st.st_size), '\0');
  std::size_t got = 0;
  for (;;) {
    if (got == bytes.size()) bytes.resize(bytes.size() + 4096);
    ssize_t n = ::read(fd.get(), bytes.data() + got, bytes.size() - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      fail(file, "не удалось прочитать файл", errno);
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  bytes.resize(got);
  return bytes;
}

void RealDisk::putFile(const fs::path& file, std::string_view bytes) {
  Fd fd(::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  if (fd.get() < 0) fail(file, "не удалось записать файл", errno);
  writeAll(fd.get(), bytes, file);
  if (::fsync(fd.get()) != 0) fail(file, "не удалось записать файл", errno);
  if (fd.close() != 0) fail(file, "не удалось записать файл", errno);
}

void RealDisk::putFileUnsynced(const fs::path& file, std::string_view bytes) {
  Fd fd(::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  if (fd.get() < 0) fail(file, "не удалось записать файл", errno);
  writeAll(fd.get(), bytes, file);
  if (fd.close() != 0) fail(file, "не удалось записать файл", errno);
}

void RealDisk::syncFile(const fs::path& file) {
  Fd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0 || ::fsync(fd.get()) != 0) fail(file, "не удалось записать файл", errno);
}

fs::path RealDisk::resolvedPath(const fs::path& path) {
  char* real = ::realpath(path.c_str(), nullptr);
  if (real == nullptr) return fs::absolute(path);
  fs::path out(real);
  ::free(real);
  return out;
}

// A file open elsewhere, or without write permission, can still be renamed over or deleted
// here; the folder's permission is what counts.
std::string RealDisk::replaceBlocked(const fs::path&) { return {}; }

bool RealDisk::writable(const fs::path& path) { return ::access(path.c_str(), W_OK) == 0; }

void RealDisk::renameFile(const fs::path& from, const fs::path& to) {
  if (::rename(from.c_str(), to.c_str()) != 0) {
    fail(from, ("не удалось переименовать в " + to.string()).c_str(), errno);
  }
}

void RealDisk::deleteFile(const fs::path& file) {
  if (::unlink(file.c_str()) != 0) fail(file, "не удалось удалить файл", errno);
}

void RealDisk::makeFolder(const fs::path& folder) {
  if (::mkdir(folder.c_str(), 0755) != 0) fail(folder, "не удалось создать папку", errno);
}

void RealDisk::removeFolder(const fs::path& folder) {
  if (::rmdir(folder.c_str()) != 0) fail(folder, "не удалось удалить папку", errno);
}

void RealDisk::syncFolder(const fs::path& folder) {
  Fd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.get() < 0) fail(folder, "не удалось сохранить изменения папки", errno);
  if (::fsync(fd.get()) != 0 && errno != EINVAL) {
    fail(folder, "не удалось сохранить изменения папки", errno);
  }
}

std::vector<std::string> RealDisk::listFolders(const fs::path& folder) {
  return listNames(folder, [](const std::string&, mode_t type) { return type == S_IFDIR; });
}

std::vector<std::string> RealDisk::listFiles(const fs::path& folder, std::string_view pattern) {
  return listNames(folder, [pattern](const std::string& name, mode_t type) {
    return type == S_IFREG && matchesPattern(name, pattern);
  });
}

bool RealDisk::folderExists(const fs::path& folder) {
  struct stat st {};
  return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::optional<FileStamp> RealDisk::stampFile(const fs::path& file) {
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return std::nullopt;
    fail(file, "не удалось получить сведения о файле", errno);
  }
  if (!S_ISREG(st.st_mode)) return std::nullopt;
  auto nanoseconds = [](const timespec& t) {
    return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
  };
  return FileStamp{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
                   static_cast<std::uint64_t>(st.st_size), nanoseconds(st.st_mtim),
                   nanoseconds(st.st_ctim)};
}

bool RealDisk::fileExists(const fs::path& file) {
  struct stat st {};
  return ::stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace shell
