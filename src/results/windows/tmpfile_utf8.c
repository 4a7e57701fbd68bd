/* The temporary files of libxlsxwriter on Windows, in place of its tmpfileplus: one file in the
 * system's folder of temporary files (or the folder asked for, its name in UTF-8), made and
 * opened by the wide calls, whatever characters the folder's name holds (a user named in
 * Cyrillic), and deleted by the system when it is closed or the program ends. */

#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <windows.h>

#include "tmpfileplus.h"

static FILE *temporary_in(const wchar_t *folder, char **pathname, int keep) {
  wchar_t name[MAX_PATH];
  int fd, flags = _O_BINARY | _O_RDWR;
  FILE *file;
  /* Makes the file under a name of its own, which nothing else then takes. */
  if (GetTempFileNameW(folder, L"lxw", 0, name) == 0) return NULL;
  if (!keep) flags |= _O_TEMPORARY;
  fd = _wopen(name, flags, _S_IREAD | _S_IWRITE);
  if (fd == -1) {
    DeleteFileW(name);
    return NULL;
  }
  file = _fdopen(fd, "w+b");
  if (file == NULL) {
    _close(fd);
    return NULL;
  }
  if (pathname != NULL) {
    int length = WideCharToMultiByte(CP_UTF8, 0, name, -1, NULL, 0, NULL, NULL);
    *pathname = length > 0 ? (char *) malloc((size_t) length) : NULL;
    if (*pathname != NULL) WideCharToMultiByte(CP_UTF8, 0, name, -1, *pathname, length, NULL, NULL);
  }
  return file;
}

FILE *tmpfileplus(const char *dir, const char *prefix, char **pathname, int keep) {
  wchar_t folder[MAX_PATH];
  FILE *file = NULL;
  (void) prefix;
  if (pathname != NULL) *pathname = NULL;
  if (dir != NULL && MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, dir, -1, folder, MAX_PATH) > 0) {
    file = temporary_in(folder, pathname, keep);
  }
  if (file == NULL) {
    DWORD length = GetTempPathW(MAX_PATH, folder);
    if (length > 0 && length < MAX_PATH) file = temporary_in(folder, pathname, keep);
  }
  return file;
}

FILE *tmpfileplus_f(const char *dir, const char *prefix, char *pathnamebuf, size_t pathsize, int keep) {
  char *name = NULL;
  FILE *file = tmpfileplus(dir, prefix, pathnamebuf != NULL ? &name : NULL, keep);
  if (file != NULL && pathnamebuf != NULL) {
    if (name == NULL || strlen(name) + 1 > pathsize) {
      fclose(file);
      file = NULL;
    } else {
      strcpy(pathnamebuf, name);
    }
  }
  free(name);
  return file;
}
