#include "app/ShellRoot.h"

#include <system_error>

#include "shell/Layout.h"

namespace app {

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
