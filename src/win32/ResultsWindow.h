#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "window/Results.h"

namespace win32 {

// The results window on Windows, drawn from its plain data (window::ResultsView): a top-level
// window owned by the editor's, never modal, its messages through the program's one loop. The
// switch «Только этот тест» / «Все тесты», the lessons, the chosen lesson's table with the marked
// rows coloured, the notes and the statistics as list views in report mode, and the buttons.
// Every event goes to the driver through the calls it is given. Sizes and fonts follow the DPI.
class ResultsWindow {
 public:
  struct Events {
    std::function<void(bool allTests)> scope;
    std::function<void(int row)> chosen;
    std::function<void(window::ResultsAction)> action;
    std::function<void(int row)> question;
    std::function<void()> closed;
  };
  ResultsWindow(HINSTANCE instance, HWND editor, Events events);
  ~ResultsWindow();
  ResultsWindow(const ResultsWindow&) = delete;
  ResultsWindow& operator=(const ResultsWindow&) = delete;

  // The window, or none once it has gone.
  HWND handle() const { return hwnd_; }
  void show(const window::ResultsView& view);
  void raise();
  // Tab between its controls, Enter on a question of the statistics, and the buttons: true when
  // handled.
  bool preTranslate(MSG& message);

  // Its controls' ids, for whoever drives it.
  enum Control {
    kThisTest = 500, kAllTests, kProblem, kLessonsHeading, kLessons, kRowsHeading, kRows, kStatisticsHeading,
    kNotes, kStatistics, kSaveXlsx, kSaveCsv, kPrint, kDelete
  };

 private:
  static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM w, LPARAM l);
  LRESULT onMessage(UINT message, WPARAM w, LPARAM l);
  void makeFonts();
  void layout();
  int scaled(int pixels) const;
  void fill(HWND list, const std::vector<std::string>& columns, const std::vector<std::vector<std::string>>& rows,
            const std::vector<bool>& marked);
  int selectedRow(HWND list) const;

  HWND hwnd_ = nullptr;
  HWND thisTest_ = nullptr, allTests_ = nullptr, problem_ = nullptr, lessonsHeading_ = nullptr, lessons_ = nullptr,
       rowsHeading_ = nullptr, rows_ = nullptr, statisticsHeading_ = nullptr, notes_ = nullptr, statistics_ = nullptr;
  HWND buttons_[4] = {};
  HFONT font_ = nullptr;
  int lineHeight_ = 0;
  UINT dpi_ = 96;
  std::size_t noteLines_ = 0;
  bool drawing_ = false;  // while show() sets the controls, nothing they say is the teacher's
  Events events_;
};

}  // namespace win32
