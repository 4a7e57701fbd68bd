// Drives the editor program's own window over a real shell, as a teacher would: start-up, a stage
// and a question chosen in the lists, fields of the question and the right-answer number typed
// over, save, and the exit button. Everything goes through the toolkit's events on the offscreen
// platform, with the real disk, clock and generator; only the message boxes are recorded instead
// of shown, since none is expected and a modal box would wait for a click that never comes.
//
//   edit_flow SHELL STAGE QUESTION RIGHT FIELD TEXT [FIELD TEXT ...]
//   edit_flow --import SHELL FILE STAGE [FILE STAGE ...]
//   edit_flow --round-trip SHELL TEXT
//   edit_flow --print SHELL PAGE
//   edit_flow --check SHELL ROW
//   edit_flow --browser SHELL STAGE QUESTION
//   edit_flow --open SHELL OTHER
//   edit_flow --lesson SHELL RESULTS SECONDS
//   edit_flow --lesson-address SHELL RESULTS SECONDS
//   edit_flow --picture SHELL STAGE QUESTION IMAGE
//
// Each TEXT is UTF-8 and replaces the whole of field FIELD: 0 the question text, 1 to 4 the
// answers; RIGHT replaces the right-answer number. With --import, each FILE of questions is
// imported from question 1 of its STAGE through the menu (Alt+Ф, И), the file dialog and the
// import's dialog. With --round-trip, the test is written out to the text file TEXT (Alt+Ф, С and
// the save dialog) and imported back from question 1 of stage 1. With --print, the test is
// printed (Alt+Т, П) to the page PAGE, named in the save dialog, which the system's browser is
// then asked to open. With --check, the test is checked (Alt+Т, Р): each row of the list is
// printed ("row: STAGE | QUESTION | WHAT"), row ROW is chosen by the arrow keys and Enter, and the
// question then shown is printed ("shown: STAGE QUESTION"); a test without slips prints the box
// it gets. With --browser, the test (Alt+Т, Б) and then question QUESTION of stage STAGE (Alt+Т,
// В) are opened in the system's browser. With --open, question 1 of stage 1 gets a new text
// ("Изменено перед открытием другого теста"), then the test in the folder OTHER is opened (Alt+Ф,
// О and the folder dialog; the question about the changed question answered Да) and question 2 of
// its stage 2 gets the text "Вопрос другого теста", saved. With --lesson, a lesson on the test is
// started (Alt+Т, К), served on the loopback alone (127.0.0.1 and ::1, up to 1000 results a
// minute from it, as the class's browsers all come from there), its results kept in
// results.sqlite of the folder test-editor under $XDG_DATA_HOME; the first address its window
// shows and the database are printed at once ("address: URL", "database: FILE"); the window runs
// until RESULTS results are in its table or SECONDS (1 to 1800) have passed, then its rows are
// printed ("row: CELL | CELL | ...", the newest first) and its count ("finished: N"), and the
// lesson is ended by «Закончить урок» before the exit. With --lesson-address, the lesson's address
// for the results is also written into the test (Alt+Т, А) right after the start, and printed
// ("handler: URL"), for pupils who open the test from its folder. With --picture, the image file
// IMAGE becomes the picture of question QUESTION of stage STAGE through «Добавить рисунок…» and
// the file dialog, and the picture's name is printed ("picture: 9.gif"). The exit status is 0 when every
// step did what the window promised (for a lesson, when RESULTS results came in time).

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <chrono>
#include <cstdlib>
#include <iostream>

#include "../Rig.h"
#include "lifecycle/Editor.h"
#include "shell/Disk.h"
#include "qt/EditWindow.h"
#include "qt/ImageReader.h"
#include "qt/Language.h"
#include "lifecycle/Generators.h"
#include "lifecycle/RecentTests.h"

