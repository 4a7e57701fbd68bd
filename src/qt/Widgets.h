#pragma once

#include <QFrame>
#include <QGroupBox>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <string>

#include "window/Fields.h"

// The toolkit's controls as this window needs them. The two text fields take in only what
// their rule lets them hold and never a line break (see window::mendInput), whichever way the
// text comes: typed, pasted, dropped or composed by an input method. A character left out
// beeps, and a note under the field (a label named "refusal" on the field's window) says why
// for a few seconds.

namespace qt {

// Whether a field leaves Ctrl+Z or Ctrl+Y to the window (the history's undo and redo): where it
// has no typing of its own to take back or bring again.
bool leavesToWindow(const QKeyEvent* key, bool canUndo, bool canRedo);

// A one-line text box. Ctrl+Z and Ctrl+Y take back its own typing first.
class LineField final : public QLineEdit {
 public:
  LineField(QWidget* parent, window::FieldRule rule);
  window::FieldRule rule() const { return rule_; }

 protected:
  bool event(QEvent* event) override;

 private:
  window::FieldRule rule_;
};

// A list box in which only a click on a row or an arrow key chooses a row. The toolkit makes
// the first row current when a list with no current row gains the keyboard focus; here the
// focus alone leaves the list as it was, so that tabbing through the window chooses nothing.
// A click whose row the window put back (the choice was refused) leaves that row highlighted.
class ChoiceList final : public QListWidget {
 public:
  explicit ChoiceList(QWidget* parent);

 protected:
  void focusInEvent(QFocusEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
};

// A multi-line text box: it wraps its text at word boundaries, has no scroll bars, and the
// Tab key moves the focus on. Enter types a space, since a value is one line of a file. Ctrl+Z
// and Ctrl+Y take back its own typing first.
class TextField final : public QPlainTextEdit {
 public:
  TextField(QWidget* parent, window::FieldRule rule);
  QString text() const;
  void setText(const QString& text);

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  bool canInsertFromMimeData(const QMimeData* source) const override;
  void insertFromMimeData(const QMimeData* source) override;

 private:
  window::FieldRule rule_;
};

// A frame: an etched rectangle with its caption over the top line, filled with its
// background colour. A frame without a caption is just the rectangle.
class FrameBox final : public QGroupBox {
 public:
  FrameBox(const QString& caption, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// A push button whose caption wraps onto several lines when it is wider than the button.
class WrapButton final : public QPushButton {
 public:
  WrapButton(const QString& caption, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// The picture preview: a box with a single-line border that shows one picture or nothing.
// The picture is scaled to fit the box, keeping its aspect ratio, and centred in it.
class PictureBox final : public QFrame {
 public:
  explicit PictureBox(QWidget* parent);
  // Shows the picture these bytes hold; empty bytes, or bytes that are no picture the toolkit
  // can read, leave the box empty.
  void setPictureBytes(const std::string& bytes);
  const QImage& picture() const { return picture_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::string bytes_;
  QImage picture_;
};

}  // namespace qt
