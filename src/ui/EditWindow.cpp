#include "ui/EditWindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <algorithm>

#include "ui/About.h"
#include "ui/Icon.h"
#include "ui/Layout.h"
#include "ui/Widgets.h"
#include "window/Bindings.h"

namespace ui {

namespace {

QString utf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QColor rgb(const int (&c)[3]) { return QColor(c[0], c[1], c[2]); }

void fillBackground(QWidget* widget, const QColor& colour) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, colour);
  palette.setColor(widget->backgroundRole(), colour);  // a button's is Button, not Window
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}

// A designed font at `factor` times its size. The family asked for comes first; the others
// are Cyrillic-capable stand-ins for a system that lacks it (fontconfig already answers
// Liberation Sans for Arial).
QFont designedFont(FontId id, double factor) {
  const FontDesign design = fontDesign(id);
  QStringList families{utf8(design.family)};
  if (design.family == "MS Sans Serif") families << QStringLiteral("Microsoft Sans Serif");
  families << QStringLiteral("Liberation Sans") << QStringLiteral("DejaVu Sans")
           << QStringLiteral("Noto Sans");
  QFont font;
  font.setFamilies(families);
  font.setStyleHint(QFont::SansSerif);
  font.setPointSizeF(design.points * factor);
  font.setWeight(design.bold ? QFont::Bold : QFont::Normal);
  font.setItalic(false);
  font.setUnderline(false);
  font.setStrikeOut(false);
  return font;
}

QString fieldText(const QWidget* widget) {
  if (const auto* line = qobject_cast<const QLineEdit*>(widget)) return line->text();
  return static_cast<const TextField*>(widget)->text();
}

void setFieldText(QWidget* widget, const QString& text) {
  if (auto* line = qobject_cast<QLineEdit*>(widget)) {
    line->setText(text);
  } else {
    static_cast<TextField*>(widget)->setText(text);
  }
}

void setTextColour(QWidget* widget, const QColor& colour) {
  if (widget->palette().color(QPalette::Text) == colour) return;
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Text, colour);
  widget->setPalette(palette);
}

// Sets a list's rows and its selected row (-1: none), touching only what differs.
void showRows(QListWidget* list, const QStringList& rows, int selected) {
  bool same = list->count() == rows.size();
  for (int i = 0; same && i < list->count(); ++i) same = list->item(i)->text() == rows[i];
  if (!same) {
    list->clear();
    list->addItems(rows);
  }
  if (selected < 0 || selected >= list->count()) {
    list->setCurrentRow(-1);
    list->clearSelection();
  } else if (list->currentRow() != selected) {
    list->setCurrentRow(selected);
  }
}

// List rows one line of the list's font high, with no extra margin: ten questions fit the
// question list, as they do in the window's design.
class CompactRows final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(static_cast<int>(QFontMetricsF(option.font).height()));
    return size;
  }
};

QStringList decoded(const std::vector<std::string>& rows) {
  QStringList out;
  for (const auto& row : rows) out << fromCodePage(row);
  return out;
}

}  // namespace

EditWindow::EditWindow(lifecycle::Dialogs& dialogs, ErrorReport report)
    : dialogs_(dialogs), report_(std::move(report)) {
  build();
  // As designed: 12 twips per pixel, fonts at their own sizes, until start-up scales it.
  place(1.0 / 12.0, 1.0);
}

// The controls go away after this, and may signal as they do; no handler runs then.
EditWindow::~EditWindow() { editor_ = nullptr; }

