// Events of the window reach the editor's handlers; errors end the editor at once; closing
// unloads once.

#include <gtest/gtest.h>

#include <cstdlib>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QDialog>
#include <QBuffer>
#include <QKeyEvent>
#include <QProcess>
#include <QImage>
#include <QRadioButton>

#include <QTreeWidget>
#include <QClipboard>
#include <QGuiApplication>

#include "Rig.h"
#include "lesson/Rows.h"
#include "lesson/SqliteStore.h"
#include "support/Pupil.h"
#include "lifecycle/RecentTests.h"
#include "lifecycle/ShellRoot.h"
#include "shell/Layout.h"
#include "shell/ShellError.h"
#include "window/About.h"
#include "window/Fields.h"
#include "qt/Widgets.h"

namespace qttest {
namespace {

std::vector<std::string> lines(const fs::path& file) { return support::crlfLines(file); }


TEST(Events, ChoosingAndSavingAQuestion) {
  Started s;
  Rig& r = *s.rig;
  choose(r, 2, 1);
  EXPECT_EQ(r.list("List2")->count(), 10);
  // The question shown is page 1 of stage 2, decoded from the code page.
  const auto page = support::pageLines(2, 1);
  EXPECT_EQ(textOf(r.window.control("Text1(0)")), QString::fromStdU16String(window::fromCodePage(page[5])));

  typeInto(r.window.control("Text1(1)"), QString::fromUtf8(" Новый"));
  click(r.button("cmdSave"));
  ASSERT_TRUE(r.errors.empty());
  // " Новый" in Windows-1251.
  const std::string typed = bytes({' ', 0xCD, 0xEE, 0xE2, 0xFB, 0xE9});
  EXPECT_EQ(lines(s.root() / "1" / "0.html")[7], page[7] + typed);
  // Only the page's bytes changed: the title page, written with the bytes it holds, is left.
  EXPECT_EQ(r.writesOf(s.root() / "title.html"), 0);
  EXPECT_EQ(r.writesOf(s.root() / "1" / "0.html"), 1);

  // Typed, not saved, another row clicked and Отмена answered: the row stays chosen and
  // highlighted, the typing stays. Ctrl+Z in the field takes back its typing, and then the save.
  QWidget* field = r.window.control("Text1(1)");
  typeInto(field, QStringLiteral("!"));
  r.dialogs.choices = {lifecycle::Dialogs::Answer::Cancel};
  clickRow(r.list("List2"), 5);
  ASSERT_EQ(r.dialogs.shown.size(), 1u);
  EXPECT_EQ(r.list("List2")->currentRow(), 0);
  EXPECT_EQ(r.list("List2")->selectedItems(), QList<QListWidgetItem*>{r.list("List2")->item(0)});
  EXPECT_TRUE(textOf(field).endsWith(u'!'));
  r.window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&r.window));
  field->setFocus();
  QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_FALSE(textOf(field).endsWith(u'!'));
  QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(lines(s.root() / "1" / "0.html")[7], page[7]);
  EXPECT_EQ(textOf(field), QString::fromStdU16String(window::fromCodePage(page[7])));
  EXPECT_TRUE(r.errors.empty());
}

TEST(Events, NewStageNewQuestionAndRemoval) {
  Started s;
  Rig& r = *s.rig;
  click(r.button("cmdNewL"));
  ASSERT_TRUE(r.errors.empty());
  EXPECT_TRUE(fs::is_directory(s.root() / "6"));
  EXPECT_FALSE(r.button("cmdNewL")->isEnabled());
  EXPECT_FALSE(r.button("cmdMix")->isEnabled());
  EXPECT_EQ(r.get<QLabel>("Label11")->text(), "0");
  ASSERT_EQ(r.list("List1")->count(), 7);

  clickRow(r.list("List1"), 6);  // the new stage shows its first question
  click(r.button("cmdSave"));
  ASSERT_TRUE(r.errors.empty());
  ASSERT_TRUE(r.button("cmdNewN")->isEnabled());
  click(r.button("cmdNewN"));
  ASSERT_TRUE(r.errors.empty());
  EXPECT_EQ(r.editor.state().LastStageQuestions, 2);
  EXPECT_EQ(r.list("List2")->count(), 2);
  EXPECT_EQ(r.list("List2")->currentRow(), 1);
  EXPECT_FALSE(r.button("cmdNewN")->isEnabled());

  click(r.button("cmdDelLast"));
  ASSERT_TRUE(r.errors.empty());
  ASSERT_EQ(r.dialogs.shown.size(), 1u);
  EXPECT_TRUE(r.dialogs.shown[0].okCancel);
  EXPECT_FALSE(fs::exists(s.root() / "6"));
  EXPECT_EQ(r.get<QLabel>("Label9")->text(), "6");
}

