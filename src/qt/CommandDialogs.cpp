#include "qt/CommandDialogs.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QHeaderView>
#include <QSplitter>
#include <QStringList>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "qt/Language.h"
#include "shell/Layout.h"

namespace qt {

namespace {

QString utf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QString local(const std::filesystem::path& path) { return QFile::decodeName(QByteArray::fromStdString(path.string())); }

std::filesystem::path local(const QString& path) { return std::filesystem::path(QFile::encodeName(path).toStdString()); }

}  // namespace

namespace {

// The file list's sizes and times as a Russian reader writes them, whatever the system's locale
// (the toolkit writes them in the system's: "1.71 KiB", "9 Dec 2024 14:07:31").
class RussianFileList final : public QIdentityProxyModel {
 public:
  using QIdentityProxyModel::QIdentityProxyModel;
  QVariant data(const QModelIndex& index, int role) const override {
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (role == Qt::DisplayRole && files != nullptr) {
      const QModelIndex file = mapToSource(index);
      if (index.column() == kSize && !files->isDir(file)) return russianSize(files->size(file));
      if (index.column() == kModified) return QLocale().toString(files->lastModified(file), QLocale::ShortFormat);
    }
    return QIdentityProxyModel::data(index, role);
  }

 private:
  static constexpr int kSize = 1, kModified = 3;  // the file model's columns
};

// The toolkit's own dialog, never the desktop's (the Linux download carries no desktop's), so
// that it speaks Russian with the window; its labels as the editor words them. Wide enough for
// the folder's list to show every size, type and time whole, and the places beside it.
void russianLabels(QFileDialog& files, bool file) {
  files.setOption(QFileDialog::DontUseNativeDialog, true);
  files.setProxyModel(new RussianFileList(&files));
  files.resize(820, 480);
  if (auto* list = files.findChild<QTreeView*>(QStringLiteral("treeView"))) {
    for (int column = 1; column < 4; ++column) list->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
  }
  if (auto* places = files.findChild<QSplitter*>(QStringLiteral("splitter"))) places->setSizes({140, 680});
  files.setLabelText(QFileDialog::LookIn, QStringLiteral("Папка:"));
  files.setLabelText(QFileDialog::FileName, file ? QStringLiteral("Имя файла:") : QStringLiteral("Папка:"));
  files.setLabelText(QFileDialog::FileType, QStringLiteral("Тип файлов:"));
  files.setLabelText(QFileDialog::Reject, QStringLiteral("Отмена"));
}

}  // namespace

std::optional<std::filesystem::path> chooseFolder(QWidget* parent, const window::FolderDialog& dialog) {
  QFileDialog folders(parent, utf8(dialog.title), local(dialog.folder));
  russianLabels(folders, false);
  folders.setLabelText(QFileDialog::Accept, QStringLiteral("Открыть"));
  folders.setFileMode(QFileDialog::Directory);
  folders.setOption(QFileDialog::ShowDirsOnly, true);
  if (folders.exec() != QDialog::Accepted || folders.selectedFiles().isEmpty()) return std::nullopt;
  return local(folders.selectedFiles().front());
}

std::optional<std::size_t> listDialog(QWidget* parent, const window::ListDialog& dialog) {
  QDialog box(parent);
  box.setWindowTitle(utf8(dialog.title));
  auto* heading = new QLabel(utf8(dialog.heading));
  heading->setObjectName(QStringLiteral("heading"));
  heading->setTextFormat(Qt::PlainText);
  heading->setWordWrap(true);
  auto* rows = new QTreeWidget;
  rows->setObjectName(QStringLiteral("rows"));
  rows->setRootIsDecorated(false);
  rows->setUniformRowHeights(true);
  rows->setWordWrap(true);
  QStringList columns;
  for (const auto& column : dialog.columns) columns << utf8(column);
  rows->setHeaderLabels(columns);
  for (const auto& row : dialog.rows) {
    QStringList cells;
    for (const auto& cell : row) cells << utf8(cell);
    rows->addTopLevelItem(new QTreeWidgetItem(cells));
  }
  for (int c = 0; c + 1 < rows->columnCount(); ++c) rows->resizeColumnToContents(c);
  rows->header()->setStretchLastSection(true);
  rows->setMinimumSize(720, 320);
  if (rows->topLevelItemCount() > 0) rows->setCurrentItem(rows->topLevelItem(0));

  auto* buttons = new QDialogButtonBox;
  QPushButton* choose = buttons->addButton(utf8(dialog.choose), QDialogButtonBox::AcceptRole);
  QPushButton* close = buttons->addButton(utf8(window::dialog::kClose), QDialogButtonBox::RejectRole);
  choose->setObjectName(QStringLiteral("choose"));
  close->setObjectName(QStringLiteral("close"));
  choose->setDefault(true);

  auto* layout = new QVBoxLayout(&box);
  layout->addWidget(heading);
  layout->addWidget(rows, 1);
  layout->addWidget(buttons);

  std::optional<std::size_t> chosen;
  const auto take = [&] {
    const int row = rows->indexOfTopLevelItem(rows->currentItem());
    if (row < 0) return;
    chosen = static_cast<std::size_t>(row);
    box.accept();
  };
  QObject::connect(rows, &QTreeWidget::itemActivated, &box, take);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &box, take);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
  rows->setFocus();
  box.exec();
  return chosen;
}

