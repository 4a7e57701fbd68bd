#include "qt/EditWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProxyStyle>
#include <QRadioButton>
#include <QStyleFactory>
#include <QStyledItemDelegate>
#include <QThread>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "qt/CommandDialogs.h"
#include "qt/Icon.h"
#include "qt/ImageReader.h"
#include "qt/LessonWindow.h"
#include "qt/ResultsWindow.h"
#include "qt/Widgets.h"
#include "window/Bindings.h"
#include "window/Layout.h"

namespace qt {

using window::ControlDesign;
using window::ControlId;
using window::FontId;
using window::Kind;

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
  const window::FontDesign design = window::fontDesign(id);
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
  // Glyphs fitted to the pixel grid only vertically, whatever the system's font settings: fitted
  // horizontally too (full hinting), a caption grows by up to a pixel a letter and is cut.
  font.setHintingPreference(QFont::PreferVerticalHinting);
  return font;
}

QString qt(const std::u16string& text) { return QString::fromStdU16String(text); }

// The menu bar answers Alt alone as the system's menu bars do: the first menu's title is marked,
// and the arrow keys and Enter go on from there, whatever the style draws.
class MenuBarStyle final : public QProxyStyle {
 public:
  using QProxyStyle::QProxyStyle;
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returned) const override {
    if (hint == SH_MenuBar_AltKeyNavigation) return 1;
    return QProxyStyle::styleHint(hint, option, widget, returned);
  }
};

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

}  // namespace

EditWindow::EditWindow(lifecycle::Dialogs& dialogs, ErrorReport report)
    : report_(std::move(report)), driver_(*this, dialogs) {
  build();
  connectEvents();
  // Placed and given its fonts once, by start-up's scaling: fonts set twice would be looked up
  // twice, at two sizes, which costs the window most of its start.
}

// The controls go away after this, and may signal as they do; nothing reaches the driver then.
// A lesson still running stops first, so that no news comes from it any more.
EditWindow::~EditWindow() {
  driver_.stopLesson();
  for (QWidget* widget : widgets_) {
    if (widget != nullptr) widget->disconnect(this);
  }
  for (QAction* action : actions_) {
    if (action != nullptr) action->disconnect(this);
  }
}

void EditWindow::build() {
  setObjectName(utf8(window::kWindowName));
  setWindowTitle(utf8(window::kWindowCaption));
  setWindowIcon(editorIcon());
  // The menu bar over the client area; the window takes the size of both.
  menuBar_ = new QMenuBar(this);
  menuBar_->setFont(QApplication::font(menuBar_));  // the system's, not the window's
  auto* style = new MenuBarStyle(QStyleFactory::create(QApplication::style()->name()));
  style->setParent(menuBar_);
  menuBar_->setStyle(style);
  client_ = new QWidget(this);
  client_->setObjectName(QStringLiteral("client"));
  fillBackground(client_, rgb(window::kWindowRgb));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->setMenuBar(menuBar_);
  layout->addWidget(client_);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  for (const ControlDesign& d : window::controls()) {
    if (d.kind == Kind::Menu || d.kind == Kind::MenuItem) {
      addMenuEntry(d);
      continue;
    }
    QWidget* parent = d.container == window::kWindowName ? client_ : control(d.container);
    const QColor background = parent == client_ ? rgb(window::kWindowRgb) : rgb(window::kFrameRgb);
    const QString caption = utf8(d.caption);
    QWidget* widget = nullptr;
    switch (d.kind) {
      case Kind::Frame: {
        auto* frame = new FrameBox(caption, parent);
        fillBackground(frame, rgb(window::kFrameRgb));
        widget = frame;
        break;
      }
      case Kind::Label:
      case Kind::BorderLabel: {
        auto* label = new QLabel(caption, parent);
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(window::wrapsCaption(d));
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
        widget = new LineField(parent, window::fieldRule(widgets_.size()));
        break;
      case Kind::MultiLineBox:
        widget = new TextField(parent, window::fieldRule(widgets_.size()));
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
        option->setChecked(d.initial == window::Initial::Selected);
        fillBackground(option, rgb(window::kFrameRgb));
        widget = option;
        break;
      }
      case Kind::Image:
        widget = new PictureBox(parent);
        // A click gives it the focus (never the Tab key), so that Ctrl+V pastes a picture there.
        widget->setFocusPolicy(Qt::ClickFocus);
        break;
      case Kind::Menu:
      case Kind::MenuItem:
        break;  // made above
    }
    widget->setObjectName(utf8(d.name));
    if (d.initial == window::Initial::Disabled) widget->setEnabled(false);
    widgets_.push_back(widget);
    actions_.push_back(nullptr);
  }

  // Of two overlapping controls of one container, the one created first lies on top (the
  // stage count Label9 over its caption Label8, Text1 over the frame Frame2); the toolkit
  // stacks the other way round.
  for (auto w = widgets_.rbegin(); w != widgets_.rend(); ++w) {
    if (*w != nullptr) (*w)->raise();
  }
  const auto order = window::tabOrder();
  for (std::size_t i = 1; i < order.size(); ++i) {
    QWidget::setTabOrder(widgets_[order[i - 1]], widgets_[order[i]]);
  }
}

