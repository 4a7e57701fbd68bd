// Path rules of the shell that do not depend on the system.

#include "shell/Disk.h"

namespace shell {

fs::path temporaryFor(const fs::path& target) {
  return target.parent_path() / fs::path(u8"." + target.filename().u8string() + u8".tmp");
}

bool isInside(const fs::path& path, const fs::path& folder) {
  const fs::path relative = path.lexically_relative(folder);
  return !relative.empty() && *relative.begin() != "..";
}

fs::path fromUtf8(const std::string& name) { return fs::path(std::u8string(name.begin(), name.end())); }

}  // namespace shell
