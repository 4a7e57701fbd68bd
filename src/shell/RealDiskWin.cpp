// The disk on Windows: wide-character Win32 calls only, so that a folder named in Russian
// works whatever the system's ANSI code page. Every handle is closed before its file is
// renamed or deleted, since Windows refuses both on an open file.

#include <windows.h>

#include <algorithm>
#include <string>

#include "shell/Disk.h"
#include "shell/Layout.h"
#include "shell/Russian.h"
#include "shell/ShellError.h"

namespace shell {

namespace {

[[noreturn]] void failWith(const fs::path& path, const std::string& what,
                           const std::string& reason) {
  throw ShellError(utf8(path), what + ": " + reason);
}

[[noreturn]] void fail(const fs::path& path, const std::string& what, DWORD error) {
  failWith(path, what, systemReasonWin(error));
}

// Closes a handle when it goes out of scope.
class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (valid()) ::CloseHandle(h_);
  }
  bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return h_; }
  // Closes now and reports the result.
  bool close() {
    const BOOL ok = ::CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
    return ok != 0;
  }

 private:
  HANDLE h_;
};

DWORD attributesOf(const fs::path& path) {
  return ::GetFileAttributesW(path.c_str());
}

bool isFolder(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool busy(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
         error == ERROR_ACCESS_DENIED;
}

// Runs a rename or delete, and again a few times over half a second while the file is busy:
// a virus scanner or the search indexer often opens a file for a moment just after it was
// written. Returns 0 or the last error.
template <typename Call>
DWORD retryWhileBusy(Call call) {
  for (int attempt = 0;; ++attempt) {
    if (call()) return 0;
    const DWORD error = ::GetLastError();
    if (!busy(error) || attempt == 9) return error;
    ::Sleep(50);
  }
}

DWORD moveReplacing(const fs::path& from, const fs::path& to) {
  return retryWhileBusy([&] {
    return ::MoveFileExW(from.c_str(), to.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  });
}

template <typename Keep>
std::vector<std::string> listNames(const fs::path& folder, Keep keep) {
  WIN32_FIND_DATAW entry{};
  const fs::path all = folder / L"*";
  HANDLE find = ::FindFirstFileExW(all.c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch,
                                   nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    // A folder with no entries at all (the root of an empty drive) finds nothing.
    if (error == ERROR_FILE_NOT_FOUND && isFolder(attributesOf(folder))) return {};
    fail(folder, "не удалось открыть папку", error);
  }
  std::vector<std::string> names;
  DWORD error = 0;
  do {
    const std::wstring wideName = entry.cFileName;
    if (wideName == L"." || wideName == L"..") continue;
    std::string name = utf8(fs::path(wideName));
    if (keep(name, entry.dwFileAttributes)) names.push_back(std::move(name));
  } while (::FindNextFileW(find, &entry));
  error = ::GetLastError();
  ::FindClose(find);
  if (error != ERROR_NO_MORE_FILES) fail(folder, "не удалось прочитать папку", error);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

std::string RealDisk::readFile(const fs::path& file) {
  // Others may go on reading, writing or replacing the file while it is read.
  Handle in(::CreateFileW(file.c_str(), GENERIC_READ,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!in.valid()) {
    const DWORD error = ::GetLastError();
    // Windows refuses to open a folder as a file with "access denied"; say what it is.
    if (isFolder(attributesOf(file)))
      failWith(file, "не удалось прочитать файл", "это папка, а не файл");
    fail(file, "не удалось открыть файл", error);
  }
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(in.get(), &size)) fail(file, "не удалось прочитать файл", ::GetLastError());
  // Read straight into a string of the file's size, and on until the end in case it grew.
  std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
  std::size_t got = 0;
  for (;;) {
    if (got == bytes.size()) bytes.resize(bytes.size() + 4096);
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - got, 1u << 30));
    DWORD n = 0;
    if (!::ReadFile(in.get(), bytes.data() + got, want, &n, nullptr)) {
      fail(file, "не удалось прочитать файл", ::GetLastError());
    }
    if (n == 0) break;
    got += n;
  }
  bytes.resize(got);
  return bytes;
}

namespace {

// Writes the bytes into the file, created or emptied, and flushes them when asked.
void writeBytes(const fs::path& file, std::string_view bytes, bool flush) {
  const char* what = "не удалось записать файл";
  // Windows refuses to empty a hidden or system file as a plain one. A temporary file left by
  // an interrupted write may have been marked hidden (a network share hides names starting
  // with a dot); it loses the mark first, so that it does not pass it on to the file it
  // replaces.
  const DWORD hidden = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  const DWORD existing = attributesOf(file);
  if (existing != INVALID_FILE_ATTRIBUTES && !isFolder(existing) && (existing & hidden) != 0) {
    ::SetFileAttributesW(file.c_str(), (existing & ~hidden) | FILE_ATTRIBUTE_NORMAL);
  }
  // No other program may open the file while it is being written.
  Handle out(::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!out.valid()) fail(file, what, ::GetLastError());
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(left, 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(out.get(), p, chunk, &written, nullptr)) fail(file, what, ::GetLastError());
    p += written;
    left -= written;
  }
  if (flush && !::FlushFileBuffers(out.get())) fail(file, what, ::GetLastError());
  if (!out.close()) fail(file, what, ::GetLastError());
}

}  // namespace