TEST(Events, MixingMovesQuestions) {
  Started s;
  const auto before = support::snapshot(s.root());
  click(s.rig->button("cmdMix"));
  ASSERT_TRUE(s.rig->errors.empty());
  EXPECT_FALSE(support::differences(before, support::snapshot(s.root())).empty());
  EXPECT_FALSE(s.rig->window.ended());
}

TEST(Events, PictureOptionsAndPreview) {
  QByteArray png;
  {
    QImage picture(315, 272, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
  }
  // Picture 1 holds a picture the toolkit can read; pictures 2 and 3 hold no picture at all.
  Started s({}, [&](const fs::path& root) {
    support::writeBytes(root / "pics" / "1.gif", png.toStdString());
  });
  Rig& r = *s.rig;
  auto* preview = dynamic_cast<qt::PictureBox*>(r.window.control("Image1"));
  ASSERT_NE(preview, nullptr);
  clickRow(r.list("List1"), 0);
  EXPECT_TRUE(preview->picture().isNull());

  click(r.window.control("optIm(1)"));
  EXPECT_EQ(r.editor.form.optIm, 1);
  EXPECT_TRUE(r.list("File2")->isEnabled());
  clickRow(r.list("File2"), 0);
  ASSERT_TRUE(r.errors.empty());
  EXPECT_EQ(preview->picture().size(), QSize(315, 272));

  clickRow(r.list("File2"), 1);  // not a picture: an empty preview, and no error
  EXPECT_TRUE(r.errors.empty());
  EXPECT_TRUE(preview->picture().isNull());

  clickRow(r.list("File2"), 0);
  click(r.window.control("optIm(0)"));
  EXPECT_TRUE(preview->picture().isNull());
  EXPECT_FALSE(r.list("File2")->isEnabled());
  EXPECT_TRUE(r.get<QRadioButton>("optIm(0)")->isChecked());
  EXPECT_FALSE(r.get<QRadioButton>("optIm(1)")->isChecked());
}

// New pictures through the window, each decoded by the toolkit's readers: a PNG screenshot by the
// button, a photo of 4000×3000 written as JPEG by the menu, the clipboard's image by Ctrl+V on
// the picture list (never in a text field); each saved with its page and shown at once, and
// Ctrl+Z takes back the file and the page together. All nine taken: the list of those no
// question shows, and the one chosen replaced.
TEST(Events, PicturesFromAScreenshotAPhotoAndTheClipboard) {
  Started s;
  Rig& r = *s.rig;
  support::TempDir outside;
  const auto save = [&](const QImage& image, const char* name, const char* format) {
    const fs::path file = outside.path() / name;
    EXPECT_TRUE(image.save(QString::fromStdString(file.string()), format, 90));
    return file;
  };
  QImage screen(1920, 1080, QImage::Format_RGB32);
  screen.fill(QColor(240, 240, 240));
  for (int y = 0; y < 60; ++y) {  // a title bar over a light grey window
    auto* row = reinterpret_cast<QRgb*>(screen.scanLine(y));
    std::fill(row, row + 1920, qRgb(30, 60, 160));
  }
  QImage photo(4000, 3000, QImage::Format_RGB32);
  for (int y = 0; y < 3000; ++y) {
    auto* row = reinterpret_cast<QRgb*>(photo.scanLine(y));
    for (int x = 0; x < 4000; ++x) row[x] = qRgb(x * 255 / 3999, y * 255 / 2999, 96);
  }
  const fs::path png = save(screen, "снимок.png", "PNG");
  const fs::path jpeg = save(photo, "фото.jpg", "JPEG");
  auto* preview = dynamic_cast<qt::PictureBox*>(r.window.control("Image1"));
  const auto pictureLine = [&](const char* page) { return lines(s.root() / page).at(shell::page::kPicture); };
  const auto shownRow = [&] { return r.list("File2")->currentItem() ? r.list("File2")->currentItem()->text() : QString(); };

  EXPECT_FALSE(r.button("cmdAddPicture")->isEnabled()) << "no question shown yet";
  choose(r, 2, 4);
  ASSERT_TRUE(r.button("cmdAddPicture")->isEnabled());
  {
    const ModalWait file = answerFile(png);
    click(r.button("cmdAddPicture"));
  }
  ASSERT_TRUE(r.errors.empty());
  EXPECT_EQ(pictureLine("1/3.html"), "4");
  EXPECT_EQ(shownRow(), "4.gif");
  EXPECT_EQ(preview->picture().size(), QSize(315, 272));
  EXPECT_EQ(QColor(preview->picture().pixel(157, 136)), QColor(240, 240, 240));

  choose(r, 2, 5);
  {
    const ModalWait file = answerFile(jpeg);
    chooseItem(&r.window, u'п', u'д');
  }
  ASSERT_TRUE(r.errors.empty()) << r.errors.front().toStdString();
  EXPECT_EQ(pictureLine("1/4.html"), "5");
  EXPECT_EQ(shownRow(), "5.gif");
  const QImage five = QImage(QString::fromStdString((s.root() / "pics" / "5.gif").string())).convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(five.size(), QSize(315, 272));
  const QColor middle = five.pixelColor(157, 136);
  EXPECT_NEAR(middle.red(), 128, 16);
  EXPECT_NEAR(middle.green(), 128, 16);
  EXPECT_NEAR(middle.blue(), 96, 16);

  // Ctrl+V in a text field is the field's own paste; on the picture list, a picture.
  choose(r, 2, 6);
  const auto before = support::testFilesOf(support::snapshot(s.root()));
  QImage copied(200, 100, QImage::Format_ARGB32);
  copied.fill(QColor(0, 160, 0));
  QGuiApplication::clipboard()->setImage(copied);
  r.window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&r.window));
  QWidget* field = r.window.control("Text1(0)");
  field->setFocus();
  QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(support::testFilesOf(support::snapshot(s.root())), before);
  r.list("File2")->setFocus();
  QTest::keyClick(r.list("File2"), Qt::Key_V, Qt::ControlModifier);
  ASSERT_TRUE(r.errors.empty());
  EXPECT_EQ(pictureLine("1/5.html"), "6");
  EXPECT_EQ(shownRow(), "6.gif");
  EXPECT_EQ(QColor(preview->picture().pixel(157, 136)), QColor(0, 160, 0));
  QTest::keyClick(r.list("File2"), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(support::differences(before, support::testFilesOf(support::snapshot(s.root()))), std::vector<std::string>{});
  EXPECT_FALSE(fs::exists(s.root() / "pics" / "6.gif"));

  // All nine taken (7 .. 9 shown by no question, as 6 is again): the list offers those, the
  // last one chosen is replaced after the editor's question, and the question shows it.
  for (const char* name : {"6.gif", "7.gif", "8.gif", "9.gif"}) fs::copy_file(s.root() / "pics" / "1.gif", s.root() / "pics" / name);
  choose(r, 3, 1);
  QStringList offered;
  {
    const ModalWait file = answerFile(png);
    const ModalWait list = whenModal([](QWidget* w) { return w->findChild<QTreeWidget*>("rows") != nullptr; },
                                     [&](QWidget* w) {
                                       auto* rows = w->findChild<QTreeWidget*>("rows");
                                       for (int i = 0; i < rows->topLevelItemCount(); ++i) offered << rows->topLevelItem(i)->text(0);
                                       rows->setCurrentItem(rows->topLevelItem(rows->topLevelItemCount() - 1));
                                       click(w->findChild<QPushButton*>("choose"));
                                     });
    click(r.button("cmdAddPicture"));
  }
  ASSERT_TRUE(r.errors.empty());
  EXPECT_EQ(offered, (QStringList{"6.gif", "7.gif", "8.gif", "9.gif"}));
  ASSERT_GE(r.dialogs.shown.size(), 2u);
  EXPECT_TRUE(r.dialogs.shown.back().okCancel);
  EXPECT_NE(r.dialogs.shown.back().text.find("Заменить рисунок 9.gif"), std::string::npos);
  EXPECT_EQ(pictureLine("2/0.html"), "9");
  EXPECT_EQ(shownRow(), "9.gif");
  EXPECT_EQ(QColor(preview->picture().pixel(157, 136)), QColor(240, 240, 240));
}

