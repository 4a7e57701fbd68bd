#pragma once

#include <windows.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "lifecycle/Editor.h"
#include "lifecycle/Seams.h"
#include "win32/ImageDecoder.h"
#include "window/Driver.h"
#include "window/Layout.h"

namespace win32 {

class LessonWindow;
class ResultsWindow;
class Picture;

// The window frmEdit as native controls: the controls of the design table and the system's
// primitives on them, the menus as the window's menu bar (above the client area, which keeps its
// designed size). Every event goes to the shared driver (window/Driver.h), which runs the
// editor's handler and shows the editor's Form through the primitives. It is the editor's
// Screen: start-up asks it for the twips per pixel of its 96-per-inch logical pixels and has it
// scale itself; the screen's own DPI (per monitor) multiplies on top of that.
class EditWindow final : public lifecycle::Screen, private window::View {
 public:
  EditWindow(HINSTANCE instance, lifecycle::Dialogs& dialogs);
  ~EditWindow() override;
  EditWindow(const EditWindow&) = delete;
  EditWindow& operator=(const EditWindow&) = delete;

  HWND handle() const { return hwnd_; }

  // Connects the window to the editor and shows the editor's Form.
  void attach(lifecycle::Editor& editor) { driver_.attach(editor); }
  // How another test is opened in this window, the tests opened last, the documents folder.
  void setProgram(window::Program program) { driver_.setProgram(std::move(program)); }
  // Runs start-up (Form_Load) and focuses the first control; false when it failed, the error
  // having been reported.
  bool load() { return driver_.load(); }

  // True once the editor has ended or the window has gone, with the status the program is to
  // end with (1 for a window that went without the editor ending).
  bool ended() const { return driver_.ended() || destroyed_; }
  int exitCode() const { return driver_.ended() ? driver_.exitCode() : 1; }

  // A control by its name ("cmdSave", "Text1(3)").
  HWND control(std::string_view name) const;
  // The lesson's window while it is open, else none.
  HWND lessonWindow() const;
  // The results window while it is open, else none.
  HWND resultsWindow() const;

  // The keys the window handles before the controls see them (the menu items' keys, Tab and
  // Shift+Tab move the focus by the tab indices, the arrow keys between the option buttons).
  // True when it was handled.
  bool preTranslate(MSG& message);

  double twipsPerPixelY() const override;
  void scaleWindow(double factor) override;

 private:
  static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM w, LPARAM l);
  LRESULT onMessage(UINT message, WPARAM w, LPARAM l);

  void build();
  void addMenuEntry(const window::ControlDesign& design, int id);
  void place();
  void makeFonts();
  void fitRows();
  int indexOf(HWND control) const;
  void onCommand(HWND control, int code);
  LRESULT colourStatic(HDC dc, HWND control);
  void showNote(HWND field, char32_t c);

  std::u16string text(window::ControlId field) const override;
  void setText(window::ControlId control, const std::u16string& text) override;
  void setRows(window::ControlId list, const std::vector<std::u16string>& rows) override;
  void select(window::ControlId list, int row) override;
  bool enabled(window::ControlId control) const override;
  void setEnabled(window::ControlId control, bool enabled) override;
  void setChecked(window::ControlId option, bool checked) override;
  void setTextColour(window::ControlId field, window::Rgb colour) override;
  void setPicture(window::ControlId image, const std::string& bytes) override;
  void focus(window::ControlId control) override;
  void showError(const std::string& message) override;
  void quit(int status) override;
  std::optional<std::filesystem::path> chooseFile(const window::FileDialog& dialog) override;
  window::ImportAnswer importDialog(const window::ImportDialog& dialog) override;
  std::optional<std::filesystem::path> chooseFolder(const window::FolderDialog& dialog) override;
  std::optional<std::size_t> listDialog(const window::ListDialog& dialog) override;
  void setItem(window::ControlId item, const std::u16string& caption) override;
  std::optional<std::size_t> historyDialog(const window::HistoryDialog& dialog) override;
  void showLesson(const window::LessonTable& table) override;
  void raiseLesson() override;
  void closeLesson() override;
  void postLessonNews() override;
  void showResults(const window::ResultsView& view) override;
  void raiseResults() override;
  std::optional<pictures::Image> clipboardImage() override;
  bool keyElsewhere(const MSG& message) const;

  HINSTANCE instance_;
  HWND hwnd_ = nullptr;
  std::vector<HWND> controls_;       // by position in the design table; none for the menus
  HMENU menuBar_ = nullptr;
  std::vector<HMENU> menus_;         // by position: each menu's own, and its items' menu
  HACCEL keys_ = nullptr;            // the menu items' keys
  ImageDecoder clipboardImages_;     // the clipboard's bitmaps read by the system
  std::vector<bool> itemShown_;      // by position: whether a menu item is in its menu now
  std::vector<COLORREF> textColours_;  // by position, for the text fields
  std::vector<HFONT> fonts_;         // by FontId
  std::unique_ptr<Picture> picture_;
  std::unique_ptr<LessonWindow> lesson_;  // the object may outlive its window, which goes first
  std::unique_ptr<ResultsWindow> results_;  // so may this one
  HWND note_ = nullptr;  // says why a field left out a character
  HBRUSH windowBrush_ = nullptr;
  HBRUSH frameBrush_ = nullptr;
  HICON icon_ = nullptr;
  double factor_ = 1.0;  // the scale start-up asked for
  UINT dpi_ = 96;
  bool destroyed_ = false;
  window::Driver driver_;
};

}  // namespace win32
