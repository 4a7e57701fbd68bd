// Run under Wine at a screen DPI (Wine's LogPixels), with the editor's manifest: a window of the
// editor's style finds its DPI and its frame as Windows 7 does (none of the newer functions), as
// 8.1 does (the monitor's DPI from SHCORE) and as 10 does; each must give the DPI asked for and
// a frame around a client area of exactly the size asked for.
//     dpi-check.exe DPI
#include <cstdio>
#include <cwchar>

#include "win32/Dpi.h"

int wmain(int argc, wchar_t** argv) {
  const UINT expected = argc > 1 ? static_cast<UINT>(std::wcstoul(argv[1], nullptr, 10)) : 96;
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  HWND hwnd = CreateWindowExW(0, L"STATIC", L"dpi", style, 0, 0, 100, 100, nullptr, nullptr,
                              nullptr, nullptr);
  const win32::DpiCalls& system = win32::DpiCalls::system();
  if (hwnd == nullptr || system.dpiForWindow == nullptr || system.dpiForMonitor == nullptr ||
      system.adjustForDpi == nullptr) {
    std::printf("FAIL: no window, or Wine lacks a function of Windows 8.1 or 10\n");
    return 1;
  }
  win32::DpiCalls windows81;
  windows81.dpiForMonitor = system.dpiForMonitor;
  const struct {
    const char* name;
    win32::DpiCalls calls;
  } ways[] = {{"Windows 7", {}}, {"Windows 8.1", windows81}, {"Windows 10", system}};
  int failed = 0;
  for (const auto& way : ways) {
    const UINT dpi = win32::windowDpi(hwnd, way.calls);
    const int width = MulDiv(860, static_cast<int>(expected), 96);
    const int height = MulDiv(638, static_cast<int>(expected), 96);
    const RECT frame = win32::frameAround({0, 0, width, height}, style, 0, dpi, way.calls);
    SetWindowPos(hwnd, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client{};
    GetClientRect(hwnd, &client);
    const bool ok = dpi == expected && client.right == width && client.bottom == height;
    std::printf("%s: %s: DPI %u, client %ld x %ld\n", ok ? "PASS" : "FAIL", way.name, dpi,
                client.right, client.bottom);
    failed += ok ? 0 : 1;
  }
  DestroyWindow(hwnd);
  return failed;
}
