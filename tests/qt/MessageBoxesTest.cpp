// The editor's message boxes and dialogs in Qt: their buttons, and every word they show in
// Russian.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QHeaderView>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>
#include <functional>
#include <map>

#include "Rig.h"
#include "support/Pupil.h"
#include "lifecycle/RecentTests.h"
#include "shell/Disk.h"
#include "window/About.h"
#include "qt/Language.h"
#include "qt/MessageBoxes.h"

namespace qttest {
namespace {

// The Latin words of a text as a teacher reads it, but for the names of files and addresses (a
// token with a dot or a slash inside it), the names a test's folders and files have, and the
// formats' and the program's own names. Keys are named as the keyboard has them ("Enter", and
// a menu item's "Ctrl+Z" after a tab).
QStringList latinWords(QString text) {
  static const QRegularExpression latin(QStringLiteral("[A-Za-z]+"));
  const QStringList names = {"pics", "HTML", "PNG", "JavaScript", "VARNOLIX", "Enter", "Excel", "CSV", QDir::home().dirName()};
  QStringList words;
  for (const QString& line : text.remove(u'&').split(u'\n')) {
    for (QString token : line.section(u'\t', 0, 0).split(u' ', Qt::SkipEmptyParts)) {
      while (!token.isEmpty() && QStringLiteral(".,:;!?)»\"…").contains(token.back())) token.chop(1);
      if (token.contains(u'.') || token.contains(u'/')) continue;
      for (const auto& word : latin.globalMatch(token)) {
        if (!names.contains(word.captured())) words << word.captured();
      }
    }
  }
  return words;
}

// The rows of a list or a table as shown: every column not hidden; a file's name left out.
QStringList cells(const QAbstractItemView* view) {
  QStringList texts;
  const QAbstractItemModel* model = view->model();
  const auto* tree = qobject_cast<const QTreeView*>(view);
  const auto* list = qobject_cast<const QListView*>(view);
  for (int row = 0; row < model->rowCount(view->rootIndex()); ++row) {
    for (int column = 0; column < model->columnCount(view->rootIndex()); ++column) {
      if ((tree != nullptr && tree->isColumnHidden(column)) || (list != nullptr && column != list->modelColumn())) continue;
      const QModelIndex cell = model->index(row, column, view->rootIndex());
      const QString path = cell.data(QFileSystemModel::FilePathRole).toString();
      if (column != 0 || path.isEmpty() || cell.data().toString() != QFileInfo(path).fileName()) texts << cell.data().toString();
    }
  }
  return texts;
}

// Every text a teacher can read on a window or a menu: its title, the visible labels, buttons
// and their tips, frames, fields and their placeholders, lists' items, headers and rows, and
// the items of its menus.
QStringList shownTexts(QWidget* top) {
  QStringList texts{top->windowTitle()};
  QList<QWidget*> widgets = top->findChildren<QWidget*>();
  widgets.prepend(top);
  for (QWidget* w : widgets) {
    if (auto* menu = qobject_cast<QMenu*>(w)) {
      for (const QAction* action : menu->actions()) texts << action->text();
    }
    if (!w->isVisible()) continue;
    texts << w->toolTip();
    if (auto* label = qobject_cast<QLabel*>(w)) {
      texts << label->text();
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
      texts << button->text();
    } else if (auto* frame = qobject_cast<QGroupBox*>(w)) {
      texts << frame->title();
    } else if (auto* line = qobject_cast<QLineEdit*>(w)) {
      texts << line->placeholderText() << line->text();
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) {
      texts << plain->toPlainText();
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
      for (int i = 0; i < combo->count(); ++i) texts << combo->itemText(i);
    } else if (auto* header = qobject_cast<QHeaderView*>(w)) {
      for (int section = 0; section < header->count(); ++section) {
        if (!header->isSectionHidden(section)) texts << header->model()->headerData(section, header->orientation()).toString();
      }
    } else if (auto* view = qobject_cast<QAbstractItemView*>(w)) {
      texts << cells(view);
    } else if (auto* bar = qobject_cast<QMenuBar*>(w)) {
      for (const QAction* action : bar->actions()) texts << action->text();
    }
  }
  return texts;
}

QStringList latinWordsShown(QWidget* top) { return latinWords(shownTexts(top).join(u'\n')); }

// Runs `show`, which opens a modal box, and answers the box with `press` once it is up,
// recording what it looked like.
struct SeenBox {
  QString title, text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  bool seen = false;
  QStringList labels, latin;
};
SeenBox answer(QMessageBox::StandardButton press, const std::function<void()>& show) {
  SeenBox seen;
  const ModalWait wait = whenModal([](QWidget* w) { return qobject_cast<QMessageBox*>(w) != nullptr; },
                                  [&](QWidget* w) {
                                    auto* box = static_cast<QMessageBox*>(w);
                                    seen = {box->windowTitle(), box->text(), box->icon(), box->standardButtons(),
                                            true, {}, latinWordsShown(box)};
                                    for (const auto* button : box->buttons()) seen.labels << button->text();
                                    box->button(press)->click();
                                  }, "a message box");
  show();
  return seen;
}

TEST(MessageBoxes, PlainBoxesWithTheirButtons) {
  qt::MessageBoxes boxes;
  const SeenBox about = answer(QMessageBox::Ok, [&] { boxes.inform(window::aboutText(), window::aboutTitle()); });
  ASSERT_TRUE(about.seen);
  EXPECT_EQ(about.title.toStdString(), window::aboutTitle());
  EXPECT_EQ(about.icon, QMessageBox::NoIcon);
  EXPECT_EQ(about.buttons, QMessageBox::Ok);
  // Each carriage return breaks the line on screen.
  EXPECT_EQ(about.text.count('\n'), 10);
  EXPECT_EQ(about.text.count('\r'), 0);

  bool ok = false;
  const SeenBox yes = answer(QMessageBox::Ok, [&] { ok = boxes.confirm("Удалить?", "VARNOLIX"); });
  ASSERT_TRUE(yes.seen);
  EXPECT_TRUE(ok);
  EXPECT_EQ(yes.buttons, QMessageBox::Ok | QMessageBox::Cancel);
  QStringList labels = yes.labels;
  labels.sort();
  EXPECT_EQ(labels, (QStringList{"ОК", "Отмена"}));
  EXPECT_EQ(yes.icon, QMessageBox::NoIcon);
  const SeenBox no = answer(QMessageBox::Cancel, [&] { ok = boxes.confirm("Удалить?", "VARNOLIX"); });
  ASSERT_TRUE(no.seen);
  EXPECT_FALSE(ok);

  auto chosen = lifecycle::Dialogs::Answer::Yes;
  SeenBox three = answer(QMessageBox::No, [&] { chosen = boxes.ask("Сохранить?", "Редактор теста"); });
  EXPECT_EQ(chosen, lifecycle::Dialogs::Answer::No);
  three.labels.sort();
  EXPECT_EQ(three.labels, (QStringList{"Да", "Нет", "Отмена"}));

  const SeenBox error = answer(QMessageBox::Ok, [&] {
    qt::showError(nullptr, QString::fromUtf8("1.js: файл не найден"));
  });
  ASSERT_TRUE(error.seen);
  EXPECT_EQ(error.title, "Редактор теста");
  EXPECT_EQ(error.icon, QMessageBox::Critical);
  EXPECT_EQ(error.buttons, QMessageBox::Ok);
  EXPECT_EQ(error.text, "1.js: файл не найден");
  for (const SeenBox* box : {&about, &yes, static_cast<const SeenBox*>(&three), &error}) {
    EXPECT_TRUE(box->latin.isEmpty()) << box->title.toStdString() << ": " << box->latin.join(", ").toStdString();
  }
}

// Every dialog the window opens, and a text field's menu, walked through its widgets: no word of
// the toolkit's own is left in English. The file dialogs show their folders in detail, each
// column headed in Russian, their sizes, types and times too.
TEST(Dialogs, EveryWordShownIsRussian) {
  Started s({}, [](const fs::path& root) {
    auto lines = support::crlfLines(root / "1" / "2.html");
    lines[9] = lines[11];  // answers 2 and 3 alike: the check has a list to show
    support::writeBytes(root / "1" / "2.html", support::crlfJoin(lines));
    // Every picture's name taken: a new picture is offered the places of those no question shows.
    for (const char* name : {"4.gif", "5.gif", "6.gif", "7.gif", "8.gif", "9.gif"})
      fs::copy_file(root / "pics" / "1.gif", root / "pics" / name);
  });
  Rig& r = *s.rig;
  support::TempDir settings, documents;
  support::writeBytes(documents.path() / "Прошлый тест.html", "<p>1</p>");
  QImage screenshot(40, 30, QImage::Format_RGB32);
  screenshot.fill(Qt::white);
  const fs::path image = documents.path() / "снимок.png";
  ASSERT_TRUE(screenshot.save(QString::fromStdString(image.string()), "PNG"));
  shell::RealDisk disk;
  lifecycle::RecentTests recent(disk, settings.path() / "recent-tests.txt");
  r.window.setProgram({[&](const fs::path& folder) {
                         return std::make_unique<lifecycle::Editor>(
                             lifecycle::Editor::Seams{r.disk, r.dialogs, r.clock, r.random, &r.window}, folder);
                       },
                       &recent, documents.path(), {&r.disk, [&] { return settings.path() / "results.sqlite"; }, {}}});
  std::map<std::string, QStringList> latin;  // by what was shown
  latin["the window"] = latinWordsShown(&r.window);

  // Each dialog walked once it is up (a file dialog once its folder is listed), then closed.
  const auto walk = [&](const std::string& what, const std::string& item) {
    const ModalWait wait = whenModal([](QWidget*) { return true; }, [&](QWidget* dialog) {
      if (auto* files = qobject_cast<QFileDialog*>(dialog)) {
        auto* list = files->findChild<QTreeView*>("treeView");
        ASSERT_TRUE(QTest::qWaitFor([&] { return list->model()->rowCount(list->rootIndex()) > 0; }, 10000)) << what;
        QStringList headers;
        for (int c = 0; c < 4; ++c) headers << list->model()->headerData(c, Qt::Horizontal).toString();
        EXPECT_EQ(headers.join(", ").toStdString(), "Имя, Размер, Тип, Дата изменения") << what;
      }
      latin[what] = latinWordsShown(dialog);
      static_cast<QDialog*>(dialog)->reject();
    }, what);
    r.window.action(item)->trigger();
  };
  walk("the import's file dialog", "mnuFileImport");
  walk("the export's file dialog", "mnuFileExport");
  walk("the print's file dialog", "mnuTestPrint");
  walk("the folder dialog", "mnuFileOpen");
  walk("the check's list", "mnuTestCheck");
  {
    support::TempDir out;
    const fs::path text = out.path() / "вопросы.txt";
    support::writeBytes(text, support::questionsText(3));
    const ModalWait file = answerFile(text);
    walk("the import's preview", "mnuFileImport");
  }
  choose(r, 2, 1);
  walk("the picture's file dialog", "mnuEditAddPicture");
  {
    const ModalWait file = answerFile(image);
    walk("the pictures no question shows", "mnuEditAddPicture");
  }
  typeInto(r.window.control("Text1(1)"), QString::fromUtf8(" ещё"));
  click(r.button("cmdSave"));
  walk("the history", "mnuEditHistory");

  // A text field's menu, as the menu key opens it, on a one-line field and on a multi-line one.
  for (const char* name : {"txtAddr", "Text1(0)"}) {
    QWidget* field = r.window.control(name);
    QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(4, 4), field->mapToGlobal(QPoint(4, 4)));
    QApplication::sendEvent(field, &event);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr) << name;
    EXPECT_GE(menu->actions().size(), 7) << name;
    latin[std::string("the menu of ") + name] = latinWordsShown(menu);
    menu->close();
  }
  // The lesson's window with a row of a pupil who claims more than he answered right.
  r.window.action("mnuTestLesson")->trigger();
  ASSERT_NE(r.window.lessonWindow(), nullptr);
  ASSERT_EQ(support::postResult(r.window.lesson()->port(),
                                support::resultForm(r.window.lesson()->snapshot(), "Иванов", "9А", 5, 60)),
            200);
  auto* rows = r.window.lessonWindow()->findChild<QTreeView*>("rows");
  ASSERT_TRUE(QTest::qWaitFor([&] { return rows->model()->rowCount() == 1; }, 5000));
  latin["the lesson's window"] = latinWordsShown(r.window.lessonWindow());
  // The results window on that lesson, its table and statistics filled.
  r.window.action("mnuTestResults")->trigger();
  ASSERT_NE(r.window.resultsWindow(), nullptr);
  EXPECT_EQ(r.window.resultsWindow()->findChild<QTreeWidget*>("rows")->topLevelItemCount(), 1);
  latin["the results window"] = latinWordsShown(r.window.resultsWindow());
  ASSERT_TRUE(r.errors.empty());
  EXPECT_EQ(latin.size(), 14u);
  // The sizes in the file list, as a Russian reader counts them.
  QStringList sizes;
  for (const qint64 bytes : {1LL, 8LL, 12LL, 22LL, 1023LL, 1751LL, 23122LL, 3565158LL}) sizes << qt::russianSize(bytes);
  EXPECT_EQ(sizes.join(", ").toStdString(), "1 байт, 8 байт, 12 байт, 22 байта, 1023 байта, 1,7 КБ, 23 КБ, 3,4 МБ");
  for (const auto& [what, words] : latin) EXPECT_TRUE(words.isEmpty()) << what << ": " << words.join(", ").toStdString();
}

}  // namespace
}  // namespace qttest
