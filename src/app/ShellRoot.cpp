#include "app/ShellRoot.h"

#include <string>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

#include "shell/Layout.h"

namespace app {

std::filesystem::path programFolder() {
#ifdef _WIN32
  // The wide name, so that a folder named in Russian comes back whole; the buffer grows
  // until the name fits (a path may be longer than MAX_PATH).
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (n == 0) return {};
    if (n < name.size()) {
      name.resize(n);
      break;
    }
    name.resize(name.size() * 2);
  }
  return std::filesystem::path(name).parent_path();
#else
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : self.parent_path();
#endif
}

std::filesystem::path findShellRoot(const std::filesystem::path& programFolder,
                                    const std::filesystem::path& workingFolder) {
  std::error_code error;
  if (!programFolder.empty() &&
      std::filesystem::is_regular_file(programFolder / shell::kAnswerKeyFile, error)) {
    return programFolder;
  }
  return workingFolder;
}

}  // namespace app
