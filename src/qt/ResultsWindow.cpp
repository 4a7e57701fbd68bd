#include "qt/ResultsWindow.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace qt {

namespace {

constexpr int kWidestColumn = 360;

QString utf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QLabel* plainLabel(const char* name, std::string_view text = {}) {
  auto* label = new QLabel(utf8(text));
  label->setObjectName(QString::fromLatin1(name));
  label->setTextFormat(Qt::PlainText);  // what a pupil typed is text, never markup
  label->setWordWrap(true);
  return label;
}

QTreeWidget* table(const char* name) {
  auto* tree = new QTreeWidget;
  tree->setObjectName(QString::fromLatin1(name));
  tree->setRootIsDecorated(false);
  tree->setUniformRowHeights(true);
  tree->setSelectionMode(QAbstractItemView::SingleSelection);
  tree->header()->setStretchLastSection(false);
  return tree;
}

QPushButton* button(const char* name, std::string_view caption) {
  auto* b = new QPushButton(utf8(caption));
  b->setObjectName(QString::fromLatin1(name));
  return b;
}

void fill(QTreeWidget* tree, const std::vector<std::string>& columns, const std::vector<std::vector<std::string>>& rows,
          const std::vector<bool>& marked = {}) {
  QStringList captions;
  for (const auto& column : columns) captions << utf8(column);
  tree->clear();
  tree->setColumnCount(static_cast<int>(columns.size()));
  tree->setHeaderLabels(captions);
  const QColor mark(window::kMarkedRowRgb[0], window::kMarkedRowRgb[1], window::kMarkedRowRgb[2]);
  for (std::size_t r = 0; r < rows.size(); ++r) {
    QStringList cells;
    for (const auto& cell : rows[r]) cells << utf8(cell);
    auto* item = new QTreeWidgetItem(tree, cells);
    for (int c = 0; c < item->columnCount(); ++c) {
      item->setToolTip(c, cells[c]);  // a long cell whole
      if (r < marked.size() && marked[r]) item->setBackground(c, mark);
    }
  }
  // Every column as wide as its texts, but none so wide that the next ones go out of sight.
  for (int c = 0; c < tree->columnCount(); ++c) {
    tree->resizeColumnToContents(c);
    tree->setColumnWidth(c, std::min(tree->columnWidth(c), kWidestColumn));
  }
}

}  // namespace

