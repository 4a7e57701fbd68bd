#pragma once

#include <QWidget>
#include <functional>

#include "window/Commands.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace qt {

// The lesson's window in Qt, drawn from its plain data (window::LessonTable): a window of its own
// beside the editor's, never modal, so that the teacher goes on editing while the class takes the
// test. Its parts are named for tests: "heading", "addresses", "finished", "problem", "rows" and
// the button "end". The button and the frame's close call `end`, which asks the teacher and
// closes the window when the lesson ends.
class LessonWindow final : public QWidget {
 public:
  LessonWindow(QWidget* editor, std::function<void()> end);

  void show(const window::LessonTable& table);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  std::function<void()> end_;
  QLabel* heading_;
  QLabel* addresses_;
  QLabel* finished_;
  QLabel* problem_;
  QTreeWidget* rows_;
  QPushButton* button_;
};

}  // namespace qt
