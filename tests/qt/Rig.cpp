#include "Rig.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

namespace qttest {

Rig::Rig(const fs::path& root)
    : window(dialogs, [this](QWidget*, const QString& message) { errors.push_back(message); }),
      editor({disk, dialogs, clock, random, &window, nullptr, &images}, root) {
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
    n += op.name == "putFile" || op.name == "putFileUnsynced" || op.name == "renameFile" || op.name == "deleteFile" ||
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

struct ModalWait::State {
  std::string what;
  std::function<Step(QWidget*)> step;
  QTimer timer;
  QDeadlineTimer deadline{30000};
  Step now = Waiting;
};

ModalWait::ModalWait(std::string what, std::function<Step(QWidget*)> step)
    : state_(std::make_unique<State>()) {
  State* s = state_.get();
  s->what = std::move(what);
  s->step = std::move(step);
  QObject::connect(&s->timer, &QTimer::timeout, [s] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (s->deadline.hasExpired()) {
      ADD_FAILURE() << "waited half a minute for " << s->what << " in vain";
      if (auto* shown = qobject_cast<QDialog*>(dialog)) shown->reject();
      s->now = Done;
    } else {
      const Step next = s->step(dialog);
      if (next != Waiting || s->now == Waiting) s->now = next;
    }
    if (s->now == Done) s->timer.stop();
  });
  s->timer.start(20);
}

ModalWait::ModalWait(ModalWait&&) noexcept = default;

ModalWait::~ModalWait() {
  if (state_ && state_->now == Waiting) ADD_FAILURE() << "the test ended before " << state_->what << " came";
}

bool ModalWait::came() const { return state_->now != Waiting; }

void ModalWait::forgo() {
  state_->timer.stop();
  if (state_->now == Waiting) state_->now = Done;
}

ModalWait whenModal(std::function<bool(QWidget*)> is, std::function<void(QWidget*)> act, std::string what) {
  return ModalWait(std::move(what), [is = std::move(is), act = std::move(act)](QWidget* dialog) {
    if (dialog == nullptr || !is(dialog)) return ModalWait::Waiting;
    act(dialog);
    return ModalWait::Done;
  });
}

ModalWait answerFile(const fs::path& file) {
  // The dialog may set its own name after it shows: the file is chosen until the dialog goes.
  QPointer<QFileDialog> seen;
  bool came = false;
  return ModalWait("a file dialog to take " + file.string(), [seen, came, file](QWidget* modal) mutable {
    if (!came) {
      seen = qobject_cast<QFileDialog*>(modal);
      came = !seen.isNull();
      if (!came) return ModalWait::Waiting;
    }
    if (seen.isNull() || !seen->isVisible()) return ModalWait::Done;
    // As a teacher types it into the name field.
    if (auto* name = seen->findChild<QLineEdit*>("fileNameEdit")) name->setText(QString::fromStdString(file.string()));
    static_cast<QDialog*>(seen.data())->accept();
    return ModalWait::Acting;
  });
}

bool isFileDialog(QWidget* dialog) { return qobject_cast<QFileDialog*>(dialog) != nullptr; }
bool isImportDialog(QWidget* dialog) { return dialog->findChild<QPlainTextEdit*>("summary") != nullptr; }

void press(QWidget* to, char16_t letter, Qt::KeyboardModifiers modifiers) {
  const auto key = static_cast<Qt::Key>(QChar(letter).toUpper().unicode());
  QTest::sendKeyEvent(QTest::Click, to, key, QString(QChar{letter}), modifiers);
}

void chooseItem(QWidget* window, char16_t menu, char16_t item) {
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window));
  press(window, menu, Qt::AltModifier);
  auto* open = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  ASSERT_NE(open, nullptr) << "no menu opened by Alt";
  press(open, item);
}

std::vector<ModalWait> answerImport(const fs::path& file, int stage, int question, QString* summary) {
  std::vector<ModalWait> waits;
  waits.push_back(answerFile(file));
  waits.push_back(whenModal(isImportDialog, [stage, question, summary](QWidget* w) {
    w->findChild<QComboBox*>("stage")->setCurrentIndex(stage - 1);
    w->findChild<QComboBox*>("question")->setCurrentIndex(question - 1);
    if (summary != nullptr) *summary = w->findChild<QPlainTextEdit*>("summary")->toPlainText();
    auto* import = w->findChild<QPushButton*>("import");
    EXPECT_TRUE(import->isEnabled()) << w->findChild<QPlainTextEdit*>("summary")->toPlainText().toStdString();
    click(import->isEnabled() ? import : w->findChild<QPushButton*>("cancel"));
  }, "the import's dialog"));
  return waits;
}

std::string bytes(std::initializer_list<unsigned char> codes) {
  std::string out;
  for (unsigned char c : codes) out += static_cast<char>(c);
  return out;
}

}  // namespace qttest