TEST(Events, ExitButtonUnloadsAndEnds) {
  Started s;
  Rig& r = *s.rig;
  typeInto(r.window.control("txtAddr"), "/x");
  // As the program runs the window: the exit ends the application's loop with the run's status.
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, [] {
    ADD_FAILURE() << "the exit did not end the application's loop";
    QCoreApplication::exit(99);
  });
  guard.start(30000);
  QTimer::singleShot(0, &r.window, [&r] { click(r.button("cmdEnd")); });
  EXPECT_EQ(QApplication::exec(), 0);
  EXPECT_TRUE(r.editor.unloaded());
  EXPECT_TRUE(r.window.ended());
  EXPECT_EQ(r.window.exitCode(), 0);
  EXPECT_FALSE(r.window.isVisible());
  EXPECT_EQ(lines(s.root() / "title.html")[12], support::titleLines(6)[12] + "/x");
  EXPECT_EQ(r.writesOf(s.root() / "title.html"), 1);
  r.window.close();  // the window goes without a second shutdown
  EXPECT_EQ(r.writesOf(s.root() / "title.html"), 1);
}

// With the question on screen changed, closing asks first: Отмена keeps the window open with
// nothing written, Да saves the question and closes.
TEST(Events, ClosingTheWindowUnloadsOnce) {
  Started s;
  Rig& r = *s.rig;
  choose(r, 2, 3);
  auto* answer = r.get<QLineEdit>("Text1(5)");
  answer->clear();
  typeInto(answer, "4");
  EXPECT_FALSE(r.window.close());
  EXPECT_TRUE(r.window.isVisible());
  EXPECT_EQ(r.writes(), 0);
  EXPECT_EQ(answer->text(), "4");
  EXPECT_EQ(r.dialogs.shown.size(), 1u);

  r.dialogs.choices = {lifecycle::Dialogs::Answer::Yes};
  r.window.close();
  EXPECT_TRUE(r.editor.unloaded());
  EXPECT_TRUE(r.window.ended());
  EXPECT_EQ(r.window.exitCode(), 0);
  EXPECT_EQ(lines(s.root() / "1.js")[10 + 2 * 12], "4");
  EXPECT_EQ(r.writesOf(s.root() / "1.js"), 1);
  r.window.show();
  r.window.close();
  EXPECT_EQ(r.writesOf(s.root() / "1.js"), 1);
}

