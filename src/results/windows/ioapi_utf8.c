/* minizip's file calls for libxlsxwriter on Windows, with the .xlsx file's name taken as UTF-8:
 * MinGW's fopen reads a name in the ANSI code page, which cannot hold every name of a teacher's
 * folder (a Cyrillic one on a system of another language). minizip's own source is compiled
 * here with fopen turned into a call that converts the name and opens it by _wfopen. */

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

static FILE *utf8_fopen(const char *name, const char *mode) {
  FILE *file = NULL;
  wchar_t *wide_name, wide_mode[8];
  int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, -1, NULL, 0);
  if (length <= 0 || MultiByteToWideChar(CP_UTF8, 0, mode, -1, wide_mode, 8) <= 0) return NULL;
  wide_name = (wchar_t *) malloc(sizeof(wchar_t) * (size_t) length);
  if (wide_name == NULL) return NULL;
  if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, -1, wide_name, length) == length) {
    file = _wfopen(wide_name, wide_mode);
  }
  free(wide_name);
  return file;
}

/* ioapi.h turns fopen64 into fopen (USE_FILE32API), so both land here. */
#define fopen(name, mode) utf8_fopen(name, mode)
#include "ioapi.c"
