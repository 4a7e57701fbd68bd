// Path rules of the shell that do not depend on the system.

#include "shell/Disk.h"

namespace shell {

bool isInside(const fs::path& path, const fs::path& folder) {
  const fs::path relative = path.lexically_relative(folder);
  return !relative.empty() && *relative.begin() != "..";
}

fs::path fromUtf8(const std::string& name) { return fs::path(std::u8string(name.begin(), name.end())); }

}  // namespace shell