TEST(Events, StartUpErrorIsShownAndEndsTheEditor) {
  support::TempDir dir;
  support::buildShell(dir.path());
  fs::remove(dir.path() / "1.js");
  const auto before = support::snapshot(dir.path());
  Rig r(dir.path());
  EXPECT_FALSE(r.window.load());
  ASSERT_EQ(r.errors.size(), 1u);
  EXPECT_TRUE(r.errors[0].contains("1.js")) << r.errors[0].toStdString();
  EXPECT_TRUE(r.window.ended());
  EXPECT_NE(r.window.exitCode(), 0);
  r.window.close();
  EXPECT_FALSE(r.editor.unloaded());
  EXPECT_EQ(r.writes(), 0);
  EXPECT_EQ(support::snapshot(dir.path()), before);
}

// The keyboard focus reaching a list chooses nothing; an arrow key in it chooses the row it
// moves to.
TEST(Events, OnlyAClickOrAnArrowKeyChoosesARow) {
  Started s;
  Rig& r = *s.rig;
  for (const char* name : {"List1", "List2", "File2"}) {
    QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(r.list(name), &focus);
    EXPECT_EQ(r.list(name)->currentRow(), -1) << name;
  }
  EXPECT_EQ(r.editor.state().CurStage, 0);
  EXPECT_EQ(r.editor.form.File2.ListIndex, -1);
  EXPECT_EQ(r.writes(), 0);
  QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
  QApplication::sendEvent(r.list("List1"), &down);
  EXPECT_EQ(r.editor.state().CurStage, 1);
  EXPECT_EQ(r.editor.state().CurQuestion, 10);  // no question row chosen yet: the last one
  EXPECT_TRUE(r.errors.empty());
}

TEST(Events, HandlerErrorEndsWithoutShutdown) {
  Started s({}, [](const fs::path& root) { fs::remove(root / "2" / "4.html"); });
  Rig& r = *s.rig;
  clickRow(r.list("List1"), 2);
  ASSERT_EQ(r.errors.size(), 1u);
  EXPECT_TRUE(r.errors[0].contains("4.html")) << r.errors[0].toStdString();
  EXPECT_TRUE(r.window.ended());
  EXPECT_EQ(r.window.exitCode(), 1);
  EXPECT_FALSE(r.window.isVisible());
  // Nothing else runs: neither another event nor the shutdown.
  r.window.show();
  click(r.button("cmdSave"));
  r.window.close();
  EXPECT_FALSE(r.editor.unloaded());
  EXPECT_EQ(r.writes(), 0);
  EXPECT_EQ(r.errors.size(), 1u);
  // Ended with no loop running, the window leaves the toolkit's loops alone: a dialog opened
  // afterwards still waits for its answer.
  QDialog later;
  const ModalWait answer = whenModal([&](QWidget* w) { return w == &later; }, [](QWidget* w) {
    static_cast<QDialog*>(w)->accept();
  });
  EXPECT_EQ(later.exec(), QDialog::Accepted);
}

// The menus open under the mouse and by Alt and their letters, and their items run what they
// stand for; an item's key runs it with no menu open.
TEST(Events, MenusOpenByMouseAndKeys) {
  Started s;
  Rig& r = *s.rig;
  QMenuBar* bar = r.window.menuBar();
  QMenu* help = r.window.action("mnuHelp")->menu();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(r.window.action("mnuHelp")).center());
  ASSERT_TRUE(help->isVisible());
  QTest::mouseClick(help, Qt::LeftButton, {}, help->actionGeometry(r.window.action("mnuHelpAbout")).center());
  ASSERT_EQ(r.dialogs.shown.size(), 1u);
  EXPECT_EQ(r.dialogs.shown[0].text, window::aboutText());
  EXPECT_FALSE(help->isVisible());

  chooseItem(&r.window, u'т', u'э');  // "Создать новый &этап"
  ASSERT_TRUE(r.errors.empty());
  EXPECT_TRUE(fs::is_directory(s.root() / "6"));
  EXPECT_FALSE(r.window.action("mnuFileImport")->isEnabled());
  EXPECT_FALSE(r.window.action("mnuTestNewStage")->isEnabled());
  EXPECT_FALSE(r.window.action("mnuTestMix")->isEnabled());
  EXPECT_TRUE(r.window.action("mnuFileExport")->isEnabled());

  QTest::keyClick(&r.window, Qt::Key_F1);  // the guide: none beside this program
  ASSERT_EQ(r.dialogs.shown.size(), 2u);
  EXPECT_NE(r.dialogs.shown[1].text.find("Руководство не найдено"), std::string::npos);
}

