// The check for slips, on the model test and on each slip put into it.

#include "workbench/Check.h"

#include <gtest/gtest.h>

#include <clocale>
#include <functional>

#include "ModelTest.h"

namespace workbench {

void PrintTo(const Finding& f, std::ostream* out) { *out << f.stage << "." << f.question << " " << f.what; }

namespace {

// clang-format off
TEST(Check, TheModelTestHasNoSlipAndEachSlipIsFoundWhereItIs) {
  const workbench::Test model = workbench_test::modelTest();
  EXPECT_EQ(checkTest(model), std::vector<Finding>{});
  using T = workbench::Test;
  const std::string copy = ": похоже, это копия, которую забыли заменить";
  const std::string oneDigit = ": строка рисунка на странице хранит одну цифру. Назовите его свободной цифрой от 1 до 9 "
                               "(например, 4.gif)";
  const std::pair<std::function<void(T&)>, std::vector<Finding>> cases[] = {
      {[](T& t) { t.stages[1][2].text = " \xA0\t"; }, {{2, 3, "пустой текст вопроса"}}},
      {[](T& t) { t.stages[0][0].answers[1] = ""; }, {{1, 1, "пустой ответ 2"}}},
      {[](T& t) { t.stages[0][0].answers = {"\xC4\xE0", "\xE4 \xC0", "\xED\xE5\xF2", "\xC4\xE0"}; },
       {{1, 1, "ответы 1 и 2 одинаковы"}, {1, 1, "ответы 1 и 4 одинаковы"}, {1, 1, "ответы 2 и 4 одинаковы"}}},
      {[](T& t) { t.stages[5][9].right = "5"; }, {{6, 10, "номер правильного ответа «5» — не число от 1 до 4"}}},
      {[](T& t) { t.stages[5][9].right = " 2"; }, {{6, 10, "номер правильного ответа « 2» — не число от 1 до 4"}}},
      {[](T& t) { t.stages[2][3].right = "2"; t.stages[2][3].answers[1] = " "; },
       {{3, 4, "пустой ответ 2"}, {3, 4, "правильный ответ 2 пустой"}}},
      {[](T& t) { t.stages[3][0].picture = "9"; }, {{4, 1, "рисунка 9.gif нет в папке рисунков (pics)"}}},
      {[](T& t) { t.stages[3][0].picture = ""; }, {{4, 1, "рисунок не выбран: строка рисунка пуста"}}},
      {[](T& t) { t.stages.push_back(t.stages[5]); t.stages.back().resize(2); },
       {{7, 0, "в этапе 2 вопросов из 10: этап не дописан"},
        {7, 1, "текст и ответы те же, что у вопроса 1 этапа 6" + copy},
        {7, 2, "текст и ответы те же, что у вопроса 2 этапа 6" + copy}}},
      {[](T& t) { t.minutes = "0"; t.passMark = "101"; },
       {{0, 0, "длительность теста должна быть положительным числом минут, а записано «0»"},
        {0, 0, "минимальный процент правильных ответов должен быть числом от 1 до 100, а записано «101»"}}},
      {[](T& t) { t.minutes = "\xEC\xE8\xED"; t.passMark = ""; },
       {{0, 0, "длительность теста должна быть положительным числом минут, а записано «мин»"},
        {0, 0, "минимальный процент правильных ответов должен быть числом от 1 до 100, а записано «»"}}},
      {[](T& t) { t.minutes = " 1,5 "; t.passMark = "100"; }, {}},
      {[](T& t) { t.stages.clear(); }, {{0, 0, "в тесте нет ни одного этапа"}}},
      // The pictures: one no question shows any more (1.gif, shown only by question 1 of stage
      // 5), 0.gif, which a page could show, and names no page can hold, shown or not.
      {[](T& t) { t.stages[4][0].picture = "00"; t.pictures["0"] = "GIF89a"; },
       {{0, 0, "рисунок 0.gif не показан ни в одном вопросе"}, {0, 0, "рисунок 1.gif не показан ни в одном вопросе"}}},
      {[](T& t) { for (const char* name : {"10", "a", "\xD1\x80\xD0\xB8\xD1\x81"}) t.pictures[name] = "GIF89a"; t.stages[0][0].picture = "a"; },
       {{0, 0, "рисунок «10.gif» в папке pics нельзя выбрать для вопроса" + oneDigit},
        {0, 0, "рисунок «a.gif» в папке pics нельзя выбрать для вопроса" + oneDigit},
        {0, 0, "рисунок «рис.gif» в папке pics нельзя выбрать для вопроса" + oneDigit}}},
  };
  for (const auto& [slip, found] : cases) {
    workbench::Test test = model;
    slip(test);
    EXPECT_EQ(checkTest(test), found) << (found.empty() ? "" : found.front().what);
  }
}
// clang-format on

// The duration and the pass mark read as the quiz reads them, whatever the program's locale: a
// Russian one writes numbers with a comma, which the C library's readers stop at.
TEST(Check, NumbersReadAsTheQuizReadsThemInARussianLocale) {
  const std::string before = std::setlocale(LC_NUMERIC, nullptr);
  if (std::setlocale(LC_NUMERIC, "ru_RU.UTF-8") == nullptr) GTEST_SKIP() << "no ru_RU.UTF-8 locale (scripts/setup.sh makes it)";
  const std::pair<const char*, std::optional<double>> cases[] = {
      {"60.5", 60.5}, {" 60,5 ", 60.5}, {"+7", 7.0}, {".5", 0.5}, {"-2.", -2.0}, {"1e3", std::nullopt}, {"6 0", std::nullopt}};
  for (const auto& [text, value] : cases) EXPECT_EQ(quizNumber(text), value) << text;
  std::setlocale(LC_NUMERIC, before.c_str());
}

}  // namespace
}  // namespace workbench
