#include "lifecycle/ShellRoot.h"

#include <cstdlib>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

#include "shell/Layout.h"
#include "shell/Russian.h"
#include "shell/ShellError.h"

namespace lifecycle {

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
  if (const char* launcher = std::getenv(kLauncherVariable); launcher != nullptr) {
    const std::filesystem::path path(launcher);
    if (path.is_absolute() && path.has_filename()) return path.parent_path();
  }
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : self.parent_path();
#endif
}

std::filesystem::path findShellRoot(const std::filesystem::path& programFolder,
                                    const std::filesystem::path& workingFolder,
                                    const std::vector<std::filesystem::path>& arguments) {
  std::error_code error;
  if (arguments.size() > 1) {
    std::string names;
    for (const auto& argument : arguments) {
      names += (names.empty() ? "«" : ", «") + shell::utf8(argument) + "»";
    }
    throw shell::ShellError("", "Редактору переданы сразу несколько папок или файлов: " + names +
                                    ". Он правит один тест за раз: откройте им одну папку теста "
                                    "(ту, в которой лежат файлы index.html и 1.js).");
  }
  if (arguments.size() == 1) {
    // "/media/stick/test/" and "test/." name the folder "test" in messages.
    std::filesystem::path folder = (workingFolder / arguments.front()).lexically_normal();
    while (!folder.has_filename() && folder.has_relative_path()) folder = folder.parent_path();
    const auto status = std::filesystem::status(folder, error);
    if (status.type() == std::filesystem::file_type::not_found) {
      throw shell::ShellError("", "Папка «" + shell::utf8(folder) +
                                      "» не найдена: её нет на диске (флешка вынута, папку "
                                      "переименовали или перенесли?). Откройте редактором папку "
                                      "теста — ту, в которой лежат файлы index.html и 1.js.");
    }
    if (std::filesystem::exists(status) && !std::filesystem::is_directory(status)) {
      return folder.parent_path();
    }
    return folder;
  }
  if (!programFolder.empty() &&
      std::filesystem::is_regular_file(programFolder / shell::kAnswerKeyFile, error)) {
    return programFolder;
  }
  return workingFolder;
}

}  // namespace lifecycle
