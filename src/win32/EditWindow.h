#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "lifecycle/Editor.h"
#include "lifecycle/Seams.h"
#include "window/CodePage.h"

namespace win32 {

class Picture;

// The window frmEdit as native controls. Like the Qt window it holds no logic and no state of
// the editor: for every event of the user it copies the texts of its fields into the editor's
// Form, runs the editor's handler, and redraws every control from Form while it ignores the
// notifications that redrawing raises. It is the editor's Screen: start-up asks it for the
// twips per pixel of its 96-per-inch logical pixels and has it scale itself; the screen's own
// DPI (per monitor) multiplies on top of that.
//
// An error that a handler throws ends the editor at once: the error is reported, the window is
// destroyed and the message loop asked to end, without the shutdown of Form_Unload.
class EditWindow final : public lifecycle::Screen {
 public:
  EditWindow(HINSTANCE instance, lifecycle::Dialogs& dialogs);
  ~EditWindow() override;
  EditWindow(const EditWindow&) = delete;
  EditWindow& operator=(const EditWindow&) = delete;

  HWND handle() const { return hwnd_; }

  // Connects the window to the editor and shows the editor's Form.
  void attach(lifecycle::Editor& editor);

  // Runs start-up (Form_Load) and focuses the first control; false when it failed, the error
  // having been reported.
  bool load();

  // True once the editor has ended, with the status the program is to end with.
  bool ended() const { return ended_; }
  int exitCode() const { return exitCode_; }

  // A control by its name ("cmdSave", "Text1(3)"), or nullptr.
  HWND control(std::string_view name) const;

  // The keys the window handles before the controls see them (Tab and Shift+Tab move the focus
  // by the tab indices). True when the message was handled.
  bool preTranslate(const MSG& message);

  double twipsPerPixelY() const override;
  void scaleWindow(double factor) override;

 private:
  struct Field {
    HWND control;
    std::string& (*slot)(lifecycle::Form&);
    window::FieldText text;
  };

  static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM w, LPARAM l);
  LRESULT onMessage(UINT message, WPARAM w, LPARAM l);

  void build();
  void place();
  void makeFonts();
  void fitRows();
  int indexOf(HWND control) const;
  void onCommand(HWND control, int code);
  LRESULT colourStatic(HDC dc, HWND control);

  void runHandler(void (lifecycle::Editor::*handler)());
  void runSelect(bool (lifecycle::Editor::*select)(int), int row);
  template <typename Call>
  void handle(Call call);
  void collect();
  void redraw();
  void showRows(HWND list, std::vector<std::wstring>& shown, const std::vector<std::wstring>& rows, int selected);
  void finish(int status);
  void fail(const std::string& message);
  void showAbout();
  void showNote(HWND field, char32_t c);
  void focusFirst();
  void moveFocus(bool back);

  HINSTANCE instance_;
  lifecycle::Dialogs& dialogs_;
  lifecycle::Editor* editor_ = nullptr;
  HWND hwnd_ = nullptr;
  std::vector<HWND> controls_;  // by position in the design table
  std::vector<HFONT> fonts_;    // by FontId
  std::vector<Field> fields_;
  std::map<std::string_view, std::vector<std::wstring>> rows_;  // each list's rows, by its name
  std::unique_ptr<Picture> picture_;
  HWND note_ = nullptr;  // says why a field left out a character
  HBRUSH windowBrush_ = nullptr;
  HBRUSH frameBrush_ = nullptr;
  HICON icon_ = nullptr;
  double factor_ = 1.0;  // the scale start-up asked for
  UINT dpi_ = 96;
  bool busy_ = false;  // in a handler or a redraw: the controls' notifications are not the user's
  bool ended_ = false;
  int exitCode_ = 0;
};

}  // namespace win32
