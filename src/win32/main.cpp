// The editor program for Windows: finds the shell, builds the editor and its native window,
// runs start-up and then the window's messages until the window is unloaded or an error ends
// the run.

#include <windows.h>
// GDI+ expects min and max from the system headers.
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include <filesystem>

#include "app/ShellRoot.h"
#include "lifecycle/Editor.h"
#include "shell/Disk.h"
#include "volume/Generators.h"
#include "win32/EditWindow.h"
#include "win32/MessageBoxes.h"

namespace {

// GDI+ for the time of the run: it decodes the pictures.
class GdiPlus {
 public:
  GdiPlus() {
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token_, &input, nullptr);
  }
  ~GdiPlus() { Gdiplus::GdiplusShutdown(token_); }
  GdiPlus(const GdiPlus&) = delete;
  GdiPlus& operator=(const GdiPlus&) = delete;

 private:
  ULONG_PTR token_ = 0;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  GdiPlus gdiPlus;
  std::error_code error;
  const std::filesystem::path root =
      app::findShellRoot(app::programFolder(), std::filesystem::current_path(error));

  shell::RealDisk disk;
  volume::SystemClock clock;
  volume::FixedStartRandom random;
  win32::MessageBoxes dialogs;
  win32::EditWindow window(instance, dialogs);
  dialogs.setOwner(window.handle());
  lifecycle::Editor editor({disk, dialogs, clock, random, &window}, root);
  window.attach(editor);

  if (!window.load()) return window.exitCode();
  ShowWindow(window.handle(), show);
  UpdateWindow(window.handle());

  MSG message;
  int status = 0;
  while ((status = GetMessageW(&message, nullptr, 0, 0)) > 0) {
    if (window.preTranslate(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  if (window.ended()) return window.exitCode();
  return status < 0 ? 1 : static_cast<int>(message.wParam);
}
