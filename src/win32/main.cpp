// The editor program for Windows: finds the shell (the folder dropped onto it, or its own),
// builds the editor and its native window, runs start-up and then the window's messages until the
// window is unloaded or an error ends the run.

#include <windows.h>
// GDI+ expects min and max from the system headers.
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include <shellapi.h>

#include <filesystem>
#include <memory>
#include <vector>

#include "lifecycle/ShellRoot.h"
#include "lifecycle/Editor.h"
#include "lifecycle/RecentTests.h"
#include "shell/Disk.h"
#include "lifecycle/Generators.h"
#include "win32/EditWindow.h"
#include "win32/ImageDecoder.h"
#include "win32/MessageBoxes.h"
#include "window/Bindings.h"

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
  // A folder dropped onto the program, or given to it, is the test to edit.
  std::vector<std::filesystem::path> arguments;
  int count = 0;
  if (LPWSTR* given = CommandLineToArgvW(GetCommandLineW(), &count)) {
    for (int i = 1; i < count; ++i) arguments.emplace_back(given[i]);
    LocalFree(given);
  }
  std::filesystem::path root;
  if (const auto error = window::runEvent([&] {
        std::error_code unknown;
        root = lifecycle::findShellRoot(lifecycle::programFolder(), std::filesystem::current_path(unknown),
                                  arguments);
      })) {
    win32::showError(nullptr, *error);
    return 1;
  }

  shell::RealDisk disk;
  lifecycle::SystemClock clock;
  lifecycle::FixedStartRandom random;
  lifecycle::SystemBrowser browser;
  win32::MessageBoxes dialogs;
  win32::EditWindow window(instance, dialogs);
  dialogs.setOwner(window.handle());
  win32::ImageDecoder images;  // the image files chosen as pictures, read by the system (WIC)
  const lifecycle::Editor::Seams seams{disk, dialogs, clock, random, &window, &browser, &images};
  const std::filesystem::path guide = lifecycle::programFolder() / lifecycle::kGuideFile;
  lifecycle::Editor editor(seams, root, guide);
  lifecycle::RecentTests recent(disk, lifecycle::recentTestsFile());
  window.attach(editor);
  window.setProgram({[&](const std::filesystem::path& folder) {
                       return std::make_unique<lifecycle::Editor>(seams, folder, guide);
                     },
                     &recent, lifecycle::documentsFolder(),
                     // A lesson reads the test through the same disk and keeps its results in the
                     // user's data folder, served on every address of the computer.
                     {&disk, {}, {}}});

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
