// The check for slips, on the model test and on each slip put into it.

#include <gtest/gtest.h>

#include <functional>

#include "ModelTest.h"
#include "workbench/Check.h"

namespace workbench {

void PrintTo(const Finding& f, std::ostream* out) {
  *out << f.stage << "." << f.question << " " << f.what;
}

namespace {

TEST(Check, TheModelTestHasNoSlipAndEachSlipIsFoundWhereItIs) {
  const workbench::Test model = workbench_test::modelTest();
  EXPECT_EQ(checkTest(model), std::vector<Finding>{});
  struct Case {
    std::function<void(workbench::Test&)> slip;
    std::vector<Finding> found;
  };
  const auto q = [](workbench::Test& t, int s, int k) -> Question& {
    return t.stages[s - 1][k - 1];
  };
  const Case cases[] = {
      {[&](auto& t) { q(t, 2, 3).text = " \xA0\t"; }, {{2, 3, "пустой текст вопроса"}}},
      {[&](auto& t) { q(t, 1, 1).answers[1] = ""; }, {{1, 1, "пустой ответ 2"}}},
      {[&](auto& t) {
         q(t, 1, 1).answers = {"\xC4\xE0", "\xE4 \xC0", "\xED\xE5\xF2", "\xC4\xE0"};
       },
       {{1, 1, "ответы 1 и 2 одинаковы"},
        {1, 1, "ответы 1 и 4 одинаковы"},
        {1, 1, "ответы 2 и 4 одинаковы"}}},
      {[&](auto& t) { q(t, 6, 10).right = "5"; },
       {{6, 10, "номер правильного ответа «5» — не число от 1 до 4"}}},
      {[&](auto& t) { q(t, 6, 10).right = " 2"; },
       {{6, 10, "номер правильного ответа « 2» — не число от 1 до 4"}}},
      {[&](auto& t) { q(t, 3, 4).answers[q(t, 3, 4).right[0] - '1'] = " "; },
       {{3, 4, "пустой ответ " + q(const_cast<workbench::Test&>(model), 3, 4).right},
        {3, 4,
         "правильный ответ " + q(const_cast<workbench::Test&>(model), 3, 4).right + " пустой"}}},
      {[&](auto& t) { q(t, 4, 1).picture = "9"; },
       {{4, 1, "рисунка 9.gif нет в папке рисунков (pics)"}}},
      {[&](auto& t) { q(t, 4, 1).picture = ""; },
       {{4, 1, "рисунок не выбран: строка рисунка пуста"}}},
      {[&](auto& t) {
         t.stages.push_back(t.stages[5]);
         t.stages.back().resize(3);
       },
       {{7, 0, "в этапе 3 вопросов из 10: этап не дописан"},
        {7, 1,
         "текст и ответы те же, что у вопроса 1 этапа 6: похоже, это копия, которую забыли "
         "заменить"},
        {7, 2,
         "текст и ответы те же, что у вопроса 2 этапа 6: похоже, это копия, которую забыли "
         "заменить"},
        {7, 3,
         "текст и ответы те же, что у вопроса 3 этапа 6: похоже, это копия, которую забыли "
         "заменить"}}},
      {[&](auto& t) {
         t.minutes = "0";
         t.passMark = "101";
       },
       {{0, 0, "длительность теста должна быть положительным числом минут, а записано «0»"},
        {0, 0,
         "минимальный процент правильных ответов должен быть числом от 1 до 100, а записано "
         "«101»"}}},
      {[&](auto& t) {
         t.minutes = "\xEC\xE8\xED";
         t.passMark = "";
       },
       {{0, 0, "длительность теста должна быть положительным числом минут, а записано «мин»"},
        {0, 0,
         "минимальный процент правильных ответов должен быть числом от 1 до 100, а записано «»"}}},
      {[&](auto& t) {
         t.minutes = " 1,5 ";
         t.passMark = "100";
       },
       {}},
      {[&](auto& t) { t.stages.clear(); }, {{0, 0, "в тесте нет ни одного этапа"}}},
  };
  for (const Case& c : cases) {
    workbench::Test test = model;
    c.slip(test);
    EXPECT_EQ(checkTest(test), c.found) << (c.found.empty() ? "" : c.found.front().what);
  }
}

}  // namespace
}  // namespace workbench