ResultsWindow::ResultsWindow(QWidget* editor, Events events) : QWidget(editor, Qt::Window), events_(std::move(events)) {
  setObjectName(QStringLiteral("results"));
  thisTest_ = new QRadioButton(utf8(window::dialog::kResultsThisTest));
  thisTest_->setObjectName(QStringLiteral("thisTest"));
  allTests_ = new QRadioButton(utf8(window::dialog::kResultsAllTests));
  allTests_->setObjectName(QStringLiteral("allTests"));
  thisTest_->setChecked(true);
  connect(thisTest_, &QRadioButton::clicked, this, [this] {
    if (!drawing_) events_.scope(false);
  });
  connect(allTests_, &QRadioButton::clicked, this, [this] {
    if (!drawing_) events_.scope(true);
  });
  auto* scope = new QHBoxLayout;
  scope->addWidget(thisTest_);
  scope->addWidget(allTests_);
  scope->addStretch();

  lessons_ = table("lessons");
  connect(lessons_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (!drawing_ && item != nullptr) events_.chosen(lessons_->indexOfTopLevelItem(item));
  });
  rows_ = table("rows");
  statistics_ = table("statistics");
  // A double-click or Enter on a question shows it in the editor, as the check's list does.
  connect(statistics_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
    if (!drawing_ && item != nullptr) events_.question(statistics_->indexOfTopLevelItem(item));
  });
  statistics_->installEventFilter(this);
  notes_ = plainLabel("notes");
  problem_ = plainLabel("problem");
  QPalette red = problem_->palette();
  red.setColor(QPalette::WindowText, QColor(176, 0, 0));
  problem_->setPalette(red);
  problem_->hide();

  saveXlsx_ = button("saveXlsx", window::dialog::kResultsSaveXlsx);
  saveCsv_ = button("saveCsv", window::dialog::kResultsSaveCsv);
  print_ = button("print", window::dialog::kResultsPrint);
  delete_ = button("delete", window::dialog::kResultsDelete);
  const std::pair<QPushButton*, window::ResultsAction> actions[] = {{saveXlsx_, window::ResultsAction::SaveXlsx},
                                                                    {saveCsv_, window::ResultsAction::SaveCsv},
                                                                    {print_, window::ResultsAction::Print},
                                                                    {delete_, window::ResultsAction::Delete}};
  auto* buttons = new QHBoxLayout;
  for (const auto& [b, action] : actions) {
    connect(b, &QPushButton::clicked, this, [this, a = action] { events_.action(a); });
    buttons->addWidget(b);
  }
  buttons->addStretch();

  auto* top = new QWidget;
  auto* topLayout = new QVBoxLayout(top);
  topLayout->setContentsMargins(0, 0, 0, 0);
  topLayout->addWidget(plainLabel("lessonsHeading", window::dialog::kResultsLessons));
  topLayout->addWidget(lessons_);
  auto* middle = new QWidget;
  auto* middleLayout = new QVBoxLayout(middle);
  middleLayout->setContentsMargins(0, 0, 0, 0);
  middleLayout->addWidget(plainLabel("rowsHeading", window::dialog::kResultsTable));
  middleLayout->addWidget(rows_);
  auto* bottom = new QWidget;
  auto* bottomLayout = new QVBoxLayout(bottom);
  bottomLayout->setContentsMargins(0, 0, 0, 0);
  bottomLayout->addWidget(plainLabel("statisticsHeading", window::dialog::kResultsStatistics));
  bottomLayout->addWidget(notes_);
  bottomLayout->addWidget(statistics_);
  auto* parts = new QSplitter(Qt::Vertical);
  parts->addWidget(top);
  parts->addWidget(middle);
  parts->addWidget(bottom);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(scope);
  layout->addWidget(problem_);
  layout->addWidget(parts, 1);
  layout->addLayout(buttons);
  resize(960, 720);
}

void ResultsWindow::show(const window::ResultsView& view) {
  drawing_ = true;
  setWindowTitle(utf8(view.title));
  thisTest_->setChecked(!view.allTests);
  allTests_->setChecked(view.allTests);
  fill(lessons_, view.lessonColumns, view.lessons);
  if (view.chosen >= 0 && view.chosen < lessons_->topLevelItemCount()) {
    lessons_->setCurrentItem(lessons_->topLevelItem(view.chosen));
  }
  std::vector<std::vector<std::string>> rows;
  std::vector<bool> marked;
  for (const auto& row : view.rows) {
    rows.push_back(row.cells);
    marked.push_back(row.marked);
  }
  fill(rows_, view.columns, rows, marked);
  QStringList notes;
  for (const auto& note : view.notes) notes << utf8(note);
  notes_->setText(notes.join(QLatin1Char('\n')));
  notes_->setVisible(!view.notes.empty());
  fill(statistics_, view.statisticsColumns, view.statistics);
  problem_->setText(utf8(view.problem));
  problem_->setVisible(!view.problem.empty());
  saveXlsx_->setEnabled(view.exportable);
  saveCsv_->setEnabled(view.exportable);
  print_->setEnabled(view.exportable);
  delete_->setEnabled(view.deletable);
  drawing_ = false;
  if (!isVisible()) QWidget::show();
}

// Enter on a question of the statistics shows it, whatever the style makes of Enter.
bool ResultsWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == statistics_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && statistics_->currentItem() != nullptr) {
      events_.question(statistics_->indexOfTopLevelItem(statistics_->currentItem()));
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

// The window goes; the driver forgets what it read for it.
void ResultsWindow::closeEvent(QCloseEvent* event) {
  event->accept();
  events_.closed();
}

}  // namespace qt