// A menu of the bar, or an item (or separator) of the menu before it; its letter after "&" is
// the one Alt chooses it by, as the toolkit reads the caption.
void EditWindow::addMenuEntry(const ControlDesign& d) {
  QAction* action = nullptr;
  if (d.kind == Kind::Menu) {
    QMenu* menu = menuBar_->addMenu(utf8(d.caption));
    menu->setObjectName(utf8(d.name));
    action = menu->menuAction();
  } else {
    auto* menu = static_cast<QMenu*>(actions_[window::controlId(d.container)]->menu());
    if (window::isSeparator(d)) {
      action = menu->addSeparator();
    } else {
      action = menu->addAction(utf8(d.caption));
      if (!d.shortcut.empty()) action->setShortcut(QKeySequence(utf8(d.shortcut)));
      // A key that works only on some controls (Ctrl+V on the pictures, never in a text field):
      // the item's key belongs to those controls, and the menu still shows it.
      const auto places = window::keyPlaces(d.name);
      if (!places.empty()) {
        action->setShortcutContext(Qt::WidgetShortcut);
        for (const std::string_view place : places) control(place)->addAction(action);
      }
    }
  }
  action->setObjectName(utf8(d.name));
  widgets_.push_back(nullptr);
  actions_.push_back(action);
}

// Each control's own signal of the user's doing, to the driver: a button's click, an option
// button selected, a list's current row changed, a menu item chosen.
void EditWindow::connectEvents() {
  const auto designs = window::controls();
  for (ControlId id = 0; id < widgets_.size(); ++id) {
    QWidget* widget = widgets_[id];
    if (designs[id].kind == Kind::MenuItem) {
      connect(actions_[id], &QAction::triggered, this, [this, id] { driver_.clicked(id); });
      continue;
    }
    switch (designs[id].kind) {
      case Kind::Button:
        connect(static_cast<QAbstractButton*>(widget), &QAbstractButton::clicked, this,
                [this, id] { driver_.clicked(id); });
        break;
      case Kind::Option:
        connect(static_cast<QRadioButton*>(widget), &QRadioButton::toggled, this,
                [this, id](bool selected) {
                  if (selected) driver_.clicked(id);
                });
        break;
      case Kind::ListBox:
      case Kind::FileList:
      case Kind::FolderList:
        connect(static_cast<QListWidget*>(widget), &QListWidget::currentRowChanged, this,
                [this, id](int row) { driver_.chosen(id, row); });
        break;
      default:
        break;
    }
  }
}

