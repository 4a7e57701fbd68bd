// The Linux editor as a teacher starts it: the file test_editor in the download's folder, by a
// double click, from "Open with" or from a terminal. A static program, so that the system's
// loader starts it on any x86-64 Linux whatever its C library; it starts the editor through the
// folder's own loader, with the folder's C library (Launch.h), and names itself to the editor,
// whose process file is then that loader.

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "launcher/Launch.h"
#include "lifecycle/ShellRoot.h"

namespace {

// This program's own file, its links followed; from its name as started where /proc is not
// mounted.
std::string ownFile(const char* name) {
  char path[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n > 0) return std::string(path, static_cast<std::size_t>(n));
  if (name != nullptr && std::strchr(name, '/') != nullptr && realpath(name, path) != nullptr) {
    return path;
  }
  return {};
}

}  // namespace

int main(int argc, char** argv) {
  const std::string self = ownFile(argc > 0 ? argv[0] : nullptr);
  if (self.empty()) {
    std::fprintf(stderr, "Редактор теста: не удалось узнать, в какой папке лежит программа.\n");
    return 127;
  }
  setenv(lifecycle::kLauncherVariable, self.c_str(), 1);
  const launcher::Launch launch =
      launcher::launchFrom(self, std::vector<std::string>(argv, argv + argc));
  std::vector<char*> arguments;
  for (const std::string& argument : launch.arguments)
    arguments.push_back(const_cast<char*>(argument.c_str()));
  arguments.push_back(nullptr);
  execv(launch.loader.c_str(), arguments.data());
  std::fprintf(stderr, "Редактор теста: не удалось запустить %s: %s\n", launch.loader.c_str(),
               std::strerror(errno));
  return 127;
}