std::optional<std::filesystem::path> chooseFile(QWidget* parent, const window::FileDialog& dialog) {
  QStringList filters;
  for (const auto& [name, pattern] : dialog.filters) filters << utf8(name) + " (" + utf8(pattern) + ")";
  QFileDialog files(parent, utf8(dialog.title), local(dialog.folder));
  files.setNameFilters(filters);
  russianLabels(files, true);
  files.setLabelText(QFileDialog::Accept, dialog.save ? QStringLiteral("Сохранить") : QStringLiteral("Открыть"));
  if (dialog.save) {
    files.setAcceptMode(QFileDialog::AcceptSave);
    files.setFileMode(QFileDialog::AnyFile);
    files.setDefaultSuffix(utf8(dialog.extension));
    files.selectFile(utf8(dialog.name));
  } else {
    files.setAcceptMode(QFileDialog::AcceptOpen);
    files.setFileMode(QFileDialog::ExistingFile);
  }
  if (files.exec() != QDialog::Accepted || files.selectedFiles().isEmpty()) return std::nullopt;
  return local(files.selectedFiles().front());
}

window::ImportAnswer importDialog(QWidget* parent, const window::ImportDialog& dialog) {
  namespace text = window::dialog;
  QDialog box(parent);
  box.setWindowTitle(utf8(text::kImportTitle));
  auto* file = new QLabel(utf8(text::kFile) + " " + utf8(dialog.file));
  file->setObjectName(QStringLiteral("file"));
  file->setTextFormat(Qt::PlainText);
  file->setWordWrap(true);

  auto* stage = new QComboBox;
  stage->setObjectName(QStringLiteral("stage"));
  for (int s = 1; s <= dialog.stages; ++s) stage->addItem(QString::number(s));
  auto* question = new QComboBox;
  question->setObjectName(QStringLiteral("question"));
  for (int q = 1; q <= shell::kQuestionsPerStage; ++q) question->addItem(QString::number(q));
  stage->setCurrentIndex(dialog.start.stage - 1);
  question->setCurrentIndex(dialog.start.question - 1);
  auto* stageLabel = new QLabel(utf8(text::kStartStage));
  stageLabel->setBuddy(stage);
  auto* questionLabel = new QLabel(utf8(text::kStartQuestion));
  questionLabel->setBuddy(question);
  auto* start = new QHBoxLayout;
  start->addWidget(stageLabel);
  start->addWidget(stage);
  start->addWidget(questionLabel);
  start->addWidget(question);
  start->addStretch();

  auto* summary = new QPlainTextEdit;
  summary->setObjectName(QStringLiteral("summary"));
  summary->setReadOnly(true);
  summary->setMinimumSize(560, 260);

  auto* buttons = new QDialogButtonBox;
  QPushButton* import = buttons->addButton(utf8(text::kImport), QDialogButtonBox::AcceptRole);
  QPushButton* again = buttons->addButton(utf8(text::kReadAgain), QDialogButtonBox::ActionRole);
  QPushButton* cancel = buttons->addButton(utf8(text::kCancel), QDialogButtonBox::RejectRole);
  import->setObjectName(QStringLiteral("import"));
  again->setObjectName(QStringLiteral("readAgain"));
  cancel->setObjectName(QStringLiteral("cancel"));

  auto* layout = new QVBoxLayout(&box);
  layout->addWidget(file);
  layout->addLayout(start);
  layout->addWidget(summary, 1);
  layout->addWidget(buttons);

  window::ImportAnswer answer;
  const auto chosen = [&] { return workbench::Position{stage->currentIndex() + 1, question->currentIndex() + 1}; };
  const auto show = [&] {
    const window::ImportPreview preview = dialog.preview(chosen());
    summary->setPlainText(utf8(preview.summary));
    import->setEnabled(preview.importable);
    import->setDefault(preview.importable);
    again->setDefault(!preview.importable);
  };
  QObject::connect(stage, &QComboBox::currentIndexChanged, &box, show);
  QObject::connect(question, &QComboBox::currentIndexChanged, &box, show);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &box, [&] {
    answer.choice = window::ImportAnswer::Import;
    box.accept();
  });
  QObject::connect(again, &QPushButton::clicked, &box, [&] {
    answer.choice = window::ImportAnswer::ReadAgain;
    box.accept();
  });
  QObject::connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
  show();
  stage->setFocus();
  box.exec();
  answer.start = chosen();
  return answer;
}