void EditWindow::build() {
  setObjectName(utf8(kWindowName));
  setWindowTitle(utf8(kWindowCaption));
  setWindowIcon(editorIcon());
  fillBackground(this, rgb(kWindowRgb));

  for (const ControlDesign& d : controls()) {
    QWidget* parent = d.container == kWindowName ? this : control(d.container);
    const QColor background = parent == this ? rgb(kWindowRgb) : rgb(kFrameRgb);
    const QString caption = utf8(d.caption);
    QWidget* widget = nullptr;
    switch (d.kind) {
      case Kind::Frame: {
        auto* frame = new FrameBox(caption, parent);
        fillBackground(frame, rgb(kFrameRgb));
        widget = frame;
        break;
      }
      case Kind::Label:
      case Kind::BorderLabel: {
        auto* label = new QLabel(caption, parent);
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(wrapsCaption(d));
        if (d.kind == Kind::BorderLabel) {
          label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
          label->setLineWidth(1);
          label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        } else {
          label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        }
        fillBackground(label, background);
        widget = label;
        break;
      }
      case Kind::TextBox:
        widget = new LineField(parent);
        break;
      case Kind::MultiLineBox:
        widget = new TextField(parent);
        break;
      case Kind::ListBox:
      case Kind::FileList:
      case Kind::FolderList: {
        auto* list = new ChoiceList(parent);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        list->setItemDelegate(new CompactRows(list));
        widget = list;
        break;
      }
      case Kind::Button: {
        auto* button = new WrapButton(caption, parent);
        button->setAutoDefault(false);
        widget = button;
        break;
      }
      case Kind::Option: {
        auto* option = new QRadioButton(caption, parent);
        option->setChecked(d.initial == Initial::Selected);
        fillBackground(option, rgb(kFrameRgb));
        widget = option;
        break;
      }
      case Kind::Image:
        widget = new PictureBox(parent);
        break;
    }
    widget->setObjectName(utf8(d.name));
    if (d.initial == Initial::Disabled) widget->setEnabled(false);
    widgets_.push_back(widget);
  }

  // Of two overlapping controls of one container, the one created first lies on top (the
  // stage count Label9 over its caption Label8, Text1 over the frame Frame2); the toolkit
  // stacks the other way round.
  for (auto w = widgets_.rbegin(); w != widgets_.rend(); ++w) (*w)->raise();
  chainTabOrder();

  for (const window::TextBinding& field : window::textFields()) {
    QWidget* widget = control(field.control);
    if (auto* line = dynamic_cast<LineField*>(widget)) {
      line->setRule(field.rule);
    } else {
      static_cast<TextField*>(widget)->setRule(field.rule);
    }
    fields_.push_back({widget, field.slot, FieldText(field.rule)});
  }
}

