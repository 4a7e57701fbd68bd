// Where the teacher's own data lives on each system: the one part of the store written per system.

#include <cstdlib>
#include <system_error>

#include "lesson/SqliteStore.h"
#include "shell/Russian.h"
#include "shell/ShellError.h"

#ifdef _WIN32
#include <shlobj.h>
#include <windows.h>
#endif

namespace lesson {

#ifdef _WIN32

// %APPDATA%, the roaming application data of the user, as the list of tests opened last finds
// it, when it is an absolute path (a relative one would land wherever the program was started,
// a test's folder too); otherwise the system's own answer (SHGetFolderPathW, there since XP).
fs::path userDataFolder() {
  if (const wchar_t* appData = _wgetenv(L"APPDATA"); appData != nullptr && fs::path(appData).is_absolute()) {
    return fs::path(appData);
  }
  wchar_t path[MAX_PATH] = {};
  if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path))) {
    return fs::path(path);
  }
  throw shell::ShellError("", "не найдена папка данных пользователя (%APPDATA%): результаты уроков негде сохранить");
}

#else

// $XDG_DATA_HOME when it is an absolute path, otherwise ~/.local/share. The home folder is
// taken from $HOME alone: the editor looks up no user in the system's user database.
fs::path userDataFolder() {
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && fs::path(xdg).is_absolute()) {
    return fs::path(xdg);
  }
  if (const char* home = std::getenv("HOME"); home != nullptr && fs::path(home).is_absolute()) {
    return fs::path(home) / ".local" / "share";
  }
  throw shell::ShellError("", "не найдена домашняя папка (переменная HOME не задана): результаты уроков негде сохранить");
}

#endif

fs::path SqliteStore::defaultFile() { return fileIn(userDataFolder() / "test-editor"); }

fs::path SqliteStore::fileIn(const fs::path& folder) {
  std::error_code error;
  fs::create_directories(folder, error);
  if (error || !fs::is_directory(folder)) {
#ifdef _WIN32
    const std::string reason = error ? shell::systemReasonWin(static_cast<unsigned long>(error.value())) : "на этом месте файл";
#else
    const std::string reason = error ? shell::systemReason(error.value()) : "на этом месте файл";
#endif
    throw shell::ShellError(shell::utf8(folder), "не удалось создать папку для результатов уроков: " + reason);
  }
  const fs::path absolute = fs::absolute(folder, error);
  return (error ? folder : absolute) / "results.sqlite";
}

}  // namespace lesson
