// TEMPORARY, to be deleted when the core's own Windows disk (src/shell/RealDiskWin.cpp) lands:
// a plain stand-in for shell::RealDisk on Windows through std::filesystem, so that the Win32
// window can be built and tried under Wine meanwhile. It has no durable syncs and no checks
// beyond what std::filesystem gives.

#include <windows.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "shell/Disk.h"
#include "shell/Layout.h"
#include "shell/ShellError.h"

namespace shell {

namespace {

[[noreturn]] void fail(const fs::path& path, const char* what) {
  throw ShellError(path.filename().string(), what);
}

template <typename Keep>
std::vector<std::string> listNames(const fs::path& folder, Keep keep) {
  std::error_code error;
  std::vector<std::string> names;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (keep(*it)) names.push_back(it->path().filename().string());
  }
  if (error) fail(folder, "не удалось прочитать папку");
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

fs::path temporaryFor(const fs::path& target) {
  return target.parent_path() / ("." + target.filename().string() + ".tmp");
}

std::string RealDisk::readFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) fail(file, "не удалось открыть файл");
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void RealDisk::putFile(const fs::path& file, std::string_view bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) fail(file, "не удалось записать файл");
}

void RealDisk::writeFile(const fs::path& file, std::string_view bytes) {
  const fs::path temp = temporaryFor(file);
  putFile(temp, bytes);
  renameFile(temp, file);
}

void RealDisk::copyFile(const fs::path& from, const fs::path& to) { writeFile(to, readFile(from)); }

void RealDisk::renameFile(const fs::path& from, const fs::path& to) {
  if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    fail(from, "не удалось переименовать файл");
  }
}

void RealDisk::deleteFile(const fs::path& file) {
  std::error_code error;
  if (!fs::remove(file, error)) fail(file, "не удалось удалить файл");
}

void RealDisk::makeFolder(const fs::path& folder) {
  std::error_code error;
  if (!fs::create_directory(folder, error)) fail(folder, "не удалось создать папку");
}

void RealDisk::removeFolder(const fs::path& folder) {
  std::error_code error;
  if (!fs::remove(folder, error)) fail(folder, "не удалось удалить папку");
}

void RealDisk::syncFolder(const fs::path&) {}

std::vector<std::string> RealDisk::listFolders(const fs::path& folder) {
  return listNames(folder, [](const fs::directory_entry& e) { return e.is_directory(); });
}

std::vector<std::string> RealDisk::listFiles(const fs::path& folder, std::string_view pattern) {
  return listNames(folder, [pattern](const fs::directory_entry& e) {
    return e.is_regular_file() && matchesPattern(e.path().filename().string(), pattern);
  });
}

bool RealDisk::fileExists(const fs::path& file) {
  std::error_code error;
  return fs::is_regular_file(file, error);
}

fs::path RealDisk::resolvedPath(const fs::path& path) {
  std::error_code error;
  fs::path resolved = fs::canonical(path, error);
  return error ? fs::absolute(path) : resolved;
}

bool RealDisk::writable(const fs::path&) { return true; }

}  // namespace shell
