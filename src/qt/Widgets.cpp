#include "qt/Widgets.h"

#include <QSignalBlocker>

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTextBlock>
#include <QTimer>
#include <QToolTip>
#include <QValidator>
#include <algorithm>
#include <limits>


namespace qt {

namespace {

using window::FieldRule;

// window::mendInput on the toolkit's strings.
QString mendInput(const QString& text, FieldRule rule, char32_t* refused = nullptr) {
  return QString::fromStdU16String(window::mendInput(text.toStdU16String(), rule, refused));
}

// A beep, and the note under the field that says which character was left out and why; the
// note goes after a few seconds, or shows the next refusal instead.
void sayRefused(QWidget* field, char32_t c, FieldRule rule) {
  QApplication::beep();
  QWidget* top = field->window();
  auto* note = top->findChild<QLabel*>(QStringLiteral("refusal"), Qt::FindDirectChildrenOnly);
  if (note == nullptr) {
    note = new QLabel(top);
    note->setObjectName(QStringLiteral("refusal"));
    note->setTextFormat(Qt::PlainText);
    note->setWordWrap(true);
    note->setFrameStyle(QFrame::Box | QFrame::Plain);
    note->setMargin(3);
    note->setPalette(QToolTip::palette());
    note->setBackgroundRole(QPalette::ToolTipBase);
    note->setForegroundRole(QPalette::ToolTipText);
    note->setAutoFillBackground(true);
    auto* timer = new QTimer(note);
    timer->setSingleShot(true);
    timer->setInterval(8000);
    QObject::connect(timer, &QTimer::timeout, note, &QWidget::hide);
  }
  note->setText(QString::fromStdString(window::refusalText(c, rule)));
  const int width = std::max(top->width() * 2 / 5, std::min(top->width(), 200));
  note->setFixedSize(width, note->heightForWidth(width));
  QPoint at = field->mapTo(top, QPoint(0, field->height() + 2));
  if (at.y() + note->height() > top->height()) {
    at.setY(field->mapTo(top, QPoint(0, 0)).y() - note->height() - 2);
  }
  at.setX(std::clamp(at.x(), 0, std::max(0, top->width() - width)));
  note->move(at);
  note->show();
  note->raise();
  note->findChild<QTimer*>()->start();
}

// Mends every change of a one-line box: the text it is given is the whole text after the
// change, whose part from before the change is already mended.
class MendingValidator final : public QValidator {
 public:
  explicit MendingValidator(LineField* field) : QValidator(field), field_(field) {}
  State validate(QString& input, int& pos) const override {
    char32_t refused = 0;
    const QString mended = mendInput(input, field_->rule(), &refused);
    if (mended != input) {
      pos = static_cast<int>(mendInput(input.left(pos), field_->rule()).size());
      input = mended;
    }
    if (refused != 0) sayRefused(field_, refused, field_->rule());
    return Acceptable;
  }

 private:
  LineField* field_;
};

}  // namespace

LineField::LineField(QWidget* parent, window::FieldRule rule) : QLineEdit(parent), rule_(rule) {
  setMaxLength(std::numeric_limits<int>::max());
  setValidator(new MendingValidator(this));
}

TextField::TextField(QWidget* parent, window::FieldRule rule) : QPlainTextEdit(parent), rule_(rule) {
  setTabChangesFocus(true);
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  document()->setDocumentMargin(1);
}

// The raw text keeps a non-breaking space (0xA0 in the code page) as it is; toPlainText()
// would turn it into a plain space.
QString TextField::text() const { return document()->toRawText(); }

void TextField::setText(const QString& text) { setPlainText(text); }

void TextField::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !isReadOnly()) {
    insertPlainText(QStringLiteral(" "));
    event->accept();
    return;
  }
  const QString typed = event->text();
  if (!typed.isEmpty()) {
    char32_t refused = 0;
    const QString mended = mendInput(typed, rule_, &refused);
    if (refused != 0 || mended != typed) {
      if (refused != 0) sayRefused(this, refused, rule_);
      if (!mended.isEmpty() && !isReadOnly()) insertPlainText(mended);
      event->accept();
      return;
    }
  }
  QPlainTextEdit::keyPressEvent(event);
}

void TextField::inputMethodEvent(QInputMethodEvent* event) {
  char32_t refused = 0;
  const QString mended = mendInput(event->commitString(), rule_, &refused);
  if (refused != 0) sayRefused(this, refused, rule_);
  if (mended == event->commitString()) {
    QPlainTextEdit::inputMethodEvent(event);
    return;
  }
  QInputMethodEvent changed(event->preeditString(), event->attributes());
  changed.setCommitString(mended, event->replacementStart(), event->replacementLength());
  QPlainTextEdit::inputMethodEvent(&changed);
}

