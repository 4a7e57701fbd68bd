#pragma once

#include <string>
#include <vector>

namespace launcher {

// Where the Linux download keeps the editor beside its launcher: the dot folder, which is no part
// of a test to the editor, holds the program itself, its fonts and, in lib, every library it
// loads with the C library and that library's own loader.
inline constexpr char kEditorFolder[] = ".test_editor";
inline constexpr char kProgram[] = ".test_editor/test_editor";
inline constexpr char kLoader[] = ".test_editor/lib/ld-linux-x86-64.so.2";
// The window's fonts, which the program makes its own whatever the system has.
inline constexpr char kFonts[] = ".test_editor/fonts";

// How the launcher at `launcher` (its own file, a full path) starts the editor for `given` (its
// own argv: its name first, then the arguments): the folder's loader runs the folder's program
// with the arguments exactly as given. The loader takes no library path from the system
// (LD_LIBRARY_PATH): the program and its libraries find theirs in the folder by their RUNPATH,
// whatever characters the folder's path holds. The program's argv[0] is the launcher's.
struct Launch {
  std::string loader;
  std::vector<std::string> arguments;  // the loader's argv
};
Launch launchFrom(const std::string& launcher, const std::vector<std::string>& given);

}  // namespace launcher
