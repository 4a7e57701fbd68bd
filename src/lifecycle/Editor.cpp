#include "lifecycle/Editor.h"

#include "shell/Layout.h"

namespace lifecycle {

Editor::Editor(const Seams& seams, fs::path shellRoot)
    : disk_(seams.disk),
      dialogs_(seams.dialogs),
      clock_(seams.clock),
      random_(seams.random),
      screen_(seams.screen),
      shellRoot_(std::move(shellRoot)) {}

fs::path Editor::rootFile(const char* name) const { return state.ShellPath / name; }

std::string Editor::shown(const fs::path& path) const {
  fs::path relative = path.lexically_relative(state.ShellPath);
  if (relative.empty() || relative.begin()->string() == "..") return path.string();
  return relative.generic_string();
}

}  // namespace lifecycle
