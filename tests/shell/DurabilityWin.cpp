// The recorder of the Windows disk. The durability test is linked with --wrap of the import
// slots of CreateFileW, FlushFileBuffers, MoveFileExW, DeleteFileW, RemoveDirectoryW and
// CloseHandle: every call of the real disk (and of the rest of the test) reaches the wrappers
// below through them, and the wrappers call Windows through the real slots. The program is
// linked without it and calls Windows directly, at no cost.
//
// The slots' names: __imp_CreateFileW on x86-64; on i686 the C name takes a leading "_" and
// the stdcall size of the arguments, __imp__CreateFileW@28, and the linker puts its "__wrap_"
// and "__real_" after that leading "_".

#include <windows.h>

#include <map>

#include "shell/Durability.h"

#ifdef _WIN64
#define DURABILITY_REAL(name, bytes) "__real___imp_" #name
#define DURABILITY_WRAP(name, bytes) "__wrap___imp_" #name
#else
#define DURABILITY_REAL(name, bytes) "___real__imp__" #name "@" #bytes
#define DURABILITY_WRAP(name, bytes) "___wrap__imp__" #name "@" #bytes
#endif

namespace durability {

const bool kNamesInOrder = true;

namespace {

// Handle -> path, while recording; never destroyed, as handles are closed until the very end.
std::map<HANDLE, std::filesystem::path>& opened() {
  static auto* open = new std::map<HANDLE, std::filesystem::path>;
  return *open;
}

}  // namespace

}  // namespace durability

extern "C" {
extern decltype(&::CreateFileW) realCreateFileW asm(DURABILITY_REAL(CreateFileW, 28));
extern decltype(&::FlushFileBuffers) realFlushFileBuffers asm(DURABILITY_REAL(FlushFileBuffers, 4));
extern decltype(&::MoveFileExW) realMoveFileExW asm(DURABILITY_REAL(MoveFileExW, 12));
extern decltype(&::DeleteFileW) realDeleteFileW asm(DURABILITY_REAL(DeleteFileW, 4));
extern decltype(&::RemoveDirectoryW) realRemoveDirectoryW asm(DURABILITY_REAL(RemoveDirectoryW, 4));
extern decltype(&::CloseHandle) realCloseHandle asm(DURABILITY_REAL(CloseHandle, 4));
}

namespace {

using durability::record;

HANDLE WINAPI recordCreateFileW(LPCWSTR path, DWORD access, DWORD share,
                                LPSECURITY_ATTRIBUTES security, DWORD disposition, DWORD flags,
                                HANDLE model) {
  const HANDLE h = realCreateFileW(path, access, share, security, disposition, flags, model);
  if (h == INVALID_HANDLE_VALUE || !durability::recording()) return h;
  // An open that may create the file or empties it gives it new bytes.
  if (disposition == CREATE_ALWAYS || disposition == CREATE_NEW || disposition == OPEN_ALWAYS ||
      disposition == TRUNCATE_EXISTING) {
    record("create", path);
  } else if ((access & (GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA | FILE_APPEND_DATA)) != 0) {
    record("write", path);
  }
  durability::opened()[h] = path;
  return h;
}

BOOL WINAPI recordFlushFileBuffers(HANDLE h) {
  if (durability::recording()) record("fsync", durability::opened()[h]);
  return realFlushFileBuffers(h);
}

BOOL WINAPI recordMoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags) {
  const BOOL ok = realMoveFileExW(from, to, flags);
  if (ok) record("rename", from, to, (flags & MOVEFILE_WRITE_THROUGH) != 0);
  return ok;
}

BOOL WINAPI recordDeleteFileW(LPCWSTR path) {
  const BOOL ok = realDeleteFileW(path);
  if (ok) record("unlink", path);
  return ok;
}

BOOL WINAPI recordRemoveDirectoryW(LPCWSTR path) {
  const BOOL ok = realRemoveDirectoryW(path);
  if (ok) record("rmdir", path);
  return ok;
}

// A handle's number is given again once it is closed.
BOOL WINAPI recordCloseHandle(HANDLE h) {
  if (durability::recording()) durability::opened().erase(h);
  return realCloseHandle(h);
}

}  // namespace

extern "C" {
decltype(&::CreateFileW) wrapCreateFileW asm(DURABILITY_WRAP(CreateFileW, 28)) = recordCreateFileW;
decltype(&::FlushFileBuffers) wrapFlushFileBuffers asm(DURABILITY_WRAP(FlushFileBuffers, 4)) =
    recordFlushFileBuffers;
decltype(&::MoveFileExW) wrapMoveFileExW asm(DURABILITY_WRAP(MoveFileExW, 12)) = recordMoveFileExW;
decltype(&::DeleteFileW) wrapDeleteFileW asm(DURABILITY_WRAP(DeleteFileW, 4)) = recordDeleteFileW;
decltype(&::RemoveDirectoryW) wrapRemoveDirectoryW asm(DURABILITY_WRAP(RemoveDirectoryW, 4)) =
    recordRemoveDirectoryW;
decltype(&::CloseHandle) wrapCloseHandle asm(DURABILITY_WRAP(CloseHandle, 4)) = recordCloseHandle;
}