void RealDisk::putFile(const fs::path& file, std::string_view bytes) { writeBytes(file, bytes, true); }
void RealDisk::putFileUnsynced(const fs::path& file, std::string_view bytes) { writeBytes(file, bytes, false); }

void RealDisk::syncFile(const fs::path& file) {
  Handle out(::CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!out.valid() || !::FlushFileBuffers(out.get())) fail(file, "не удалось записать файл", ::GetLastError());
}

void RealDisk::renameFile(const fs::path& from, const fs::path& to) {
  const std::string what = "не удалось переименовать в " + utf8(to);
  if (!isFolder(attributesOf(from))) {
    if (const DWORD error = moveReplacing(from, to)) fail(from, what, error);
    return;
  }
  // Windows does not replace a folder by a rename. As on other systems, an empty folder in
  // the way gives way; it is removed first, so this one case is two steps, not one.
  auto move = [&] { return ::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) != 0; };
  DWORD error = retryWhileBusy(move);
  if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ||
      (error == ERROR_ACCESS_DENIED && isFolder(attributesOf(to)))) {
    if (::RemoveDirectoryW(to.c_str())) error = retryWhileBusy(move);
  }
  if (error != 0) fail(from, what, error);
}

namespace {

// Whether the deletion of a file or folder must outlast a power cut. Windows cannot sync a
// folder's names, and a deletion is not written through: a stage's page or folder deleted
// alone could come back. The editor's own names (a dot first: its temporaries, its journal, its
// history) and what lies in a folder of its own are deleted at once: start-up removes them
// again, or checks them, should their deletion be lost.
bool mustLast(const fs::path& path) {
  auto own = [](const fs::path& p) {
    const std::wstring name = p.filename().wstring();
    return !name.empty() && name.front() == L'.';
  };
  return !own(path) && !own(path.parent_path());
}

// Renames a file or folder that is to be deleted to a free deletedName() beside it, the rename
// written through, so that its name is gone for good when this returns; `aside` is then where
// it lies. Returns 0 or the error.
DWORD moveAside(const fs::path& path, fs::path& aside) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    aside = path.parent_path() / fromUtf8(deletedName(attempt));
    // One left by a deletion that another program keeps pending, or that a power cut lost.
    if (attributesOf(aside) != INVALID_FILE_ATTRIBUTES) continue;
    const DWORD error = retryWhileBusy(
        [&] { return ::MoveFileExW(path.c_str(), aside.c_str(), MOVEFILE_WRITE_THROUGH) != 0; });
    if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) return error;
  }
  return ERROR_ALREADY_EXISTS;
}

}  // namespace

