#include "lifecycle/RecentTests.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#include <shlobj.h>
#endif

#include "shell/Russian.h"
#include "shell/ShellError.h"

namespace lifecycle {

namespace fs = std::filesystem;

namespace {

constexpr const char* kOwnFolder = "test-editor";
constexpr const char* kFileName = "recent-tests.txt";

// One folder a line, in UTF-8.
std::vector<fs::path> parse(const std::string& bytes) {
  std::vector<fs::path> folders;
  std::size_t from = 0;
  while (from < bytes.size() && folders.size() < RecentTests::kKept) {
    std::size_t end = bytes.find('\n', from);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(from, end - from);
    from = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const fs::path folder = shell::fromUtf8(line);
    if (line.empty() || !folder.is_absolute()) continue;
    bool seen = false;
    for (const auto& each : folders) seen = seen || each == folder;
    if (!seen) folders.push_back(folder);
  }
  return folders;
}

#ifndef _WIN32
std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}
#endif

}  // namespace

std::vector<fs::path> RecentTests::read() const {
  if (file_.empty()) return {};
  try {
    if (!disk_.fileExists(file_)) return {};
    return parse(disk_.readFile(file_));
  } catch (const shell::ShellError&) {
    return {};
  }
}

void RecentTests::add(const fs::path& given) {
  if (file_.empty() || !given.is_absolute()) return;
  // "/media/stick/test/" and "/media/stick/test/." are the folder "/media/stick/test".
  fs::path folder = given.lexically_normal();
  if (!folder.has_filename() && folder.has_relative_path()) folder = folder.parent_path();
  try {
    if (shell::isInside(disk_.resolvedPath(file_.parent_path()), disk_.resolvedPath(folder))) return;
    std::vector<fs::path> folders = read();
    std::erase(folders, folder);
    folders.insert(folders.begin(), folder);
    if (folders.size() > kKept) folders.resize(kKept);
    std::string bytes;
    for (const auto& each : folders) bytes += shell::utf8(each) + "\n";
    // The settings folder and the editor's own folder in it, when this is the first time.
    const fs::path own = file_.parent_path();
    if (!disk_.folderExists(own.parent_path())) disk_.makeFolder(own.parent_path());
    if (!disk_.folderExists(own)) disk_.makeFolder(own);
    const fs::path temporary = own / (std::string(".") + kFileName + ".tmp");
    disk_.putFile(temporary, bytes);
    disk_.renameFile(temporary, file_);
    disk_.syncFolder(own);
  } catch (const shell::ShellError&) {
    // Not remembered this time; the temporary, if any, is replaced by the next one.
  }
}

fs::path recentTestsFile() {
#ifdef _WIN32
  const wchar_t* appData = _wgetenv(L"APPDATA");
  if (appData == nullptr || *appData == L'\0') return {};
  return fs::path(appData) / kOwnFolder / kFileName;
#else
  fs::path settings = environment("XDG_CONFIG_HOME");
  if (!settings.is_absolute()) {
    const fs::path home = environment("HOME");
    if (!home.is_absolute()) return {};
    settings = home / ".config";
  }
  return settings / kOwnFolder / kFileName;
#endif
}

fs::path documentsFolder() {
  std::error_code error;
#ifdef _WIN32
  wchar_t path[MAX_PATH];
  if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, path))) return fs::path(path);
  const wchar_t* profile = _wgetenv(L"USERPROFILE");
  return profile == nullptr ? fs::path() : fs::path(profile);
#else
  const fs::path home = environment("HOME");
  if (!home.is_absolute()) return {};
  // The desktop's own name for it (Документы on a Russian desktop), from its user-dirs file.
  fs::path settings = environment("XDG_CONFIG_HOME");
  if (!settings.is_absolute()) settings = home / ".config";
  if (std::FILE* dirs = std::fopen((settings / "user-dirs.dirs").c_str(), "r")) {
    char line[4096];
    const std::string key = "XDG_DOCUMENTS_DIR=\"";
    while (std::fgets(line, sizeof line, dirs) != nullptr) {
      std::string text(line);
      if (!text.starts_with(key)) continue;
      const std::size_t close = text.find('"', key.size());
      if (close == std::string::npos) break;
      std::string value = text.substr(key.size(), close - key.size());
      if (value.starts_with("$HOME")) value = home.string() + value.substr(5);
      if (fs::path(value).is_absolute() && fs::path(value) != home && fs::is_directory(value, error)) {
        std::fclose(dirs);
        return value;
      }
      break;
    }
    std::fclose(dirs);
  }
  for (const char* name : {"Documents", "Документы"}) {
    if (fs::is_directory(home / name, error)) return home / name;
  }
  return home;
#endif
}

}  // namespace lifecycle