namespace {

struct Request {
  enum { Edit, Import, RoundTrip, Print, Check, Browser, Open, Lesson, LessonAddress, Picture } mode = Edit;
  std::filesystem::path shell;
  int stage = 0, question = 0;
  std::vector<std::pair<int, QString>> fields;
  QString right;
  std::vector<std::pair<std::filesystem::path, int>> imports;  // a file and its first stage
  std::filesystem::path text;  // the text written out; the printed page; the other test; the image
  int row = 0;
  int results = 0, seconds = 0;  // a lesson's: how many results to wait for, and how long at most
};
Request request;

// Selects the whole text of a field and types the new text over it.
void typeOver(QWidget* field, const QString& text) {
  ASSERT_NE(field, nullptr);
  field->setFocus();
  QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(field, Qt::Key_Delete);
  ASSERT_TRUE(qttest::textOf(field).isEmpty());
  qttest::typeInto(field, text);
}

// The program's window on the real disk, clock and generator, with its message boxes recorded.
struct Program {
  shell::RealDisk disk;
  lifecycle::SystemClock clock;
  lifecycle::FixedStartRandom random;
  lifecycle::SystemBrowser browser;
  support::RecordingDialogs dialogs;
  std::vector<QString> errors;
  qt::EditWindow window{dialogs, [this](QWidget*, const QString& m) { errors.push_back(m); }};
  qt::ImageReader images;
  lifecycle::Editor::Seams seams{disk, dialogs, clock, random, &window, &browser, &images};
  lifecycle::Editor editor{seams, request.shell};
  lifecycle::RecentTests recent{disk, lifecycle::recentTestsFile()};