void EditWindow::place(double pixelsPerTwip, double fontFactor) {
  auto px = [pixelsPerTwip](int twips) { return qRound(twips * pixelsPerTwip); };
  client_->setFixedSize(px(window::kClientWidth), px(window::kClientHeight));
  std::vector<QFont> fonts;  // by FontId, each made once
  for (int id = 0; id < static_cast<int>(FontId::None); ++id) {
    fonts.push_back(designedFont(static_cast<FontId>(id), fontFactor));
  }
  const auto designs = window::controls();
  for (std::size_t i = 0; i < widgets_.size(); ++i) {
    const ControlDesign& d = designs[i];
    if (widgets_[i] == nullptr) continue;
    int width = px(d.width);
    if (d.font != FontId::None) {
      const QFont& font = fonts[static_cast<std::size_t>(d.font)];
      widgets_[i]->setFont(font);
      if (d.kind == Kind::Label && !window::wrapsCaption(d)) {
        const QFontMetricsF metrics(font);
        const QString caption = utf8(d.caption);
        const double ink = std::max(metrics.horizontalAdvance(caption), metrics.boundingRect(caption).right());
        width = window::labelWidth(width, static_cast<int>(std::ceil(ink)) + 1);
      }
    }
    widgets_[i]->setGeometry(px(d.left), px(d.top), width, px(d.height));
  }
  // The window's own font last: it reaches only the controls without a font of their own (and
  // not the menu bar, which keeps the system's).
  setFont(fonts[static_cast<std::size_t>(window::kWindowFont)]);
}

double EditWindow::twipsPerPixelY() const {
  return static_cast<float>(1440.0 / logicalDpiY());
}

void EditWindow::scaleWindow(double factor) { place(factor / twipsPerPixelY(), factor); }

QWidget* EditWindow::control(std::string_view name) const {
  return widgets_[window::controlId(name)];
}

QAction* EditWindow::action(std::string_view name) const { return actions_[window::controlId(name)]; }

// Closing the window by its frame unloads the editor once; the answer Отмена to the question
// about an unsaved question keeps the window open.
void EditWindow::closeEvent(QCloseEvent* event) {
  if (driver_.closing()) {
    event->accept();
  } else {
    event->ignore();
  }
}

std::u16string EditWindow::text(ControlId field) const {
  const QWidget* widget = widgets_[field];
  if (const auto* line = qobject_cast<const QLineEdit*>(widget)) return line->text().toStdU16String();
  return static_cast<const TextField*>(widget)->text().toStdU16String();
}

void EditWindow::setText(ControlId control, const std::u16string& text) {
  if (actions_[control] != nullptr) return actions_[control]->setText(qt(text));
  QWidget* widget = widgets_[control];
  if (auto* line = qobject_cast<QLineEdit*>(widget)) {
    line->setText(qt(text));
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(qt(text));
  } else {
    static_cast<TextField*>(widget)->setText(qt(text));
  }
}

void EditWindow::setRows(ControlId list, const std::vector<std::u16string>& rows) {
  auto* widget = static_cast<QListWidget*>(widgets_[list]);
  widget->clear();
  for (const auto& row : rows) widget->addItem(qt(row));
}

void EditWindow::select(ControlId list, int row) {
  auto* widget = static_cast<QListWidget*>(widgets_[list]);
  if (row < 0) {
    widget->setCurrentRow(-1);
    widget->clearSelection();
  } else if (widget->currentRow() != row) {
    widget->setCurrentRow(row);
  }
}

bool EditWindow::enabled(ControlId control) const {
  return actions_[control] != nullptr ? actions_[control]->isEnabled() : widgets_[control]->isEnabled();
}

void EditWindow::setEnabled(ControlId control, bool enabled) {
  if (actions_[control] != nullptr) {
    actions_[control]->setEnabled(enabled);
  } else {
    widgets_[control]->setEnabled(enabled);
  }
}

// An option button of the group is unmarked by marking the other; alone, it keeps its mark.
void EditWindow::setChecked(ControlId option, bool checked) {
  auto* button = static_cast<QRadioButton*>(widgets_[option]);
  if (button->isChecked() == checked) return;
  button->setAutoExclusive(false);
  button->setChecked(checked);
  button->setAutoExclusive(true);
}

void EditWindow::setTextColour(ControlId field, window::Rgb colour) {
  QWidget* widget = widgets_[field];
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Text, QColor(colour.red, colour.green, colour.blue));
  widget->setPalette(palette);
}