// A file that must stay deleted is renamed aside first, written through (a read-only file is
// refused before, as Windows refuses to delete it, so that no read-only leftover stays), then
// deleted. That deletion may be lost, or kept pending while another program holds the file
// open: the leftover's temporary name is removed at the next start.
void RealDisk::deleteFile(const fs::path& file) {
  const char* what = "не удалось удалить файл";
  const DWORD attributes = attributesOf(file);
  if (!mustLast(file) || attributes == INVALID_FILE_ATTRIBUTES || isFolder(attributes)) {
    if (const DWORD error = retryWhileBusy([&] { return ::DeleteFileW(file.c_str()) != 0; })) {
      fail(file, what, error);
    }
    return;
  }
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    failWith(file, what, "у файла стоит атрибут «только чтение»");
  }
  fs::path aside;
  if (const DWORD error = moveAside(file, aside)) fail(file, what, error);
  ::DeleteFileW(aside.c_str());
}

// A folder of the editor's own beside the test (a dot name, as the history's) is hidden, as such
// names are on other systems; a temporary one is not, since it becomes a stage's folder.
void RealDisk::makeFolder(const fs::path& folder) {
  if (!::CreateDirectoryW(folder.c_str(), nullptr)) {
    fail(folder, "не удалось создать папку", ::GetLastError());
  }
  const std::string name = utf8(folder.filename());
  if (!name.empty() && name.front() == '.' && !isTemporaryName(name)) {
    ::SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_HIDDEN);
  }
}

// A folder that must stay removed is renamed aside as a file is, only when it is empty and not
// read-only (otherwise it is refused as Windows refuses to remove it), then removed. Should a
// file have come into it between the look and the rename, it goes back under its name.
void RealDisk::removeFolder(const fs::path& folder) {
  const char* what = "не удалось удалить папку";
  auto remove = [&] {
    if (const DWORD error = retryWhileBusy([&] { return ::RemoveDirectoryW(folder.c_str()) != 0; })) {
      fail(folder, what, error);
    }
  };
  const DWORD attributes = attributesOf(folder);
  if (!mustLast(folder) || !isFolder(attributes) || (attributes & FILE_ATTRIBUTE_READONLY) != 0 ||
      !listNames(folder, [](const std::string&, DWORD) { return true; }).empty()) {
    return remove();
  }
  fs::path aside;
  if (const DWORD error = moveAside(folder, aside)) fail(folder, what, error);
  if (!::RemoveDirectoryW(aside.c_str()) && ::GetLastError() == ERROR_DIR_NOT_EMPTY) {
    ::MoveFileExW(aside.c_str(), folder.c_str(), MOVEFILE_WRITE_THROUGH);
    fail(folder, what, ERROR_DIR_NOT_EMPTY);
  }
}

// Windows has no way to sync a folder's names; the renames above are written through, and so
// are the renames that deletions of the test's files and folders begin with.
void RealDisk::syncFolder(const fs::path&) {}

std::vector<std::string> RealDisk::listFolders(const fs::path& folder) {
  return listNames(folder, [](const std::string&, DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
           (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) == 0;
  });
}

std::vector<std::string> RealDisk::listFiles(const fs::path& folder, std::string_view pattern) {
  return listNames(folder, [pattern](const std::string& name, DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && matchesPattern(name, pattern);
  });
}

bool RealDisk::folderExists(const fs::path& folder) {
  const DWORD attributes = attributesOf(folder);
  return attributes != INVALID_FILE_ATTRIBUTES && isFolder(attributes);
}