  Program() {
    window.attach(editor);
    window::LessonSetup lesson{&disk, {}, {}};
    lesson.options.server.listen = {"127.0.0.1", "::1"};
    // A whole class of browsers on this one machine shares the loopback's address, which would
    // otherwise be refused beyond thirty results a minute.
    lesson.options.resultsPerMinute = 1000;
    window.setProgram({[this](const std::filesystem::path& folder) {
                         return std::make_unique<lifecycle::Editor>(seams, folder);
                       },
                       &recent, lifecycle::documentsFolder(), lesson});
  }
  void start() {
    ASSERT_TRUE(window.load()) << (errors.empty() ? "" : errors.front().toStdString());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  }
  void exit() {
    qttest::click(qobject_cast<QAbstractButton*>(window.control("cmdEnd")));
    ASSERT_TRUE(errors.empty()) << errors.front().toStdString();
    EXPECT_TRUE(editor.unloaded());
    EXPECT_EQ(window.exitCode(), 0);
    for (const auto& box : dialogs.shown) ADD_FAILURE() << "unexpected message box: " << box.text;
  }
};

TEST(EditFlow, ImportOrWriteOut) {
  if (request.mode != Request::Import && request.mode != Request::RoundTrip) GTEST_SKIP();
  Program p;
  p.start();
  if (request.mode == Request::RoundTrip) {
    const qttest::ModalWait file = qttest::answerFile(request.text);
    qttest::chooseItem(&p.window, u'ф', u'с');
    ASSERT_TRUE(std::filesystem::exists(request.text));
    request.imports = {{request.text, 1}};
  }
  for (const auto& [file, stage] : request.imports) {
    QString summary;
    const auto waits = qttest::answerImport(file, stage, 1, &summary);
    qttest::chooseItem(&p.window, u'ф', u'и');
    ASSERT_TRUE(p.errors.empty()) << p.errors.front().toStdString();
    std::cout << "imported " << file.filename().string() << " from stage " << stage << ":\n"
              << summary.toStdString() << "\n";
  }
  std::cout << "stages: " << p.editor.state().StageCount << "\n";
  p.exit();
}

// The test as a whole, through the menu Тест and Файл.
TEST(EditFlow, TheTestAsAWhole) {
  if (request.mode < Request::Print || request.mode > Request::Open) GTEST_SKIP();
  Program p;
  p.start();
  auto* stages = qobject_cast<QListWidget*>(p.window.control("List1"));
  auto* questions = qobject_cast<QListWidget*>(p.window.control("List2"));
  switch (request.mode) {
    case Request::Print: {
      const qttest::ModalWait page = qttest::answerFile(request.text);
      qttest::chooseItem(&p.window, u'т', u'п');
      break;
    }
    case Request::Check: {
      qttest::ModalWait list = qttest::whenModal([](QWidget* w) { return w->findChild<QTreeWidget*>("rows") != nullptr; }, [](QWidget* w) {
        auto* rows = w->findChild<QTreeWidget*>("rows");
        for (int i = 0; i < rows->topLevelItemCount(); ++i) {
          const QTreeWidgetItem* row = rows->topLevelItem(i);
          std::cout << "row: " << row->text(0).toStdString() << " | " << row->text(1).toStdString() << " | "
                    << row->text(2).toStdString() << "\n";
        }
        for (int i = 0; i < request.row; ++i) QTest::keyClick(rows, Qt::Key_Down);
        QTest::keyClick(rows, Qt::Key_Return);
      });
      qttest::chooseItem(&p.window, u'т', u'р');
      if (!p.dialogs.shown.empty()) list.forgo();  // a test without slips gets a box, not the list
      for (const auto& box : p.dialogs.shown) std::cout << "box: " << box.text << "\n";
      p.dialogs.shown.clear();
      std::cout << "shown: " << p.editor.state().CurStage << " " << p.editor.state().CurQuestion << "\n";
      break;
    }
    case Request::Browser:
      qttest::chooseItem(&p.window, u'т', u'б');
      qttest::clickRow(stages, request.stage - 1);
      qttest::clickRow(questions, request.question - 1);
      qttest::chooseItem(&p.window, u'т', u'в');
      break;
    case Request::Open: {
      qttest::clickRow(stages, 0);
      qttest::clickRow(questions, 0);
      typeOver(p.window.control("Text1(0)"), QString::fromUtf8("Изменено перед открытием другого теста"));
      p.dialogs.choices = {lifecycle::Dialogs::Answer::Yes};
      const qttest::ModalWait folder = qttest::answerFile(request.text);
      qttest::chooseItem(&p.window, u'ф', u'о');
      ASSERT_EQ(p.dialogs.shown.size(), 1u);
      EXPECT_TRUE(p.dialogs.shown[0].yesNoCancel);
      p.dialogs.shown.clear();
      ASSERT_TRUE(p.errors.empty()) << p.errors.front().toStdString();
      std::cout << "stages of the other test: " << stages->count() << "\n";
      qttest::clickRow(stages, 1);
      qttest::clickRow(questions, 1);
      typeOver(p.window.control("Text1(0)"), QString::fromUtf8("Вопрос другого теста"));
      qttest::click(qobject_cast<QAbstractButton*>(p.window.control("cmdSave")));
      break;
    }
    default:
      break;
  }
  ASSERT_TRUE(p.errors.empty()) << p.errors.front().toStdString();
  p.exit();
}

// A lesson through the menu, its window watched until the class's results are in, then ended.
TEST(EditFlow, ALessonUntilTheResultsAreIn) {
  if (request.mode != Request::Lesson && request.mode != Request::LessonAddress) GTEST_SKIP();
  Program p;
  p.start();
  qttest::chooseItem(&p.window, u'т', u'к');
  for (const auto& box : p.dialogs.shown) std::cout << "box: " << box.text << "\n";
  ASSERT_TRUE(p.errors.empty()) << p.errors.front().toStdString();
  ASSERT_NE(p.window.lesson(), nullptr) << "no lesson started";
  QWidget* lesson = p.window.lessonWindow();
  ASSERT_NE(lesson, nullptr);
  const QString address = lesson->findChild<QLabel*>("addresses")->text().split(QLatin1Char('\n')).front();
  std::cout << "address: " << address.toStdString() << std::endl;
  std::cout << "database: " << p.window.lessonStore().string() << std::endl;
  if (request.mode == Request::LessonAddress) {
    qttest::chooseItem(&p.window, u'т', u'а');
    ASSERT_TRUE(p.errors.empty()) << p.errors.front().toStdString();
    std::cout << "handler: " << qttest::textOf(p.window.control("txtAddr")).toStdString() << std::endl;
    EXPECT_EQ(qttest::textOf(p.window.control("txtAddr")).toStdString(), p.window.lesson()->resultsAddress());
  }

  auto* rows = lesson->findChild<QTreeWidget*>("rows");
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(request.seconds);
  while (rows->topLevelItemCount() < request.results && std::chrono::steady_clock::now() < deadline) {
    QTest::qWait(50);
  }
  for (int i = 0; i < rows->topLevelItemCount(); ++i) {
    QStringList cells;
    for (int c = 0; c < rows->columnCount(); ++c) cells << rows->topLevelItem(i)->text(c);
    std::cout << "row: " << cells.join(QStringLiteral(" | ")).toStdString() << "\n";
  }
  const QString finished = lesson->findChild<QLabel*>("finished")->text();
  std::cout << "finished: " << finished.mid(finished.lastIndexOf(QLatin1Char(' ')) + 1).toStdString() << std::endl;
  EXPECT_GE(rows->topLevelItemCount(), request.results)
      << "only " << rows->topLevelItemCount() << " of " << request.results << " results in " << request.seconds << " s";

  p.dialogs.answers = {true};
  qttest::click(lesson->findChild<QPushButton*>("end"));
  ASSERT_EQ(p.dialogs.shown.size(), 1u);
  EXPECT_EQ(p.dialogs.shown[0].text, window::dialog::kLessonEndQuestion);
  p.dialogs.shown.clear();
  EXPECT_EQ(p.window.lesson(), nullptr);
  EXPECT_EQ(p.window.lessonWindow(), nullptr);
  p.exit();
}

// A new picture for a question from an image file, through «Добавить рисунок…» and its file
// dialog; the name it was given is printed ("picture: 9.gif").
TEST(EditFlow, APictureFromAnImageFile) {
  if (request.mode != Request::Picture) GTEST_SKIP();
  Program p;
  p.start();
  qttest::clickRow(qobject_cast<QListWidget*>(p.window.control("List1")), request.stage - 1);
  qttest::clickRow(qobject_cast<QListWidget*>(p.window.control("List2")), request.question - 1);
  {
    const qttest::ModalWait file = qttest::answerFile(request.text);
    qttest::click(qobject_cast<QAbstractButton*>(p.window.control("cmdAddPicture")));
  }
  ASSERT_TRUE(p.errors.empty()) << p.errors.front().toStdString();
  const auto* pictures = qobject_cast<QListWidget*>(p.window.control("File2"));
  ASSERT_NE(pictures->currentItem(), nullptr);
  std::cout << "picture: " << pictures->currentItem()->text().toStdString() << "\n";
  p.exit();
}

TEST(EditFlow, ChooseChangeSaveAndExit) {
  if (request.mode != Request::Edit) GTEST_SKIP();
  Program program;
  program.start();
  qt::EditWindow& window = program.window;
  lifecycle::Editor& editor = program.editor;
  std::vector<QString>& errors = program.errors;

  auto* stages = qobject_cast<QListWidget*>(window.control("List1"));
  auto* questions = qobject_cast<QListWidget*>(window.control("List2"));
  qttest::clickRow(stages, request.stage - 1);
  qttest::clickRow(questions, request.question - 1);
  ASSERT_TRUE(errors.empty()) << errors.front().toStdString();
  ASSERT_EQ(editor.state().CurStage, request.stage);
  ASSERT_EQ(editor.state().CurQuestion, request.question);

  auto field = [&](int i) { return window.control("Text1(" + std::to_string(i) + ")"); };
  for (const auto& [i, text] : request.fields) {
    std::cout << "before: field " << i << " \"" << qttest::textOf(field(i)).toStdString() << "\"\n";
    typeOver(field(i), text);
    EXPECT_EQ(qttest::textOf(field(i)), text);
  }
  std::cout << "before: right answer " << qttest::textOf(field(5)).toStdString() << "\n";
  typeOver(field(5), request.right);
  EXPECT_EQ(qttest::textOf(field(5)), request.right);

  qttest::click(qobject_cast<QAbstractButton*>(window.control("cmdSave")));
  ASSERT_TRUE(errors.empty()) << errors.front().toStdString();

  program.exit();
  EXPECT_TRUE(window.ended());
  std::cout << "saved and closed: stage " << request.stage << ", question " << request.question
            << "\n";
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  qt::speakRussian(application);
  ::testing::InitGoogleTest(&argc, argv);
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "--import" && argc >= 5 && argc % 2 == 1) {
    request.mode = Request::Import;
    request.shell = argv[2];
    for (int i = 3; i + 1 < argc; i += 2) {
      request.imports.emplace_back(std::filesystem::absolute(argv[i]), std::atoi(argv[i + 1]));
    }
    return RUN_ALL_TESTS();
  }
  if ((mode == "--lesson" || mode == "--lesson-address") && argc == 5) {
    request.mode = mode == "--lesson" ? Request::Lesson : Request::LessonAddress;
    request.shell = std::filesystem::absolute(argv[2]);
    request.results = std::atoi(argv[3]);
    request.seconds = std::atoi(argv[4]);
    if (request.results < 0 || request.seconds < 1 || request.seconds > 1800) {
      std::cerr << "edit_flow: " << mode << " takes the shell, the results to wait for and 1 to 1800 seconds\n";
      return 2;
    }
    return RUN_ALL_TESTS();
  }
  if (mode == "--round-trip" && argc == 4) {
    request.mode = Request::RoundTrip;
    request.shell = argv[2];
    request.text = std::filesystem::absolute(argv[3]);
    return RUN_ALL_TESTS();
  }
  const std::pair<const char*, int> whole[] = {
      {"--print", Request::Print}, {"--check", Request::Check}, {"--browser", Request::Browser}, {"--open", Request::Open}};
  for (const auto& [name, kind] : whole) {
    if (mode != name) continue;
    const int needed = kind == Request::Browser ? 5 : 4;
    if (argc != needed) {
      std::cerr << "edit_flow: " << name << " takes the shell and " << (needed - 3) << " more\n";
      return 2;
    }
    request.mode = static_cast<decltype(request.mode)>(kind);
    request.shell = std::filesystem::absolute(argv[2]);  // as the program finds it
    if (kind == Request::Print || kind == Request::Open) request.text = std::filesystem::absolute(argv[3]);
    if (kind == Request::Check) request.row = std::atoi(argv[3]);
    if (kind == Request::Browser) {
      request.stage = std::atoi(argv[3]);
      request.question = std::atoi(argv[4]);
    }
    return RUN_ALL_TESTS();
  }
  if (mode == "--picture" && argc == 6) {
    request.mode = Request::Picture;
    request.shell = std::filesystem::absolute(argv[2]);
    request.stage = std::atoi(argv[3]);
    request.question = std::atoi(argv[4]);
    request.text = std::filesystem::absolute(argv[5]);
    return RUN_ALL_TESTS();
  }
  if (argc < 7 || argc % 2 != 1) {
    std::cerr << "usage: edit_flow SHELL STAGE QUESTION RIGHT FIELD TEXT [FIELD TEXT ...]\n"
                 "       edit_flow --import SHELL FILE STAGE [FILE STAGE ...]\n"
                 "       edit_flow --round-trip SHELL TEXT\n"
                 "       edit_flow --print SHELL PAGE | --check SHELL ROW | --browser SHELL STAGE QUESTION\n"
                 "       edit_flow --open SHELL OTHER\n"
                 "       edit_flow --lesson SHELL RESULTS SECONDS | --lesson-address SHELL RESULTS SECONDS\n"
                 "       edit_flow --picture SHELL STAGE QUESTION IMAGE\n";
    return 2;
  }
  request.shell = argv[1];
  request.stage = std::atoi(argv[2]);
  request.question = std::atoi(argv[3]);
  request.right = QString::fromUtf8(argv[4]);
  for (int i = 5; i + 1 < argc; i += 2) {
    request.fields.emplace_back(std::atoi(argv[i]), QString::fromUtf8(argv[i + 1]));
    if (request.fields.back().first < 0 || request.fields.back().first > 4) {
      std::cerr << "edit_flow: a field is 0 (the question text) to 4\n";
      return 2;
    }
  }
  if (request.stage < 1 || request.stage > 10 || request.question < 1 || request.question > 10) {
    std::cerr << "edit_flow: stage and question are 1 to 10\n";
    return 2;
  }
  return RUN_ALL_TESTS();
}
