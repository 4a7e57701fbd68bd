#pragma once

#include <filesystem>
#include <vector>

namespace lifecycle {

// The teacher's guide, which ships beside the program.
inline constexpr const char* kGuideFile = "guide.html";

// The environment variable by which the Linux download's launcher names itself (its full path)
// to the editor it starts through the folder's own loader: the process's file is then that
// loader, deep in the folder, not the program the teacher started.
inline constexpr char kLauncherVariable[] = "TEST_EDITOR_LAUNCHER";

// The folder of the program the teacher started: where the editor sits when it ships in the root
// of a shell. On Linux the launcher's folder when a launcher named itself, else the folder of the
// process's file. Empty when the system does not tell.
std::filesystem::path programFolder();

// The shell the editor works on, from the arguments the program was started with (its own name
// and the toolkit's options left out).
// - None: the folder of the program when it holds 1.js (the editor placed in the shell's root,
//   as it ships), otherwise the working folder.
// - One: that folder, taken from the working folder when it is relative; "Open with" on a folder
//   and a folder dropped onto the program both start it so. A file stands for the folder it lies
//   in (a file of the test dropped instead of its folder). Start-up then checks that folder as
//   it checks any other.
// Throws shell::ShellError naming the path when it does not exist, and naming them all when
// there are several: the editor edits one test at a time.
std::filesystem::path findShellRoot(const std::filesystem::path& programFolder,
                                    const std::filesystem::path& workingFolder,
                                    const std::vector<std::filesystem::path>& arguments = {});

}  // namespace lifecycle