// A file with mistakes, through the menu, the file dialog and the import's dialog: each mistake
// named with its line, Импортировать not offered, nothing written. (The imports that go through,
// and the test written out, are driven through this window by edit_flow for the browser tests.)
TEST(Events, AFileWithMistakesIsShownWithItsLinesAndWritesNothing) {
  Started s;
  Rig& r = *s.rig;
  support::TempDir out;
  const fs::path text = out.path() / "вопросы.txt";
  std::string mistaken = support::questionsText(20);
  mistaken.insert(mistaken.find("Ответ: Б"), "Д) лишний ответ\r\n");
  mistaken.replace(mistaken.rfind("Ответ: Б"), std::string("Ответ: Б").size(), "Ответ: Ж");
  support::writeBytes(text, mistaken);
  const auto before = support::snapshot(s.root());
  const ModalWait file = answerFile(text);
  QString said;
  const ModalWait import = whenModal(isImportDialog, [&](QWidget* w) {
    said = w->findChild<QPlainTextEdit*>("summary")->toPlainText();
    EXPECT_FALSE(w->findChild<QPushButton*>("import")->isEnabled());
    click(w->findChild<QPushButton*>("cancel"));
  });
  chooseItem(&r.window, u'ф', u'и');
  EXPECT_TRUE(said.contains(QString::fromUtf8("строка 6: у вопроса 1 пять ответов")) &&
              said.contains(QString::fromUtf8("строка 140:")))
      << said.toStdString();
  EXPECT_EQ(support::snapshot(s.root()), before);
}

