// The help box and the editor's message boxes.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "Rig.h"
#include "ui/About.h"
#include "ui/MessageBoxes.h"

namespace uitest {
namespace {

const char* const kParagraphs[] = {
    "Программа VARNOLIX, входящая в состав комплекса, предназначена для редактирования и наполнения гипертекстовой оболочки теста, вызываемого через index.html.",
    "Первичное наполнение оболочки — модельный тест по курсу информатики. Он состоит из 6 этапов по 10 вопросов в каждом.",
    "Программа VARNOLIX позволяет:",
    "— модифицировать содержание этапов;",
    "— убавлять число этапов;",
    "— дополнять тест новыми этапами (до 10 включительно);",
    "— производить сквозное «перемешивание» вопросов.",
    "При работе с программой необходимо учитывать следующее.",
    "1. Для модификации задания нужно выбрать в списках номер этапа и номер вопроса; далее — 'Сохранить изменения'. Прочие поля сохранятся при завершении программы.",
    "2. При добавлении нового этапа, необходимо ПОСЛЕДОВАТЕЛЬНО ввести ВСЕ его задания ЗА ОДИН СЕАНС работы, выбирая в списках номера этапа и вопроса.",
    "Если в режиме добавления нового уровня произошло аварийное завершение программы, необходимо перед возобновлением работы произвести 'холостой' цикл ее запуска—завершения.",
};
const char* const kTitle = "О «Лорвакс». — Ксарвин";

std::string expectedText() {
  std::string text = kParagraphs[0];
  for (std::size_t i = 1; i < std::size(kParagraphs); ++i) text += std::string("\r") + kParagraphs[i];
  return text;
}

TEST(About, TextCharacterForCharacter) {
  const std::string text = ui::aboutText();
  EXPECT_EQ(text, expectedText());
  EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 10);
  EXPECT_EQ(text.find('\n'), std::string::npos);
  EXPECT_EQ(ui::aboutTitle(), kTitle);

  const QString shown = QString::fromStdString(text);
  EXPECT_EQ(shown.count(QChar(0x2014)), 7);  // em dashes: paragraphs 2, 4 to 7, 9 and 11
  EXPECT_EQ(shown.count(QChar(0x00AB)), 1);
  EXPECT_EQ(shown.count(QChar(0x00BB)), 1);
  EXPECT_EQ(shown.count(QChar('\'')), 4);
  EXPECT_TRUE(shown.contains(QString::fromUtf8("запуска—завершения")));
}

TEST(About, ButtonShowsTheBoxEachTimeAndChangesNothing) {
  Started s;
  Rig& r = *s.rig;
  const auto before = support::snapshot(s.root());
  const std::string labelBefore = r.editor.form.Label9.Caption;
  click(r.button("cmdAbout"));
  click(r.button("cmdAbout"));
  ASSERT_EQ(r.dialogs.shown.size(), 2u);
  for (const auto& box : r.dialogs.shown) {
    EXPECT_EQ(box.text, expectedText());
    EXPECT_EQ(box.title, kTitle);
    EXPECT_FALSE(box.okCancel);
  }
  EXPECT_EQ(support::snapshot(s.root()), before);
  EXPECT_EQ(r.writes(), 0);
  EXPECT_EQ(r.editor.form.Label9.Caption, labelBefore);
  EXPECT_FALSE(r.window.ended());
}

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
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    seen = {box->windowTitle(), box->text(), box->icon(), box->standardButtons(), true, {}};
    for (const auto* button : box->buttons()) seen.labels << button->text();
    box->button(press)->click();
  });
  show();
  return seen;
}

TEST(MessageBoxes, PlainBoxesWithTheirButtons) {
  ui::MessageBoxes boxes;
  const SeenBox about = answer(QMessageBox::Ok, [&] { boxes.inform(ui::aboutText(), ui::aboutTitle()); });
  ASSERT_TRUE(about.seen);
  EXPECT_EQ(about.title.toStdString(), kTitle);
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
  EXPECT_EQ(yes.icon, QMessageBox::NoIcon);
  const SeenBox no = answer(QMessageBox::Cancel, [&] { ok = boxes.confirm("Удалить?", "VARNOLIX"); });
  ASSERT_TRUE(no.seen);
  EXPECT_FALSE(ok);

  auto chosen = lifecycle::Dialogs::Answer::Yes;
  SeenBox three = answer(QMessageBox::No, [&] { chosen = boxes.ask("Сохранить?", kTitle); });
  EXPECT_EQ(chosen, lifecycle::Dialogs::Answer::No);
  three.labels.sort();
  EXPECT_EQ(three.labels, (QStringList{"Да", "Нет", "Отмена"}));

  const SeenBox error = answer(QMessageBox::Ok, [&] {
    ui::showError(nullptr, QString::fromUtf8("1.js: файл не найден"));
  });
  ASSERT_TRUE(error.seen);
  EXPECT_EQ(error.title, "Редактор теста");
  EXPECT_EQ(error.icon, QMessageBox::Critical);
  EXPECT_EQ(error.buttons, QMessageBox::Ok);
  EXPECT_EQ(error.text, "1.js: файл не найден");
}

}  // namespace
}  // namespace uitest
