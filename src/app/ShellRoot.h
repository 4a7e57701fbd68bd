#pragma once

#include <filesystem>

namespace app {

// The folder of the running program's file: where the editor sits when it ships in the root
// of a shell. Empty when the system does not tell.
std::filesystem::path programFolder();

// The shell the editor works on: the folder of the program when it holds 1.js (the editor
// placed in the shell's root, as it ships), otherwise the working folder.
std::filesystem::path findShellRoot(const std::filesystem::path& programFolder,
                                    const std::filesystem::path& workingFolder);

}  // namespace app
