#pragma once

#include <filesystem>

namespace app {

// The shell the editor works on: the folder of the program when it holds 1.js (the editor
// placed in the shell's root, as it ships), otherwise the working folder.
std::filesystem::path findShellRoot(const std::filesystem::path& programFolder,
                                    const std::filesystem::path& workingFolder);

}  // namespace app
