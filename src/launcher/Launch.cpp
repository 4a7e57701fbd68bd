#include "launcher/Launch.h"

namespace launcher {

Launch launchFrom(const std::string& launcher, const std::vector<std::string>& given) {
  const std::string folder = launcher.substr(0, launcher.rfind('/') + 1);
  Launch launch{folder + kLoader, {}};
  // The loader's options end at the program's path: every argument after it is the program's,
  // one beginning with "--" too. An empty library path stands in for LD_LIBRARY_PATH.
  launch.arguments = {
      launch.loader,    "--library-path", "", "--argv0", given.empty() ? launcher : given.front(),
      folder + kProgram};
  if (!given.empty())
    launch.arguments.insert(launch.arguments.end(), given.begin() + 1, given.end());
  return launch;
}

}  // namespace launcher
