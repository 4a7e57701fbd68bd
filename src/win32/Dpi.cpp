#include "win32/Dpi.h"

namespace win32 {

namespace {

constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI: the DPI the system scales the monitor to

// A function of the system by its type; null where the DLL does not export it.
template <typename Function>
void lookUp(HMODULE dll, const char* name, Function& function) {
  if (dll == nullptr) return;
  // Through the generic function type, as GetProcAddress's own type fits none.
  function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(dll, name)));
}

DpiCalls lookUpAll() {
  DpiCalls calls;
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  lookUp(user32, "GetDpiForWindow", calls.dpiForWindow);
  lookUp(user32, "AdjustWindowRectExForDpi", calls.adjustForDpi);
  // Only from the system folder: the program sits in a teacher's folder, where a DLL of that
  // name would otherwise be loaded first. Windows 7 has no SHCORE (nor, without its update
  // KB2533623, the flag), and the load fails there, as it should.
  lookUp(LoadLibraryExW(L"shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32), "GetDpiForMonitor",
         calls.dpiForMonitor);
  return calls;
}

}  // namespace

const DpiCalls& DpiCalls::system() {
  static const DpiCalls calls = lookUpAll();
  return calls;
}

UINT windowDpi(HWND hwnd, const DpiCalls& calls) {
  if (calls.dpiForWindow != nullptr) {
    if (const UINT dpi = calls.dpiForWindow(hwnd); dpi != 0) return dpi;
  }
  if (calls.dpiForMonitor != nullptr) {
    UINT x = 0;
    UINT y = 0;
    if (SUCCEEDED(calls.dpiForMonitor(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST),
                                      kEffectiveDpi, &x, &y)) &&
        y != 0) {
      return y;
    }
  }
  HDC screen = GetDC(nullptr);
  const int dpi = screen == nullptr ? 0 : GetDeviceCaps(screen, LOGPIXELSY);
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

RECT frameAround(RECT client, DWORD style, DWORD exStyle, UINT dpi, const DpiCalls& calls) {
  RECT frame = client;
  if (calls.adjustForDpi != nullptr && calls.adjustForDpi(&frame, style, FALSE, exStyle, dpi)) {
    return frame;
  }
  frame = client;
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  return frame;
}

}  // namespace win32
