// The recorder of the Linux disk: the durability test is linked with --wrap, so that the real
// disk's calls of open, fsync, rename, unlink and rmdir go through these wrappers; the program
// is linked without it and calls the C library directly, at no cost.

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdarg>
#include <map>

#include "shell/Durability.h"

namespace durability {

const bool kNamesInOrder = false;

namespace {
std::map<int, std::filesystem::path> g_open;  // descriptor -> path, while recording
}  // namespace

}  // namespace durability

using durability::record;

extern "C" {
int __real_open(const char* path, int flags, ...);
int __real_fsync(int fd);
int __real_rename(const char* from, const char* to);
int __real_unlink(const char* path);
int __real_rmdir(const char* path);

int __wrap_open(const char* path, int flags, ...) {
  mode_t mode = 0;
  if ((flags & O_CREAT) != 0) {
    va_list args;
    va_start(args, flags);
    mode = va_arg(args, mode_t);
    va_end(args);
    record("create", path);
  } else if ((flags & O_ACCMODE) != O_RDONLY) {
    record("write", path);
  }
  const int fd = __real_open(path, flags, mode);
  if (fd >= 0 && durability::recording()) durability::g_open[fd] = path;
  return fd;
}
int __wrap_fsync(int fd) {
  if (durability::recording()) record("fsync", durability::g_open[fd]);
  return __real_fsync(fd);
}
int __wrap_rename(const char* from, const char* to) {
  record("rename", from, to);
  return __real_rename(from, to);
}
int __wrap_unlink(const char* path) {
  record("unlink", path);
  return __real_unlink(path);
}
int __wrap_rmdir(const char* path) {
  record("rmdir", path);
  return __real_rmdir(path);
}
}
