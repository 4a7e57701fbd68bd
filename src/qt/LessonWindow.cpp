#include "qt/LessonWindow.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace qt {

namespace {

constexpr int kWidestColumn = 360;

QString utf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QLabel* plainLabel(const char* name) {
  auto* label = new QLabel;
  label->setObjectName(QString::fromLatin1(name));
  label->setTextFormat(Qt::PlainText);  // a pupil's name is text, never markup
  label->setWordWrap(true);
  return label;
}

}  // namespace

LessonWindow::LessonWindow(QWidget* editor, std::function<void()> end)
    : QWidget(editor, Qt::Window), end_(std::move(end)) {
  setObjectName(QStringLiteral("lesson"));
  heading_ = plainLabel("heading");
  // Large enough to read from the back of the class off a projector, and to copy.
  addresses_ = plainLabel("addresses");
  QFont big = addresses_->font();
  big.setPointSizeF(22);
  big.setBold(true);
  addresses_->setFont(big);
  addresses_->setWordWrap(false);
  addresses_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  finished_ = plainLabel("finished");
  QFont bold = finished_->font();
  bold.setBold(true);
  finished_->setFont(bold);
  problem_ = plainLabel("problem");
  QPalette red = problem_->palette();
  red.setColor(QPalette::WindowText, QColor(176, 0, 0));
  problem_->setPalette(red);
  problem_->hide();

  rows_ = new QTreeWidget;
  rows_->setObjectName(QStringLiteral("rows"));
  rows_->setRootIsDecorated(false);
  rows_->setUniformRowHeights(true);
  rows_->setSelectionMode(QAbstractItemView::SingleSelection);
  rows_->header()->setStretchLastSection(false);

  button_ = new QPushButton(utf8(window::dialog::kLessonEnd));
  button_->setObjectName(QStringLiteral("end"));
  connect(button_, &QPushButton::clicked, this, [this] { end_(); });
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(button_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(heading_);
  layout->addWidget(addresses_);
  layout->addWidget(finished_);
  layout->addWidget(problem_);
  layout->addWidget(rows_, 1);
  layout->addLayout(buttons);
  resize(900, 560);
}

void LessonWindow::show(const window::LessonTable& table) {
  setWindowTitle(utf8(table.title));
  heading_->setText(utf8(table.heading));
  QStringList addresses;
  for (const auto& address : table.addresses) addresses << utf8(address);
  addresses_->setText(addresses.join(QLatin1Char('\n')));
  finished_->setText(utf8(table.finished));
  problem_->setText(utf8(table.problem));
  problem_->setVisible(!table.problem.empty());

  QStringList columns;
  for (const auto& column : table.columns) columns << utf8(column);
  rows_->setHeaderLabels(columns);
  const int scrolled = rows_->verticalScrollBar()->value();
  rows_->clear();
  const QColor marked(window::kMarkedRowRgb[0], window::kMarkedRowRgb[1], window::kMarkedRowRgb[2]);
  for (const auto& row : table.rows) {
    QStringList cells;
    for (const auto& cell : row.cells) cells << utf8(cell);
    auto* item = new QTreeWidgetItem(rows_, cells);
    for (int c = 0; c < item->columnCount(); ++c) {
      item->setToolTip(c, cells[c]);  // a long cell whole
      if (row.marked) item->setBackground(c, marked);
    }
  }
  // Every column as wide as its texts, but none so wide that the next ones go out of sight.
  for (int c = 0; c < rows_->columnCount(); ++c) {
    rows_->resizeColumnToContents(c);
    rows_->setColumnWidth(c, std::min(rows_->columnWidth(c), kWidestColumn));
  }
  rows_->verticalScrollBar()->setValue(scrolled);
  if (!isVisible()) QWidget::show();
}

// The lesson goes on until the teacher has said so; the window goes when it ends.
void LessonWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  end_();
}

}  // namespace qt