// Opened for its attributes only, sharing everything: no other program is kept from reading,
// writing, renaming or deleting the file meanwhile.
std::optional<FileStamp> RealDisk::stampFile(const fs::path& file) {
  const char* what = "не удалось получить сведения о файле";
  Handle h(::CreateFileW(file.c_str(), FILE_READ_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.valid()) {
    const DWORD error = ::GetLastError();
    // Without backup semantics a folder does not open: it is no file either.
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
        isFolder(attributesOf(file))) {
      return std::nullopt;
    }
    fail(file, what, error);
  }
  BY_HANDLE_FILE_INFORMATION info{};
  FILE_BASIC_INFO basic{};
  if (!::GetFileInformationByHandle(h.get(), &info) ||
      !::GetFileInformationByHandleEx(h.get(), FileBasicInfo, &basic, sizeof basic)) {
    fail(file, what, ::GetLastError());
  }
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return std::nullopt;
  auto wide = [](DWORD high, DWORD low) { return (static_cast<std::uint64_t>(high) << 32) | low; };
  return FileStamp{info.dwVolumeSerialNumber, wide(info.nFileIndexHigh, info.nFileIndexLow),
                   wide(info.nFileSizeHigh, info.nFileSizeLow),
                   basic.LastWriteTime.QuadPart, basic.ChangeTime.QuadPart};
}

bool RealDisk::fileExists(const fs::path& file) {
  const DWORD attributes = attributesOf(file);
  return attributes != INVALID_FILE_ATTRIBUTES && !isFolder(attributes);
}

fs::path RealDisk::resolvedPath(const fs::path& path) {
  // FILE_FLAG_BACKUP_SEMANTICS lets the same call open a folder.
  Handle h(::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!h.valid()) return fs::absolute(path);
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetFinalPathNameByHandleW(
        h.get(), name.data(), static_cast<DWORD>(name.size()), FILE_NAME_NORMALIZED);
    if (n == 0) return fs::absolute(path);
    if (n < name.size()) {
      name.resize(n);
      break;
    }
    name.resize(n);  // n is then the size needed, with the terminating zero
  }
  // "\\?\C:\..." becomes "C:\...", and "\\?\UNC\server\share" becomes "\\server\share".
  if (name.rfind(L"\\\\?\\UNC\\", 0) == 0) return L"\\\\" + name.substr(8);
  if (name.rfind(L"\\\\?\\", 0) == 0) return name.substr(4);
  return name;
}

// A file: not marked read-only, and it opens for writing (opening an existing file creates
// and changes nothing). A file another program holds open counts as writable; the write
// itself then says it is busy. A folder: the folder opens with the right to add and delete
// files in it, which is the check of its access list. Either way, nothing on a volume that is
// mounted read-only (a CD) is writable.
std::string RealDisk::replaceBlocked(const fs::path& file) {
  const DWORD attributes = attributesOf(file);
  if (attributes == INVALID_FILE_ATTRIBUTES) return {};
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) return "у файла стоит атрибут «только чтение»";
  const DWORD error = retryWhileBusy([&] {
    Handle h(::CreateFileW(file.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return h.valid();
  });
  if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) {
    return "занят другой программой";
  }
  return {};
}

bool RealDisk::writable(const fs::path& path) {
  const DWORD attributes = attributesOf(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  wchar_t volume[MAX_PATH + 1] = {};
  DWORD flags = 0;
  if (::GetVolumePathNameW(path.c_str(), volume, MAX_PATH + 1) &&
      ::GetVolumeInformationW(volume, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) &&
      (flags & FILE_READ_ONLY_VOLUME) != 0) {
    return false;
  }
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  if (isFolder(attributes)) {
    Handle h(::CreateFileW(path.c_str(), FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_DELETE_CHILD,
                           share, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return h.valid();
  }
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) return false;
  Handle h(::CreateFileW(path.c_str(), GENERIC_WRITE, share, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr));
  if (h.valid()) return true;
  const DWORD error = ::GetLastError();
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

}  // namespace shell
