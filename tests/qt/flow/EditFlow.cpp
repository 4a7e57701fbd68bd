// Drives the editor program's own window over a real shell, as a teacher would: start-up, a stage
// and a question chosen in the lists, fields of the question and the right-answer number typed
// over, save, and the exit button. Everything goes through the toolkit's events on the offscreen
// platform, with the real disk, clock and generator; only the message boxes are recorded instead
// of shown, since none is expected and a modal box would wait for a click that never comes.
//
//   edit_flow SHELL STAGE QUESTION RIGHT FIELD TEXT [FIELD TEXT ...]
//
// Each TEXT is UTF-8 and replaces the whole of field FIELD: 0 the question text, 1 to 4 the
// answers; RIGHT replaces the right-answer number. The exit status is 0 when every step did what
// the window promised.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <cstdlib>
#include <iostream>

#include "../Rig.h"
#include "lifecycle/Editor.h"
#include "shell/Disk.h"
#include "qt/EditWindow.h"
#include "lifecycle/Generators.h"

namespace {

struct Request {
  std::filesystem::path shell;
  int stage = 0, question = 0;
  std::vector<std::pair<int, QString>> fields;
  QString right;
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

TEST(EditFlow, ChooseChangeSaveAndExit) {
  shell::RealDisk disk;
  lifecycle::SystemClock clock;
  lifecycle::FixedStartRandom random;
  support::RecordingDialogs dialogs;
  std::vector<QString> errors;
  qt::EditWindow window(dialogs, [&](QWidget*, const QString& m) { errors.push_back(m); });
  lifecycle::Editor editor({disk, dialogs, clock, random, &window}, request.shell);
  window.attach(editor);

  ASSERT_TRUE(window.load()) << (errors.empty() ? "" : errors.front().toStdString());
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

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

  qttest::click(qobject_cast<QAbstractButton*>(window.control("cmdEnd")));
  ASSERT_TRUE(errors.empty()) << errors.front().toStdString();
  EXPECT_TRUE(editor.unloaded());
  EXPECT_TRUE(window.ended());
  EXPECT_EQ(window.exitCode(), 0);
  for (const auto& box : dialogs.shown) ADD_FAILURE() << "unexpected message box: " << box.text;
  std::cout << "saved and closed: stage " << request.stage << ", question " << request.question
            << "\n";
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  if (argc < 7 || argc % 2 != 1) {
    std::cerr << "usage: edit_flow SHELL STAGE QUESTION RIGHT FIELD TEXT [FIELD TEXT ...]\n";
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
