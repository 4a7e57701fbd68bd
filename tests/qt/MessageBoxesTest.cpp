// The editor's message boxes in Qt.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <functional>

#include "Rig.h"
#include "window/About.h"
#include "qt/MessageBoxes.h"

namespace qttest {
namespace {

// Runs `show`, which opens a modal box, and answers the box with `press` once it is up,
// recording what it looked like.
struct SeenBox {
  QString title, text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  bool seen = false;
  QStringList labels;
};
SeenBox answer(QMessageBox::StandardButton press, const std::function<void()>& show) {
  SeenBox seen;
  const ModalWait wait = whenModal([](QWidget* w) { return qobject_cast<QMessageBox*>(w) != nullptr; },
                                  [&](QWidget* w) {
                                    auto* box = static_cast<QMessageBox*>(w);
                                    seen = {box->windowTitle(), box->text(), box->icon(), box->standardButtons(), true, {}};
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
}

}  // namespace
}  // namespace qttest