std::optional<std::size_t> historyDialog(QWidget* parent, const window::HistoryDialog& dialog) {
  namespace text = window::dialog;
  QDialog box(parent);
  box.setWindowTitle(utf8(text::kHistoryTitle));
  auto* points = new QTreeWidget;
  points->setObjectName(QStringLiteral("points"));
  points->setRootIsDecorated(false);
  points->setColumnCount(3);
  points->setHeaderLabels({utf8(text::kHistoryTime), utf8(text::kHistoryWhat), QString()});
  points->setMinimumSize(600, 320);
  int current = 0;
  for (std::size_t i = 0; i < dialog.rows.size(); ++i) {
    const window::HistoryRow& row = dialog.rows[i];
    const std::string_view state = row.current ? text::kHistoryNow : row.undone ? text::kHistoryUndone : "";
    auto* item = new QTreeWidgetItem(points, {utf8(row.time), utf8(row.what), utf8(state)});
    if (row.undone) item->setForeground(1, box.palette().color(QPalette::Disabled, QPalette::Text));
    if (row.current) current = static_cast<int>(i);
  }
  points->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  points->header()->setSectionResizeMode(1, QHeaderView::Stretch);
  points->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
  points->header()->setStretchLastSection(false);

  auto* buttons = new QDialogButtonBox;
  QPushButton* back = buttons->addButton(utf8(text::kHistoryReturn), QDialogButtonBox::AcceptRole);
  QPushButton* close = buttons->addButton(utf8(text::kClose), QDialogButtonBox::RejectRole);
  back->setObjectName(QStringLiteral("return"));
  close->setObjectName(QStringLiteral("close"));
  auto* layout = new QVBoxLayout(&box);
  layout->addWidget(points, 1);
  layout->addWidget(buttons);

  const auto row = [&] { return points->indexOfTopLevelItem(points->currentItem()); };
  const auto offer = [&] {
    const int at = row();
    back->setEnabled(at >= 0 && !dialog.rows[static_cast<std::size_t>(at)].current);
  };
  QObject::connect(points, &QTreeWidget::currentItemChanged, &box, offer);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &box, [&] {
    if (back->isEnabled()) box.accept();
  });
  QObject::connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
  points->setCurrentItem(points->topLevelItem(current));
  offer();
  points->setFocus();
  if (box.exec() != QDialog::Accepted || row() < 0) return std::nullopt;
  return static_cast<std::size_t>(row());
}

}  // namespace qt