// The check's list through the window: Enter on a row, and a double-click on another, each close
// the dialog and show the row's question. Another test through the folder dialog, the first then
// offered as the test opened last; the items without a test are hidden.
TEST(Events, TheChecksRowShowsItsQuestionAndAnotherTestOpensFromTheMenu) {
  Started s({}, [](const fs::path& root) {
    for (const auto& [folder, page] : {std::pair{"1", "2.html"}, std::pair{"4", "6.html"}}) {
      auto lines = support::crlfLines(root / folder / page);
      lines[9] = lines[11];  // answers 2 and 3 alike
      support::writeBytes(root / folder / page, support::crlfJoin(lines));
    }
  });
  Rig& r = *s.rig;
  support::TempDir settings, second;
  shell::RealDisk disk;
  lifecycle::RecentTests recent(disk, settings.path() / "recent-tests.txt");
  r.window.setProgram({[&](const fs::path& folder) {
                         return std::make_unique<lifecycle::Editor>(
                             lifecycle::Editor::Seams{r.disk, r.dialogs, r.clock, r.random, &r.window}, folder);
                       },
                       &recent, settings.path(), {}});
  recent.add(s.root());  // as the program's own start has it remembered
  const auto pick = [](int row, bool byMouse) {
    return whenModal([](QWidget* w) { return w->findChild<QTreeWidget*>("rows") != nullptr; }, [=](QWidget* w) {
      auto* rows = w->findChild<QTreeWidget*>("rows");
      EXPECT_EQ(rows->topLevelItemCount(), 2);
      EXPECT_EQ(rows->topLevelItem(1)->text(2), QString::fromUtf8("ответы 2 и 3 одинаковы"));
      if (byMouse) {
        const QPoint at = rows->visualItemRect(rows->topLevelItem(row)).center();
        QTest::mouseClick(rows->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(rows->viewport(), Qt::LeftButton, {}, at);
      } else {
        for (int i = 0; i < row; ++i) QTest::keyClick(rows, Qt::Key_Down);
        QTest::keyClick(rows, Qt::Key_Return);
      }
    });
  };
  {
    const ModalWait byKeys = pick(1, false);
    chooseItem(&r.window, u'т', u'р');
  }
  EXPECT_EQ(r.list("List1")->currentRow(), 4);
  EXPECT_EQ(r.list("List2")->currentRow(), 6);
  {
    const ModalWait byMouse = pick(0, true);
    chooseItem(&r.window, u'т', u'р');
  }
  EXPECT_EQ(r.list("List1")->currentRow(), 1);
  EXPECT_EQ(r.list("List2")->currentRow(), 2);
  ASSERT_TRUE(r.errors.empty());

  EXPECT_FALSE(r.window.action("mnuFileRecent1")->isVisible());
  EXPECT_FALSE(r.window.action("mnuFileOpenBar")->isVisible());
  support::buildShell(second.path(), {.stageFolders = 2});
  const ModalWait folder = answerFile(second.path());
  chooseItem(&r.window, u'ф', u'о');
  ASSERT_TRUE(r.errors.empty());
  EXPECT_EQ(r.list("List1")->count(), 2);
  EXPECT_TRUE(r.window.action("mnuFileRecent1")->isVisible());
  EXPECT_TRUE(r.window.action("mnuFileOpenBar")->isVisible());
  EXPECT_FALSE(r.window.action("mnuFileRecent2")->isVisible());
  EXPECT_EQ(r.window.action("mnuFileRecent1")->text(), "&1 " + QString::fromStdString(s.root().string()));
  chooseItem(&r.window, u'ф', u'1');
  EXPECT_EQ(r.list("List1")->count(), 6);
}

// The lesson's window beside the editor's and never modal: the editor's fields take typing while
// it is open. The address in large letters; a result posted over the loopback reaches its table
// through the window's own loop, a pupil's name as text; closing it by its frame asks and keeps
// the lesson on Отмена; «Закончить урок» asks, stops the lesson and closes the window.
TEST(Events, TheLessonsWindowShowsTheClassBesideTheEditor) {
  Started s;
  Rig& r = *s.rig;
  support::TempDir data;
  window::LessonSetup lesson{&r.disk, [&] { return data.path() / "results.sqlite"; }, {}};
  lesson.options.server.listen = {"127.0.0.1"};
  r.window.setProgram({{}, nullptr, data.path(), lesson});
  EXPECT_FALSE(r.window.action("mnuTestLessonAddress")->isVisible());
  chooseItem(&r.window, u'т', u'к');
  ASSERT_TRUE(r.errors.empty());
  ASSERT_NE(r.window.lesson(), nullptr);
  QWidget* w = r.window.lessonWindow();
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->isVisible() && w->isWindow());
  EXPECT_FALSE(w->isModal());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_TRUE(r.window.action("mnuTestLessonAddress")->isVisible());
  choose(r, 2, 3);
  typeInto(r.window.control("Text1(0)"), QStringLiteral("!"));
  EXPECT_TRUE(textOf(r.window.control("Text1(0)")).endsWith(QLatin1Char('!')));

  const unsigned short port = r.window.lesson()->port();
  auto* addresses = w->findChild<QLabel*>("addresses");
  ASSERT_NE(addresses, nullptr);
  EXPECT_EQ(addresses->text(), QString("http://127.0.0.1:%1/").arg(port));
  EXPECT_GE(addresses->font().pointSizeF(), 20.0);
  EXPECT_EQ(w->findChild<QLabel*>("heading")->text(), QString::fromUtf8(window::dialog::kLessonNoNetwork.data()));
  EXPECT_EQ(support::postResult(port, support::resultForm(r.window.lesson()->snapshot(), "<b>Иванов</b>", "9А", 2)), 200);
  auto* rows = w->findChild<QTreeWidget*>("rows");
  ASSERT_TRUE(QTest::qWaitFor([&] { return rows->topLevelItemCount() == 1; }, 5000));
  EXPECT_EQ(rows->topLevelItem(0)->text(0), QString::fromUtf8("<b>Иванов</b>"));
  EXPECT_EQ(rows->topLevelItem(0)->text(2), QString::fromUtf8("58 из 60"));
  const auto captions = lesson::tableCaptions();
  ASSERT_EQ(rows->columnCount(), static_cast<int>(captions.size()));
  for (int c = 0; c < rows->columnCount(); ++c) EXPECT_EQ(rows->headerItem()->text(c).toStdString(), captions[c]);
  EXPECT_EQ(w->findChild<QLabel*>("finished")->text(), QString::fromUtf8("Закончили тест: 1"));
  EXPECT_EQ(w->findChild<QPushButton*>("end")->text(), QString::fromUtf8("&Закончить урок"));

  r.dialogs.answers = {false, true};
  w->close();
  EXPECT_TRUE(w->isVisible());
  ASSERT_NE(r.window.lesson(), nullptr);
  click(w->findChild<QPushButton*>("end"));
  ASSERT_EQ(r.dialogs.shown.size(), 2u);
  EXPECT_EQ(r.dialogs.shown[1].text, window::dialog::kLessonEndQuestion);
  EXPECT_EQ(r.window.lesson(), nullptr);
  EXPECT_EQ(r.window.lessonWindow(), nullptr);
  EXPECT_FALSE(r.window.action("mnuTestLessonAddress")->isVisible());
  EXPECT_TRUE(r.errors.empty());
}