void EditWindow::setPicture(ControlId image, const std::string& bytes) {
  static_cast<PictureBox*>(widgets_[image])->setPictureBytes(bytes);
}

void EditWindow::focus(ControlId control) { widgets_[control]->setFocus(Qt::TabFocusReason); }

void EditWindow::showError(const std::string& message) {
  if (report_) report_(this, QString::fromStdString(message));
}

std::optional<std::filesystem::path> EditWindow::chooseFile(const window::FileDialog& dialog) {
  return qt::chooseFile(this, dialog);
}

window::ImportAnswer EditWindow::importDialog(const window::ImportDialog& dialog) {
  return qt::importDialog(this, dialog);
}

std::optional<std::filesystem::path> EditWindow::chooseFolder(const window::FolderDialog& dialog) {
  return qt::chooseFolder(this, dialog);
}

std::optional<std::size_t> EditWindow::listDialog(const window::ListDialog& dialog) {
  return qt::listDialog(this, dialog);
}

void EditWindow::setItem(ControlId item, const std::u16string& caption) {
  QAction* action = actions_[item];
  action->setVisible(!caption.empty());
  if (!caption.empty() && !action->isSeparator()) action->setText(qt(caption));
}

std::optional<std::size_t> EditWindow::historyDialog(const window::HistoryDialog& dialog) {
  return qt::historyDialog(this, dialog);
}

QWidget* EditWindow::lessonWindow() const { return lesson_.data(); }

void EditWindow::showLesson(const window::LessonTable& table) {
  if (lesson_ == nullptr) {
    lesson_ = new LessonWindow(this, [this] { driver_.endLesson(); });
    lesson_->setWindowIcon(windowIcon());
  }
  lesson_->show(table);
}

void EditWindow::raiseLesson() {
  if (lesson_ == nullptr) return;
  lesson_->showNormal();
  lesson_->raise();
  lesson_->activateWindow();
}

// Hidden at once, deleted once its own event (the button that ended the lesson) is over.
void EditWindow::closeLesson() {
  if (lesson_ == nullptr) return;
  lesson_->hide();
  lesson_->deleteLater();
  lesson_ = nullptr;
}

QWidget* EditWindow::resultsWindow() const { return results_.data(); }

void EditWindow::showResults(const window::ResultsView& view) {
  if (results_ == nullptr) {
    ResultsWindow::Events events{
        [this](bool all) { driver_.resultsScope(all); },
        [this](int row) { driver_.resultsChosen(row); },
        [this](window::ResultsAction action) { driver_.resultsAction(action); },
        [this](int row) {
          driver_.resultsQuestion(row);
          // The question is shown in the editor's form: the editor comes to the front.
          if (!driver_.ended() && isVisible()) {
            raise();
            activateWindow();
          }
        },
        [this] {
          driver_.resultsClosed();
          if (results_ != nullptr) results_->deleteLater();
          results_ = nullptr;
        }};
    results_ = new ResultsWindow(this, std::move(events));
    results_->setWindowIcon(windowIcon());
  }
  results_->show(view);
}

void EditWindow::raiseResults() {
  if (results_ == nullptr) return;
  results_->showNormal();
  results_->raise();
  results_->activateWindow();
}

// On the lesson's thread: one call queued to the window's own thread.
void EditWindow::postLessonNews() {
  QMetaObject::invokeMethod(this, [this] { driver_.lessonNews(); }, Qt::QueuedConnection);
}

std::optional<pictures::Image> EditWindow::clipboardImage() { return qt::clipboardImage(); }

void EditWindow::quit(int status) {
  hide();
  // Only a running event loop is ended. Asked to exit with none running (the editor ended
  // before the program's loop started, or a window driven without it), the toolkit would keep
  // its thread's "quit now" mark set, and every modal dialog opened after that would return at
  // once, unanswered. The program reads ended() and exitCode() when it has no loop to end.
  if (QThread::currentThread()->loopLevel() > 0) QCoreApplication::exit(status);
}

}  // namespace qt
