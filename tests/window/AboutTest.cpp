// The help box's text, shared by both windows.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "window/About.h"

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
  const std::string text = window::aboutText();
  EXPECT_EQ(text, expectedText());
  EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 10);
  EXPECT_EQ(text.find('\n'), std::string::npos);
  EXPECT_EQ(window::aboutTitle(), kTitle);

  const auto count = [&text](std::string_view what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count("—"), 7u);  // em dashes: paragraphs 2, 4 to 7, 9 and 11
  EXPECT_EQ(count("«"), 1u);
  EXPECT_EQ(count("»"), 1u);
  EXPECT_EQ(count("'"), 4u);
  EXPECT_NE(text.find("запуска—завершения"), std::string::npos);
}

}  // namespace
