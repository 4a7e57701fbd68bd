#include "Rig.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QTest>
#include <gtest/gtest.h>

namespace qttest {

Rig::Rig(const fs::path& root)
    : window(dialogs, [this](QWidget*, const QString& message) { errors.push_back(message); }),
      editor({disk, dialogs, clock, random, &window}, root) {
  window.attach(editor);
}

int Rig::writesOf(const fs::path& file) const {
  int n = 0;
  // A file reaches its new bytes when its temporary is renamed over it.
  for (const auto& op : disk.log()) n += op.name == "renameFile" && op.to == file;
  return n;
}

int Rig::writes() const {
  int n = 0;
  for (const auto& op : disk.log()) {
    n += op.name == "putFile" || op.name == "renameFile" || op.name == "deleteFile" ||
         op.name == "makeFolder" || op.name == "removeFolder";
  }
  return n;
}

Started::Started(const support::ShellPlan& plan, const std::function<void(const fs::path&)>& change) {
  support::buildShell(dir.path(), plan);
  if (change) change(dir.path());
  rig = std::make_unique<Rig>(dir.path());
  rig->window.load();
  rig->window.show();
}

void click(QWidget* widget) {
  ASSERT_NE(widget, nullptr);
  // Near the left edge: an option button answers only on its mark and caption.
  QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, QPoint(8, widget->height() / 2));
}

void clickRow(QListWidget* list, int row) {
  ASSERT_NE(list, nullptr);
  ASSERT_LT(row, list->count());
  list->scrollToItem(list->item(row));
  const QPoint at = list->visualItemRect(list->item(row)).center();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

void choose(Rig& rig, int stage, int question) {
  clickRow(rig.list("List1"), stage - 1);
  clickRow(rig.list("List2"), question - 1);
  ASSERT_TRUE(rig.errors.empty());
  ASSERT_EQ(rig.editor.state().CurStage, stage);
  ASSERT_EQ(rig.editor.state().CurQuestion, question);
}

namespace {
void toEnd(QWidget* field) {
  field->setFocus();
  if (auto* line = qobject_cast<QLineEdit*>(field)) {
    line->end(false);
  } else if (auto* text = qobject_cast<QPlainTextEdit*>(field)) {
    text->moveCursor(QTextCursor::End);
  }
}
}  // namespace

// One key event per character, as a keyboard layout that has the character gives it.
// (QTest::keyClicks knows only Latin-1.)
void typeInto(QWidget* field, const QString& text) {
  ASSERT_NE(field, nullptr);
  toEnd(field);
  for (const uint c : text.toUcs4()) {
    const char32_t code = static_cast<char32_t>(c);
    const QString one = QString::fromUcs4(&code, 1);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, one);
    QApplication::sendEvent(field, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, one);
    QApplication::sendEvent(field, &release);
  }
}

void pasteInto(QWidget* field, const QString& text) {
  ASSERT_NE(field, nullptr);
  toEnd(field);
  QApplication::clipboard()->setText(text);
  if (auto* line = qobject_cast<QLineEdit*>(field)) {
    line->paste();
  } else {
    qobject_cast<QPlainTextEdit*>(field)->paste();
  }
}

QString textOf(const QWidget* field) {
  if (const auto* line = qobject_cast<const QLineEdit*>(field)) return line->text();
  if (const auto* text = qobject_cast<const QPlainTextEdit*>(field)) {
    return text->document()->toRawText();
  }
  return {};
}

std::string bytes(std::initializer_list<unsigned char> codes) {
  std::string out;
  for (unsigned char c : codes) out += static_cast<char>(c);
  return out;
}

}  // namespace qttest
