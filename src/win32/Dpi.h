#pragma once

#include <windows.h>

namespace win32 {

// The functions for a window's own DPI that came after Windows 7, looked up in the system's
// DLLs the first time the window asks and called only through these pointers, so that the
// program still loads where they are missing. Each is null where the system lacks it: Windows 7
// has none, 8.1 the DPI of a monitor, 10 (from version 1607) all three.
struct DpiCalls {
  UINT(WINAPI* dpiForWindow)(HWND) = nullptr;                             // USER32, Windows 10
  HRESULT(WINAPI* dpiForMonitor)(HMONITOR, int, UINT*, UINT*) = nullptr;  // SHCORE, Windows 8.1
  BOOL(WINAPI* adjustForDpi)(RECT*, DWORD, BOOL, DWORD, UINT) = nullptr;  // USER32, Windows 10

  // This system's, looked up once.
  static const DpiCalls& system();
};

// The DPI the window is drawn at: its own where the system tells it (Windows 10), else that of
// its monitor (8.1), else the system's (Windows 7 and 8, which scale every program to one DPI).
UINT windowDpi(HWND hwnd, const DpiCalls& calls = DpiCalls::system());

// The outer size of a window of this style whose client area is `client`, with its frame at
// `dpi` where the system draws frames per DPI, else at the system's DPI as Windows 7 draws it.
RECT frameAround(RECT client, DWORD style, DWORD exStyle, UINT dpi,
                 const DpiCalls& calls = DpiCalls::system());

}  // namespace win32
