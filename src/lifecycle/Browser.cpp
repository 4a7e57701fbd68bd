// Opening a page in the system's browser. The editor waits only until the browser is started,
// never until it is closed.

#include "lifecycle/Generators.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace lifecycle {

#ifdef _WIN32

bool SystemBrowser::open(const std::string& fileOrAddress) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, fileOrAddress.data(), static_cast<int>(fileOrAddress.size()),
                                    nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, fileOrAddress.data(), static_cast<int>(fileOrAddress.size()), wide.data(), n);
  const auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  return result > 32;
}

#else

// xdg-open in a process of its own that the editor does not wait for: a child starts it in a
// grandchild and ends at once. The grandchild tells through a pipe closed on exec whether xdg-open
// could be started at all.
bool SystemBrowser::open(const std::string& fileOrAddress) {
  int pipe[2];
  if (::pipe2(pipe, O_CLOEXEC) != 0) return false;
  const pid_t child = ::fork();
  if (child < 0) {
    ::close(pipe[0]);
    ::close(pipe[1]);
    return false;
  }
  if (child == 0) {
    if (::fork() == 0) {
      ::setsid();
      const int devnull = ::open("/dev/null", O_RDWR);
      if (devnull >= 0) {
        ::dup2(devnull, 0);
        ::dup2(devnull, 1);
        ::dup2(devnull, 2);
      }
      const char* argv[] = {"xdg-open", fileOrAddress.c_str(), nullptr};
      ::execvp("xdg-open", const_cast<char* const*>(argv));
      const int error = errno;
      (void)!::write(pipe[1], &error, sizeof error);
    }
    ::_exit(0);
  }
  ::close(pipe[1]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  int error = 0;
  ssize_t got;
  while ((got = ::read(pipe[0], &error, sizeof error)) < 0 && errno == EINTR) {
  }
  ::close(pipe[0]);
  return got == 0;
}

#endif

}  // namespace lifecycle