// Labels, frames and the picture take no focus; the rest follow their tab indices.
void EditWindow::chainTabOrder() {
  std::vector<std::pair<int, QWidget*>> order;
  for (std::size_t i = 0; i < widgets_.size(); ++i) {
    const int tab = controls()[i].tab;
    if (tab >= 0 && (widgets_[i]->focusPolicy() & Qt::TabFocus) != 0) {
      order.emplace_back(tab, widgets_[i]);
    }
  }
  std::sort(order.begin(), order.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  for (std::size_t i = 1; i < order.size(); ++i) {
    QWidget::setTabOrder(order[i - 1].second, order[i].second);
  }
}

void EditWindow::place(double pixelsPerTwip, double fontFactor) {
  auto px = [pixelsPerTwip](int twips) { return qRound(twips * pixelsPerTwip); };
  setFixedSize(px(kClientWidth), px(kClientHeight));
  setFont(designedFont(kWindowFont, fontFactor));
  const auto designs = controls();
  for (std::size_t i = 0; i < widgets_.size(); ++i) {
    const ControlDesign& d = designs[i];
    widgets_[i]->setGeometry(px(d.left), px(d.top), px(d.width), px(d.height));
    if (d.font != FontId::None) widgets_[i]->setFont(designedFont(d.font, fontFactor));
  }
}

double EditWindow::twipsPerPixelY() const {
  return static_cast<float>(1440.0 / logicalDpiY());
}

void EditWindow::scaleWindow(double factor) { place(factor / twipsPerPixelY(), factor); }

QWidget* EditWindow::control(std::string_view name) const {
  const auto designs = controls();
  for (std::size_t i = 0; i < widgets_.size(); ++i) {
    if (designs[i].name == name) return widgets_[i];
  }
  return nullptr;
}

void EditWindow::attach(lifecycle::Editor& editor) {
  editor_ = &editor;
  connectEvents();
  redraw();
}

void EditWindow::connectEvents() {
  auto button = [this](std::string_view name) {
    return static_cast<QAbstractButton*>(control(name));
  };
  for (const window::ClickBinding& click : window::clickHandlers()) {
    connect(button(click.control), &QAbstractButton::clicked, this,
            [this, h = click.handler] { run(h); });
  }
  connect(button("cmdAbout"), &QAbstractButton::clicked, this, [this] { showAbout(); });

  for (const window::SelectBinding& selection : window::listSelections()) {
    connect(static_cast<QListWidget*>(control(selection.control)), &QListWidget::currentRowChanged,
            this, [this, s = selection.select](int row) { run(s, row); });
  }
  for (int index = 0; index < 2; ++index) {
    auto* option = static_cast<QRadioButton*>(control("optIm(" + std::to_string(index) + ")"));
    connect(option, &QRadioButton::toggled, this, [this, index](bool selected) {
      if (selected) run(&lifecycle::Editor::selectOptIm, index);
    });
  }
}

void EditWindow::run(void (lifecycle::Editor::*handler)()) {
  lifecycle::Editor* editor = editor_;
  handle([editor, handler] { (editor->*handler)(); });
}

void EditWindow::run(bool (lifecycle::Editor::*select)(int), int row) {
  lifecycle::Editor* editor = editor_;
  handle([editor, select, row] { (editor->*select)(row); });
}

bool EditWindow::load() {
  if (editor_ == nullptr) return false;
  run(&lifecycle::Editor::Form_Load);
  if (ended_) return false;
  focusFirst();
  return true;
}

void EditWindow::focusFirst() {
  QWidget* first = nullptr;
  int best = 0;
  for (std::size_t i = 0; i < widgets_.size(); ++i) {
    const int tab = controls()[i].tab;
    QWidget* w = widgets_[i];
    if (tab < 0 || (w->focusPolicy() & Qt::TabFocus) == 0 || !w->isEnabled()) continue;
    if (first == nullptr || tab < best) {
      first = w;
      best = tab;
    }
  }
  if (first != nullptr) first->setFocus(Qt::TabFocusReason);
}

// The event boundary: texts in, the handler, everything out. An error ends the editor here.
void EditWindow::handle(const std::function<void()>& handler) {
  if (ended_ || editor_ == nullptr) return;
  collect();
  if (const auto error = window::runEvent(handler)) {
    fail(QString::fromStdString(*error));
    return;
  }
  redraw();
  if (editor_->unloaded()) finish(0);
}

void EditWindow::collect() {
  for (Field& field : fields_) field.slot(editor_->form) = field.text.take(fieldText(field.widget));
}

void EditWindow::redraw() {
  const lifecycle::Form& f = editor_->form;
  std::vector<QSignalBlocker> blockers;
  blockers.reserve(widgets_.size());
  for (QWidget* w : widgets_) blockers.emplace_back(w);

  for (Field& field : fields_) {
    const QString& shown = field.text.fill(field.slot(editor_->form));
    if (fieldText(field.widget) != shown) setFieldText(field.widget, shown);
  }
  const QColor questionColour = f.Text1Red ? QColor(255, 0, 0) : QColor(0, 0, 0);
  for (std::size_t i = 0; i < 6; ++i) {
    setTextColour(control("Text1(" + std::to_string(i) + ")"), questionColour);
  }

  for (const window::ListView& list : window::listViews(f)) {
    showRows(static_cast<QListWidget*>(control(list.control)), decoded(list.rows), list.selected);
  }
  for (const window::CaptionView& label : window::captionViews(f)) {
    static_cast<QLabel*>(control(label.control))->setText(fromCodePage(label.caption));
  }
  for (const window::EnabledView& state : window::enabledViews(f)) {
    control(state.control)->setEnabled(state.enabled);
  }
  static_cast<QRadioButton*>(control(window::selectedOption(f)))->setChecked(true);
  static_cast<PictureBox*>(control("Image1"))->setPictureBytes(f.Image1.Bytes);
}

void EditWindow::finish(int status) {
  ended_ = true;
  exitCode_ = status;
  hide();
  QCoreApplication::exit(status);
}

void EditWindow::fail(const QString& message) {
  ended_ = true;
  exitCode_ = 1;
  if (report_) report_(this, message);
  hide();
  QCoreApplication::exit(1);
}

// The help box reads and changes nothing: no handler of the editor runs for it.
void EditWindow::showAbout() {
  if (ended_) return;
  dialogs_.inform(aboutText(), aboutTitle());
}

// Closing the window by its frame unloads it once; after an error or the exit button the
// editor has already ended, and the window just closes. The answer Отмена to the question about
// an unsaved question keeps it open.
void EditWindow::closeEvent(QCloseEvent* event) {
  if (!ended_ && editor_ != nullptr) run(&lifecycle::Editor::Form_Unload);
  if (!ended_ && editor_ != nullptr && !editor_->unloaded()) {
    event->ignore();
    return;
  }
  event->accept();
}

}  // namespace ui