// The results window beside the editor's and never modal, from Тест → «Результаты уроков…»; a
// second press brings the same window back. A lesson's results as the lesson's window showed
// them, its statistics the most missed first; the switch to every test and back; the spreadsheet
// saved into a folder of Cyrillic name and read back by openpyxl; a double-click and Enter on a
// question of the statistics show it in the editor's lists; the deletion asked first; closed by
// its frame, the window goes.
TEST(Events, TheResultsWindowShowsExportsAndDeletesALessonsResults) {
  Started s;
  Rig& r = *s.rig;
  support::TempDir data, documents;
  window::LessonSetup lesson{&r.disk, [&] { return data.path() / "results.sqlite"; }, {}};
  lesson.options.server.listen = {"127.0.0.1"};
  r.window.setProgram({{}, nullptr, documents.path(), lesson});
  {
    // A lesson of this test held before, its store the program's.
    lesson::SqliteStore store(data.path() / "results.sqlite");
    lesson::Lesson held;
    held.start(s.root(), r.disk, store, {}, lesson.options);
    ASSERT_EQ(support::postResult(held.port(), support::resultForm(held.snapshot(), "Иванов", "9А", 2)), 200);
    held.stop();
  }
  chooseItem(&r.window, u'т', u'е');
  ASSERT_TRUE(r.errors.empty());
  QWidget* w = r.window.resultsWindow();
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->isVisible() && w->isWindow());
  EXPECT_FALSE(w->isModal());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  r.window.action("mnuTestResults")->trigger();
  EXPECT_EQ(r.window.resultsWindow(), w) << "the same window, in front";
  auto* lessons = w->findChild<QTreeWidget*>("lessons");
  auto* rows = w->findChild<QTreeWidget*>("rows");
  auto* statistics = w->findChild<QTreeWidget*>("statistics");
  ASSERT_TRUE(lessons && rows && statistics);
  ASSERT_EQ(lessons->topLevelItemCount(), 1);
  EXPECT_EQ(lessons->currentItem(), lessons->topLevelItem(0));
  EXPECT_EQ(lessons->topLevelItem(0)->text(3), QStringLiteral("1"));
  ASSERT_EQ(rows->topLevelItemCount(), 1);
  EXPECT_EQ(rows->topLevelItem(0)->text(0), QString::fromUtf8("Иванов"));
  EXPECT_EQ(rows->topLevelItem(0)->text(2), QString::fromUtf8("58 из 60"));
  ASSERT_EQ(statistics->topLevelItemCount(), 60);
  EXPECT_EQ(statistics->topLevelItem(0)->text(1), QStringLiteral("1")) << "the missed questions first";
  EXPECT_EQ(statistics->topLevelItem(1)->text(1), QStringLiteral("2"));
  EXPECT_EQ(statistics->topLevelItem(0)->text(6), QStringLiteral("0"));

  click(w->findChild<QRadioButton*>("allTests"));
  EXPECT_TRUE(w->windowTitle().endsWith(QString::fromUtf8("все тесты")));
  EXPECT_EQ(lessons->columnCount(), 6) << "with the test's folder";
  click(w->findChild<QRadioButton*>("thisTest"));
  EXPECT_EQ(lessons->columnCount(), 5);
  EXPECT_EQ(lessons->topLevelItemCount(), 1);

  const fs::path folder = documents.path() / "Документы учителя";
  fs::create_directories(folder);
  const fs::path book = folder / "Урок 9А.xlsx";
  {
    const ModalWait file = answerFile(book);
    click(w->findChild<QPushButton*>("saveXlsx"));
  }
  ASSERT_TRUE(fs::exists(book));
  QProcess python;  // the system's, for which Debian's python3-openpyxl is installed
  python.start(QStringLiteral("/usr/bin/python3"),
               {QStringLiteral("-c"),
                QStringLiteral("import openpyxl, sys; s = openpyxl.load_workbook(sys.argv[1])['Результаты']; "
                               "print(s['A1'].value + '|' + s['A2'].value + '|' + s['B2'].value)"),
                QString::fromStdString(book.string())});
  ASSERT_TRUE(python.waitForFinished(30000));
  EXPECT_EQ(QString::fromUtf8(python.readAllStandardOutput()).trimmed(), QString::fromUtf8("Ученик|Иванов|9А"))
      << python.readAllStandardError().toStdString();

  // The second question of stage 1 by a double-click, the third by Enter.
  choose(r, 2, 3);
  QTreeWidgetItem* second = statistics->topLevelItem(1);
  const QRect place = statistics->visualItemRect(second);
  QTest::mouseClick(statistics->viewport(), Qt::LeftButton, {}, place.center());
  QTest::mouseDClick(statistics->viewport(), Qt::LeftButton, {}, place.center());
  EXPECT_EQ(r.list("List1")->currentRow(), 0);
  EXPECT_EQ(r.list("List2")->currentRow(), 1);
  statistics->setCurrentItem(statistics->topLevelItem(2));
  QTest::keyClick(statistics, Qt::Key_Return);
  EXPECT_EQ(r.list("List2")->currentRow(), 2);
  EXPECT_TRUE(r.errors.empty());

  r.dialogs.answers = {false, true};
  click(w->findChild<QPushButton*>("delete"));
  EXPECT_EQ(lessons->topLevelItemCount(), 1) << "Отмена keeps it";
  click(w->findChild<QPushButton*>("delete"));
  ASSERT_GE(r.dialogs.shown.size(), 2u);
  EXPECT_NE(r.dialogs.shown.back().text.find("Удалить урок"), std::string::npos);
  EXPECT_EQ(lessons->topLevelItemCount(), 0);
  EXPECT_FALSE(w->findChild<QPushButton*>("saveXlsx")->isEnabled());
  EXPECT_TRUE(w->findChild<QLabel*>("problem")->isVisible());
  w->close();
  ASSERT_TRUE(QTest::qWaitFor([&] { return r.window.resultsWindow() == nullptr; }, 5000));
  EXPECT_TRUE(r.errors.empty());
}