bool TextField::canInsertFromMimeData(const QMimeData* source) const { return source->hasText(); }

void TextField::insertFromMimeData(const QMimeData* source) {
  if (!source->hasText()) return;
  char32_t refused = 0;
  const QString mended = mendInput(source->text(), rule_, &refused);
  if (refused != 0) sayRefused(this, refused, rule_);
  if (!mended.isEmpty()) insertPlainText(mended);
}

FrameBox::FrameBox(const QString& caption, QWidget* parent) : QGroupBox(caption, parent) {}

void FrameBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QFontMetrics metrics(font());
  const QString caption = title();
  const int line = caption.isEmpty() ? 0 : metrics.height() / 2;
  const QRect box = rect().adjusted(0, line, -1, -1);
  const QColor dark = palette().color(QPalette::Dark);
  const QColor light = palette().color(QPalette::Light);
  painter.setPen(dark);
  painter.drawRect(box.adjusted(0, 0, -1, -1));
  painter.setPen(light);
  painter.drawRect(box.adjusted(1, 1, 0, 0));
  if (caption.isEmpty()) return;
  const int indent = metrics.averageCharWidth();
  QRect text(indent, 0, metrics.horizontalAdvance(caption) + 2, metrics.height());
  text = text.intersected(rect().adjusted(0, 0, -indent, 0));
  painter.fillRect(text, palette().color(QPalette::Window));
  painter.setPen(palette().color(isEnabled() ? QPalette::Normal : QPalette::Disabled,
                                 QPalette::WindowText));
  painter.drawText(text.adjusted(1, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   caption);
}

WrapButton::WrapButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {}

void WrapButton::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionButton option;
  initStyleOption(&option);
  const QString caption = option.text;
  option.text.clear();
  painter.drawControl(QStyle::CE_PushButton, option);
  QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
  if (isDown()) {
    area.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                   style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
  }
  painter.drawItemText(area, Qt::AlignCenter | Qt::TextWordWrap, palette(), isEnabled(), caption,
                       QPalette::ButtonText);
}

PictureBox::PictureBox(QWidget* parent) : QFrame(parent) {
  setFrameStyle(QFrame::Box | QFrame::Plain);
  setLineWidth(1);
}

void PictureBox::setPictureBytes(const std::string& bytes) {
  if (bytes == bytes_) return;
  bytes_ = bytes;
  picture_ = QImage();
  if (!bytes.empty()) {
    // A picture that cannot be read stays an empty preview: loadFromData leaves picture_ null.
    picture_.loadFromData(reinterpret_cast<const uchar*>(bytes.data()),
                          static_cast<int>(bytes.size()));
  }
  update();
}

void PictureBox::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  if (picture_.isNull()) return;
  QPainter painter(this);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  const QRect box = contentsRect();
  const QSize size = picture_.size().scaled(box.size(), Qt::KeepAspectRatio);
  const QRect target(box.x() + (box.width() - size.width()) / 2,
                     box.y() + (box.height() - size.height()) / 2, size.width(), size.height());
  painter.drawImage(target, picture_);
}

ChoiceList::ChoiceList(QWidget* parent) : QListWidget(parent) {}

bool leavesToWindow(const QKeyEvent* key, bool canUndo, bool canRedo) {
  const auto combination = key->keyCombination();
  if (combination.keyboardModifiers() != Qt::ControlModifier) return false;
  return (combination.key() == Qt::Key_Z && !canUndo) || (combination.key() == Qt::Key_Y && !canRedo);
}

bool LineField::event(QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride &&
      leavesToWindow(static_cast<QKeyEvent*>(event), isUndoAvailable(), isRedoAvailable())) {
    event->ignore();
    return false;
  }
  return QLineEdit::event(event);
}

bool TextField::event(QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride &&
      leavesToWindow(static_cast<QKeyEvent*>(event), document()->isUndoAvailable(), document()->isRedoAvailable())) {
    event->ignore();
    return false;
  }
  return QPlainTextEdit::event(event);
}

// The click makes its row current first (the choice, which may put the row back) and then
// selects the row under the mouse; the highlight follows the current row.
void ChoiceList::mousePressEvent(QMouseEvent* event) {
  QListWidget::mousePressEvent(event);
  if (currentItem() != nullptr && !currentItem()->isSelected()) {
    selectionModel()->select(currentIndex(), QItemSelectionModel::ClearAndSelect);
  }
}

void ChoiceList::focusInEvent(QFocusEvent* event) {
  const int before = currentRow();
  {
    const QSignalBlocker blocker(this);
    QListWidget::focusInEvent(event);
    if (currentRow() != before) setCurrentRow(before);
  }
}

}  // namespace qt
