#pragma once

#include <QWidget>
#include <functional>

#include "window/Results.h"

class QLabel;
class QPushButton;
class QRadioButton;
class QTreeWidget;

namespace qt {

// The results window in Qt, drawn from its plain data (window::ResultsView): a window of its own
// beside the editor's, never modal. Its parts are named for tests: the switch "thisTest" and
// "allTests", the lists "lessons", "rows" and "statistics", the labels "notes" and "problem", and
// the buttons "saveXlsx", "saveCsv", "print" and "delete". Every event goes to the driver through
// the calls it is given; what it shows changes only by show().
class ResultsWindow final : public QWidget {
 public:
  struct Events {
    std::function<void(bool allTests)> scope;
    std::function<void(int row)> chosen;
    std::function<void(window::ResultsAction)> action;
    std::function<void(int row)> question;
    std::function<void()> closed;
  };
  ResultsWindow(QWidget* editor, Events events);

  void show(const window::ResultsView& view);

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  Events events_;
  bool drawing_ = false;  // while show() sets the controls, nothing they signal is the teacher's
  QRadioButton* thisTest_;
  QRadioButton* allTests_;
  QTreeWidget* lessons_;
  QTreeWidget* rows_;
  QLabel* notes_;
  QTreeWidget* statistics_;
  QLabel* problem_;
  QPushButton* saveXlsx_;
  QPushButton* saveCsv_;
  QPushButton* print_;
  QPushButton* delete_;
};

}  // namespace qt