TEST(ShellRoot, ProgramFolderWithTheAnswerKeyElseWorkingFolder) {
  support::TempDir program, work;
  EXPECT_EQ(lifecycle::findShellRoot(program.path(), work.path()), work.path());
  fs::create_directory(program.path() / "1.js");  // a folder of that name does not count
  EXPECT_EQ(lifecycle::findShellRoot(program.path(), work.path()), work.path());
  fs::remove(program.path() / "1.js");
  support::writeBytes(program.path() / "1.js", "");
  EXPECT_EQ(lifecycle::findShellRoot(program.path(), work.path()), program.path());

  // A folder given wins over both, taken from the working folder when relative; a file stands
  // for its folder; a path that is not there, or several, are refused by name.
  fs::create_directories(work.path() / "Тест" / "pics");
  support::writeBytes(work.path() / "Тест" / "index.html", "");
  EXPECT_EQ(lifecycle::findShellRoot(program.path(), work.path(), {work.path() / "Тест"}),
            work.path() / "Тест");
  EXPECT_EQ(lifecycle::findShellRoot(program.path(), work.path(), {"Тест/"}), work.path() / "Тест");
  EXPECT_EQ(lifecycle::findShellRoot(program.path(), work.path(), {"Тест/index.html"}),
            work.path() / "Тест");
  auto refusal = [&](std::vector<fs::path> arguments) {
    try {
      lifecycle::findShellRoot(program.path(), work.path(), arguments);
    } catch (const shell::ShellError& e) {
      return std::string(e.what());
    }
    return std::string("accepted");
  };
  const std::string missing = refusal({"Тест/pics/нет"});
  EXPECT_NE(missing.find("«" + (work.path() / "Тест" / "pics" / "нет").string() + "» не найдена"),
            std::string::npos)
      << missing;
  const std::string several = refusal({"Тест", "Тест/pics"});
  EXPECT_NE(several.find("«Тест», «Тест/pics»"), std::string::npos) << several;
}

// The Linux download's launcher, started by a link from another folder, runs the folder's loader
// on the folder's program, every argument as given (one like a loader's option too), in the same
// working folder, and names its own file, links followed; the program takes its folder from that
// name, not from its process's file (the loader).
TEST(ShellRoot, TheLauncherNamesTheProgramsFolder) {
  support::TempDir work;
  const fs::path folder = work.path() / "Тест: \"$HOME\" 1;2";
  fs::create_directories(folder / ".test_editor" / "lib");
#ifdef LAUNCHER_PATH
  fs::copy_file(LAUNCHER_PATH, folder / "test_editor");
  const fs::path loader = folder / ".test_editor" / "lib" / "ld-linux-x86-64.so.2";
  support::writeBytes(loader, "#!/bin/sh\n{ printf '%s\\n' \"$@\" \"$TEST_EDITOR_LAUNCHER\"; pwd; } >\"$0.txt\"\n");
  fs::permissions(loader, fs::perms::owner_all);
  fs::create_directory_symlink(folder, work.path() / "link");
  QProcess launcher;
  launcher.setWorkingDirectory(QString::fromStdString(work.path().string()));
  launcher.start(QString::fromStdString((work.path() / "link" / "test_editor").string()),
                 {"--library-path", "Тест/", ""});
  ASSERT_TRUE(launcher.waitForFinished(10000));
  EXPECT_EQ(launcher.exitCode(), 0) << launcher.readAllStandardError().toStdString();
  const std::string self = (folder / "test_editor").string();
  EXPECT_EQ(support::readBytes(fs::path(loader.string() + ".txt")),
            "--library-path\n\n--argv0\n" + (work.path() / "link" / "test_editor").string() + "\n" +
                (folder / ".test_editor" / "test_editor").string() + "\n--library-path\nТест/\n\n" +
                self + "\n" + work.path().string() + "\n");
#endif
  ::setenv(lifecycle::kLauncherVariable, (folder / "test_editor").c_str(), 1);
  EXPECT_EQ(lifecycle::programFolder(), folder);
  ::setenv(lifecycle::kLauncherVariable, "test_editor", 1);  // not a full path: not a launcher's
  EXPECT_EQ(lifecycle::programFolder(), fs::read_symlink("/proc/self/exe").parent_path());
  ::unsetenv(lifecycle::kLauncherVariable);
  EXPECT_EQ(lifecycle::programFolder(), fs::read_symlink("/proc/self/exe").parent_path());
}

}  // namespace
}  // namespace qttest
