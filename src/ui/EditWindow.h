#pragma once

#include <QWidget>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "lifecycle/Editor.h"
#include "lifecycle/Seams.h"
#include "ui/CodePage.h"
#include "ui/MessageBoxes.h"

namespace ui {

// The window frmEdit. It holds no logic and no state of the editor: for every event of the
// user it copies the texts of its fields into the editor's Form, runs the editor's handler,
// and redraws every control from Form with the controls' signals blocked. It is also the
// editor's Screen: start-up asks it for the screen's twips per pixel and has it scale itself.
//
// An error that a handler throws ends the editor at once: the error is reported, the window
// is hidden and the program is asked to end, without the shutdown of Form_Unload.
class EditWindow final : public QWidget, public lifecycle::Screen {
 public:
  // Shows the message of an error that ends the editor.
  using ErrorReport = std::function<void(QWidget* window, const QString& message)>;

  explicit EditWindow(lifecycle::Dialogs& dialogs, ErrorReport report = showError);
  ~EditWindow() override;

  // Connects the controls to the editor's handlers and shows the editor's Form.
  void attach(lifecycle::Editor& editor);

  // Runs start-up (Form_Load); false when it failed, the error having been reported.
  bool load();

  // True once the editor has ended, with the status the program is to end with.
  bool ended() const { return ended_; }
  int exitCode() const { return exitCode_; }

  // A control by its name ("cmdSave", "Text1(3)"), or nullptr.
  QWidget* control(std::string_view name) const;

  // The screen's vertical twips per pixel, from its logical resolution.
  double twipsPerPixelY() const override;
  // Places every control at its designed twips x factor / twips per pixel and sizes every
  // font at its designed points x factor: on any screen a control measures its twips / 12 in
  // pixels and a font has the pixel size it has at 120 pixels per inch. Always computed from
  // the design, so it does not matter how often it runs.
  void scaleWindow(double factor) override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  struct Field {
    QWidget* widget;
    std::function<std::string&(lifecycle::Form&)> slot;
    FieldText text;
  };

  void build();
  void place(double pixelsPerTwip, double fontFactor);
  void chainTabOrder();
  void connectEvents();
  void focusFirst();

  // A handler of the editor, or a selection made by the user, through handle().
  void run(void (lifecycle::Editor::*handler)());
  void run(bool (lifecycle::Editor::*select)(int), int row);
  void handle(const std::function<void()>& handler);
  void collect();
  void redraw();
  void finish(int status);
  void fail(const QString& message);
  void showAbout();

  lifecycle::Dialogs& dialogs_;
  ErrorReport report_;
  lifecycle::Editor* editor_ = nullptr;
  std::vector<QWidget*> widgets_;  // by position in the design table
  std::vector<Field> fields_;
  bool ended_ = false;
  int exitCode_ = 0;
};

}  // namespace ui
