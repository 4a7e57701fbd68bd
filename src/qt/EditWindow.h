#pragma once

#include <QPointer>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "lifecycle/Editor.h"
#include "lifecycle/Seams.h"
#include "qt/MessageBoxes.h"
#include "window/Driver.h"
#include "window/Layout.h"

class QAction;
class QMenuBar;

namespace qt {

class LessonWindow;
class ResultsWindow;

// The window frmEdit in Qt: the controls of the design table and the toolkit's primitives on
// them; the menu bar lies above the client area, which holds the controls at their places. Every
// event goes to the shared driver (window/Driver.h), which runs the editor's handler and shows
// the editor's Form through the primitives. It is also the editor's Screen: start-up asks it for
// the screen's twips per pixel and has it scale itself.
class EditWindow final : public QWidget, public lifecycle::Screen, private window::View {
 public:
  // Shows the message of an error that ends the editor.
  using ErrorReport = std::function<void(QWidget* window, const QString& message)>;

  explicit EditWindow(lifecycle::Dialogs& dialogs, ErrorReport report = qt::showError);
  ~EditWindow() override;

  // Connects the window to the editor and shows the editor's Form.
  void attach(lifecycle::Editor& editor) { driver_.attach(editor); }
  // How another test is opened in this window, the tests opened last, the documents folder.
  void setProgram(window::Program program) { driver_.setProgram(std::move(program)); }
  // Runs start-up (Form_Load); false when it failed, the error having been reported.
  bool load() { return driver_.load(); }
  // True once the editor has ended, with the status the program is to end with.
  bool ended() const { return driver_.ended(); }
  int exitCode() const { return driver_.exitCode(); }

  // A control by its name ("cmdSave", "Text1(3)"); a menu's or a menu item's action by its name.
  QWidget* control(std::string_view name) const;
  QAction* action(std::string_view name) const;
  QMenuBar* menuBar() const { return menuBar_; }
  // The area below the menu bar that holds the controls, of the designed size.
  QWidget* clientArea() const { return client_; }
  // The lesson's window while it is open, else none; the lesson running, else none.
  QWidget* lessonWindow() const;
  // The results window while it is open, else none.
  QWidget* resultsWindow() const;
  const lesson::Lesson* lesson() const { return driver_.lesson(); }
  const std::filesystem::path& lessonStore() const { return driver_.lessonStore(); }

  // The screen's vertical twips per pixel, from its logical resolution.
  double twipsPerPixelY() const override;
  // Places every control at its designed twips x factor / twips per pixel and sizes every
  // font at its designed points x factor: on any screen a control measures its twips / 12 in
  // pixels and a font has the pixel size it has at 120 pixels per inch. Always computed from
  // the design, so it does not matter how often it runs; until it runs the window is unplaced.
  void scaleWindow(double factor) override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void build();
  void addMenuEntry(const window::ControlDesign& design);
  void place(double pixelsPerTwip, double fontFactor);
  void connectEvents();

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

  ErrorReport report_;
  QMenuBar* menuBar_ = nullptr;
  QWidget* client_ = nullptr;
  std::vector<QWidget*> widgets_;  // by position in the design table; none for the menus
  std::vector<QAction*> actions_;  // by position in the design table: the menus and their items
  QPointer<LessonWindow> lesson_;
  QPointer<ResultsWindow> results_;
  window::Driver driver_;
};

}  // namespace qt
