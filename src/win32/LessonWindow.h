#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "window/Commands.h"

namespace win32 {

// The lesson's window on Windows, drawn from its plain data (window::LessonTable): a top-level
// window owned by the editor's, never modal, its messages through the program's one loop. The
// addresses in large letters (a read-only field, so that they can be copied), how many have
// finished, the table as a list view in report mode with the marked rows coloured, and the
// button «Закончить урок». The button and the frame's close call `end`, which asks the teacher
// and closes the window when the lesson ends. Sizes and fonts follow the DPI of its screen.
class LessonWindow {
 public:
  LessonWindow(HINSTANCE instance, HWND editor, std::function<void()> end);
  ~LessonWindow();
  LessonWindow(const LessonWindow&) = delete;
  LessonWindow& operator=(const LessonWindow&) = delete;

  // The window, or none once it has gone.
  HWND handle() const { return hwnd_; }
  void show(const window::LessonTable& table);
  void raise();
  void close();
  // Tab between its controls, and Enter or the space on its button: true when handled.
  bool preTranslate(MSG& message);

  // Its controls' ids, for whoever drives it.
  enum Control { kHeading = 400, kAddresses, kFinished, kProblem, kRows, kEnd };

 private:
  static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM w, LPARAM l);
  LRESULT onMessage(UINT message, WPARAM w, LPARAM l);
  void makeFonts();
  void layout();
  int scaled(int pixels) const;

  HWND hwnd_ = nullptr;
  HWND heading_ = nullptr, addresses_ = nullptr, finished_ = nullptr, problem_ = nullptr, rows_ = nullptr,
       end_ = nullptr;
  HFONT font_ = nullptr, big_ = nullptr, bold_ = nullptr;
  int lineHeight_ = 0, bigLineHeight_ = 0;
  UINT dpi_ = 96;
  std::size_t addressLines_ = 1;
  std::size_t columns_ = 0;
  std::vector<std::string> shownColumns_;
  std::function<void()> ending_;
};

}  // namespace win32
