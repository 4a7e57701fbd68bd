// Questions read from text and the test written as text, on bytes alone.

#include <gtest/gtest.h>

#include "ModelTest.h"
#include "support/Fixtures.h"
#include "window/CodePage.h"
#include "workbench/Check.h"
#include "workbench/QuestionText.h"

namespace workbench {
namespace {

using workbench_test::question;

// Page bytes of a UTF-8 literal, as a field of a page would hold it.
std::string cp(std::string_view utf8) {
  return window::toCodePage(window::fromUtf8(utf8).value(), window::FieldRule::References).value();
}

std::vector<Question> questionsOf(const ReadResult& r) {
  std::vector<Question> out;
  for (const TextQuestion& q : r.questions) out.push_back(q.question);
  return out;
}

std::vector<std::string> problemsOf(const std::vector<Problem>& problems) {
  std::vector<std::string> out;
  for (const Problem& p : problems) out.push_back(p.text());
  return out;
}

TEST(QuestionText, ProblemNamesItsLine) {
  EXPECT_EQ((Problem{14, "вопрос без текста"}.text()), "строка 14: вопрос без текста");
  EXPECT_EQ((Problem{0, "в файле нет ни одного вопроса"}.text()), "в файле нет ни одного вопроса");
}

TEST(QuestionText, ReadsEveryFormATeacherWrites) {
  const Question abcd =
      question(cp("Столица?"), {cp("Москва"), cp("Тула"), cp("Орёл"), cp("Тверь")}, "1");
  struct Case {
    const char* what;
    std::string file;
    std::vector<Question> expected;
  };
  const Case cases[] = {
      {"Cyrillic labels, a letter, CR LF",
       "Столица?\r\nА) Москва\r\nБ) Тула\r\nВ) Орёл\r\nГ) Тверь\r\nОтвет: А\r\n",
       {abcd}},
      {"Aiken, LF", "Столица?\nA. Москва\nB. Тула\nC. Орёл\nD. Тверь\nANSWER: A\n", {abcd}},
      {"digits, a number, lone CR",
       "1) Столица?\r1) Москва\r2) Тула\r3) Орёл\r4) Тверь\rОтвет: 1",
       {abcd}},
      {"a plus, lower case, spaces",
       "  Вопрос 7.  \n Столица? \n+а. Москва\nб. Тула\nв) Орёл\n г) Тверь\n",
       {abcd}},
      {"Windows-1251 bytes",
       "\xD1\xF2\xEE\xEB\xE8\xF6\xE0?\r\n\xC0) \xCC\xEE\xF1\xEA\xE2\xE0\r\n\xC1) "
       "\xD2\xF3\xEB\xE0\r\n\xC2) "
       "\xCE\xF0\xB8\xEB\r\n\xC3) \xD2\xE2\xE5\xF0\xFC\r\n\xCE\xF2\xE2\xE5\xF2: \xC0\r\n",
       {abcd}},
      {"two questions, blank lines, a picture, an empty answer",
       "\xEF\xBB\xBF\n\n1. Что на рисунке?\nРисунок: 3.gif\nА) √2\nБ)\nВ) π ≤ 4 😀\n+Г) "
       "&amp;\n\n\n\n2. Ещё\nодна строка\nА) 1\nБ) 2\nВ) 3\nГ) 4\nответ : б)\n",
       {question(cp("Что на рисунке?"), {"&#8730;2", "", "&#960; &#8804; 4 &#128512;", "&amp;"},
                 "4", "3"),
        question(cp("Ещё одна строка"), {"1", "2", "3", "4"}, "2")}},
      // Letters drawn alike name the label of the question's own alphabet.
      {"Latin B in a Cyrillic question",
       "Q\nА) a\nБ) b\nВ) c\nГ) d\nОтвет: B\n",
       {question("Q", {"a", "b", "c", "d"}, "3")}},
      {"Cyrillic В in a Latin question",
       "Q\nA) a\nB) b\nC) c\nD) d\nANSWER: В\n",
       {question("Q", {"a", "b", "c", "d"}, "2")}},
      {"a number where letters label",
       "Q\nA) a\nB) b\nC) c\nD) d\nОтвет: 4\n",
       {question("Q", {"a", "b", "c", "d"}, "4")}},
  };
  for (const Case& c : cases) {
    const ReadResult r = readQuestions(c.file);
    EXPECT_EQ(problemsOf(r.problems), std::vector<std::string>{}) << c.what;
    EXPECT_EQ(questionsOf(r), c.expected) << c.what;
  }
  const ReadResult two = readQuestions(cases[5].file);
  ASSERT_EQ(two.questions.size(), 2u);
  EXPECT_EQ(two.questions[0].line, 3);
  EXPECT_EQ(two.questions[1].line, 12);
}

TEST(QuestionText, EveryProblemIsNamedWithItsLineAndNothingIsGiven) {
  const std::string good = "Q\nА) a\nБ) b\nВ) c\nГ) d\nОтвет: А\n\n";
  struct Case {
    std::string file;
    std::vector<std::string> problems;
  };
  const Case cases[] = {
      {good + "Q\nА) a\nБ) b\nВ) c\nГ) d\nД) e\nОтвет: А\n",
       {"строка 13: у вопроса 2 пять ответов, а нужно четыре"}},
      {good + "Q\nА) a\nБ) b\nВ) c\nОтвет: А\n",
       {"строка 8: у вопроса 2 три ответа, а нужно четыре"}},
      {good + "Q\nА) a\nБ) b\nВ) c\nГ) d\nОтвет: Д\n",
       {"строка 13: ответ «Д» не назван ни одной меткой вопроса"}},
      {good + "Q\n1) a\n2) b\n3) c\n4) d\nОтвет: В\n",
       {"строка 13: ответ «В» не назван ни одной меткой вопроса"}},
      {good + "А) a\nБ) b\nВ) c\nГ) d\nОтвет: А\n", {"строка 8: вопрос без текста"}},
      {good + "1.  \nА) a\nБ) b\nВ) c\nГ) d\nОтвет: А\n", {"строка 8: вопрос без текста"}},
      {good + "Q\nА) a\nB) b\nВ) c\nГ) d\nОтвет: В\n",
       {"строка 10: у вопроса 2 метки ответов написаны по-разному: «А)» русской буквой, а «B)» "
        "латинской "
        "буквой; похожие буквы не различить, напишите все метки одинаково"}},
      {good + "Q\nА) a\nВ) b\nБ) c\nГ) d\nОтвет: А\n",
       {"строка 10: у вопроса 2 на месте ответа «Б)» стоит метка «В)»",
        "строка 11: у вопроса 2 на месте ответа «В)» стоит метка «Б)»"}},
      {good + "Q\nА) a\nБ) b\nВ) c\nГ) d\n",
       {"строка 8: у вопроса 2 не указан правильный ответ: нет ни строки «Ответ:», ни знака «+» "
        "перед меткой ответа"}},
      {good + "Q\n+А) a\nБ) b\nВ) c\nГ) d\nОтвет: А\n",
       {"строка 13: у вопроса 2 правильный ответ указан дважды: и знаком «+», и строкой «Ответ:»; "
        "оставьте что-то одно"}},
      {good + "Q\n+А) a\nБ) b\n+В) c\nГ) d\n",
       {"строка 11: у вопроса 2 знаком «+» отмечено больше одного ответа"}},
      {good + "Q\nА) a\nБ) b\nВ) c\nГ) d\nОтвет: А\nОтвет: Б\nРисунок: 0\n",
       {"строка 14: у вопроса 2 вторая строка «Ответ:»",
        "строка 15: рисунок «0» не назван цифрой от 1 до 9"}},
      {good + "Q\nА) a\nБ) b\nпросто текст\nВ) c\nГ) d\nОтвет: А\n",
       {"строка 11: непонятная строка в вопросе 2: после текста вопроса идут только ответы с "
        "метками А), Б), "
        "В), Г), строка «Ответ:» и строка «Рисунок:»"}},
      {good + "Q\u0085\nА) a\nБ) b\nВ) c\nГ) d\nОтвет: А\n",
       {"строка 8: знак U+0085 (управляющий) не может стоять на странице теста; уберите его"}},
      {"\xEF\xBB\xBF" + good + "Q\xE9\nА) a\nБ) b\nВ) c\nГ) d\nОтвет: А\n",
       {"строка 8: строка не в кодировке UTF-8, хотя файл помечен как UTF-8; сохраните файл заново "
        "в UTF-8"}},
  };
  for (const Case& c : cases) {
    const ReadResult r = readQuestions(c.file);
    EXPECT_EQ(problemsOf(r.problems), c.problems) << c.file;
    EXPECT_TRUE(r.questions.empty()) << c.file;
    EXPECT_EQ(r.count, 2) << c.file;
  }
}

TEST(QuestionText, TheWrittenTestReadsBackByteForByte) {
  workbench::Test test = workbench_test::modelTest();
  ASSERT_EQ(test.stages.size(), 6u);
  // Odd values in a seventh stage: beyond the code page, an emoji, what looks like a label, a
  // number, a keyword or a reference, spaces around a value, empty answers, markup, a picture.
  test.stages.push_back({
      question(cp("√2 ≈ 1,41; π ≈ 3,14 😀"),
               {cp("x² ≤ 4"), "", "&#8730;&amp;&#1040;&#08730;&radic;", " "}, "2", "3"),
      question("1. А) 2) <b>x</b>", {"А) a", "+Б) b", "1.", "Ответ: 1"}, "4", "9"),
      question("Вопрос 5. Рисунок: 3", {"Рисунок: 3", "  two spaces  ", "\t", "\xC0\x98\xFF"}, "1"),
      question("  leading and trailing\t", {"a", "b", "c", "d"}, "3"),
  });
  const std::string text = writeQuestions(test);
  ASSERT_TRUE(
      text.starts_with("\xEF\xBB\xBF"
                       "1. Сколько бит содержится в одном байте?\r\nА) 2\r\n"));
  const ReadResult back = readQuestions(text);
  ASSERT_EQ(problemsOf(back.problems), std::vector<std::string>{});
  std::vector<Question> all;
  for (const auto& stage : test.stages) all.insert(all.end(), stage.begin(), stage.end());
  EXPECT_EQ(questionsOf(back), all);
}

TEST(QuestionText, AValueTheTextCannotCarryIsRefusedNeverChanged) {
  struct Case {
    Question q;
    const char* problem;
  };
  const Case cases[] = {
      {question("", {"a", "b", "c", "d"}), "строка 1: вопрос без текста"},
      {question("   ", {"a", "b", "c", "d"}), "строка 1: вопрос без текста"},
      {question("Q", {"a", "b", "c", "d"}, "5"),
       "строка 6: ответ «5» не назван ни одной меткой вопроса"},
      {question("Q", {"a", "b", "c", "d"}, " 2"),
       "строка 6: ответ « 2» не назван ни одной меткой вопроса"},
      {question("Q", {"a", "b", "c", "d"}, "\xC1"),
       "строка 6: ответ «Б» не назван ни одной меткой вопроса"},
      {question("Q", {"a", "b", "c", "d"}, ""),
       "строка 6: ответ «» не назван ни одной меткой вопроса"},
      {question("Q", {"a", "b", "c", "d"}, "1", ""),
       "строка 7: рисунок «» не назван цифрой от 1 до 9"},
      {question("Q", {"a", "b", "c", "d"}, "1", "3 "),
       "строка 7: рисунок «3 » не назван цифрой от 1 до 9"},
      {question("Q", {"a", "b", "c", "d"}, "1", "12"),
       "строка 7: рисунок «12» не назван цифрой от 1 до 9"},
  };
  for (const Case& c : cases) {
    workbench::Test test;
    test.stages = {{c.q}};
    const ReadResult r = readQuestions(writeQuestions(test));
    EXPECT_EQ(problemsOf(r.problems), std::vector<std::string>{c.problem})
        << c.q.text << "|" << c.q.right << "|" << c.q.picture;
  }
}

}  // namespace
}  // namespace workbench

namespace workbench {
namespace {

workbench::Test shaped(std::vector<int> sizes) {
  workbench::Test test;
  for (int size : sizes)
    test.stages.emplace_back(static_cast<std::size_t>(size), question("Q", {"a", "b", "c", "d"}));
  test.pictures = {{"1", "GIF89a"}, {"2", "GIF89a"}};
  return test;
}

ReadResult read(int count, std::string picture = "00") {
  ReadResult r;
  for (int i = 0; i < count; ++i)
    r.questions.push_back(
        {1 + 7 * i, question("T", {"a", "b", "c", "d"}, "1", i == 1 ? picture : "00")});
  r.count = count;
  return r;
}

TEST(ImportPlan, QuestionsFillTheTestFromTheStartAndNewStagesOnlyInTens) {
  const std::vector<int> six(6, 10);
  struct Case {
    std::vector<int> stages;
    Position start;
    ReadResult file;
    Position first, last;
    int newStages;
    std::vector<std::string> problems;
  };
  const Case cases[] = {
      {six, {2, 5}, read(16), {2, 5}, {3, 10}, 0, {}},
      {six, {6, 1}, read(30), {6, 1}, {8, 10}, 2, {}},
      {six, {7, 1}, read(10, "2"), {7, 1}, {7, 10}, 1, {}},
      {{}, {1, 1}, read(20), {1, 1}, {2, 10}, 2, {}},
      {{10, 10, 4}, {3, 2}, read(3), {3, 2}, {3, 4}, 0, {}},
      {six,
       {6, 4},
       read(20),
       {6, 4},
       {8, 3},
       2,
       {"вопросов для новых этапов 13, а в этапе ровно 10 вопросов: добавьте в файл 7 вопросов или "
        "уберите 3 вопроса"}},
      {std::vector<int>(9, 10),
       {9, 1},
       read(40),
       {9, 1},
       {10, 10},
       1,
       {"этапов стало бы 12, а больше десяти быть не может: лишних вопросов 20"}},
      {{10, 10, 4},
       {3, 2},
       read(5),
       {3, 2},
       {3, 4},
       0,
       {"в тесте не хватает мест для 2 вопросов: последний этап 3 не дописан (в нём 4 вопроса из "
        "10), а новые этапы "
        "добавляются только после полного"}},
      {six,
       {2, 5},
       read(3, "7"),
       {2, 5},
       {2, 7},
       0,
       {"строка 8: рисунка 7.gif нет в папке рисунков теста (pics)"}},
  };
  for (const Case& c : cases) {
    const ImportPlan plan = planImport(c.file, shaped(c.stages), c.start);
    EXPECT_EQ(problemsOf(plan.problems), c.problems) << c.start.stage << "." << c.start.question;
    EXPECT_EQ(plan.newStages, c.newStages) << c.start.stage << "." << c.start.question;
    ASSERT_FALSE(plan.places.empty());
    EXPECT_EQ(plan.places.front(), c.first);
    EXPECT_EQ(plan.places.back(), c.last);
    for (std::size_t i = 1; i < plan.places.size(); ++i)
      EXPECT_NE(plan.places[i - 1], plan.places[i]);
    EXPECT_EQ(plan.questions, c.file.count);
  }
  // Nowhere to start, nothing to place, or the file's own problems: nothing is placed.
  const std::string outside =
      "вопроса 5 этапа 3 в тесте нет: загружать можно с любого вопроса теста или в новые этапы "
      "после последнего";
  const std::string none = "в файле нет ни одного вопроса";
  ReadResult broken;
  broken.problems = {{14, "вопрос без текста"}};
  broken.count = 3;
  for (const auto& [stages, start, file, problem] :
       std::vector<std::tuple<std::vector<int>, Position, ReadResult, std::string>>{
           {{10, 10, 4}, {3, 5}, read(1), outside},
           {{10, 10, 4},
            {4, 1},
            read(1),
            "вопроса 1 этапа 4 в тесте нет: загружать можно с любого вопроса теста или в новые "
            "этапы после последнего"},
           {six,
            {0, 1},
            read(1),
            "вопроса 1 этапа 0 в тесте нет: загружать можно с любого вопроса теста или в новые "
            "этапы после последнего"},
           {six, {1, 1}, read(0), none},
           {six, {1, 1}, broken, "строка 14: вопрос без текста"}}) {
    const ImportPlan plan = planImport(file, shaped(stages), start);
    EXPECT_EQ(problemsOf(plan.problems), std::vector<std::string>{problem});
    EXPECT_TRUE(plan.places.empty()) << problem;
  }
}

TEST(ImportPlan, TheTeachersExampleImportsCleanlyIntoTheModelTest) {
  const ReadResult example = readQuestions(support::readBytes(IMPORT_EXAMPLE));
  ASSERT_EQ(problemsOf(example.problems), std::vector<std::string>{});
  std::string rights, pictures;
  for (const TextQuestion& q : example.questions)
    rights += q.question.right, pictures += q.question.picture;
  EXPECT_EQ(rights, "3231122343");
  EXPECT_EQ(pictures,
            "0000"
            "5" +
                std::string(14, '0'));  // a picture for question 3 only
  workbench::Test model = workbench_test::modelTest();
  const ImportPlan added = planImport(example, model, {7, 1});
  EXPECT_EQ(problemsOf(added.problems), std::vector<std::string>{});
  EXPECT_EQ(added.newStages, 1);
  const ImportPlan replacing = planImport(example, model, {2, 1});
  ASSERT_EQ(problemsOf(replacing.problems), std::vector<std::string>{});
  for (std::size_t i = 0; i < replacing.places.size(); ++i) {
    model.stages[1][static_cast<std::size_t>(replacing.places[i].question - 1)] =
        example.questions[i].question;
  }
  EXPECT_EQ(checkTest(model).size(), 0u);
}

TEST(ImportPlan, TheSummarySaysWhatIsReplacedAddedAndForbidden) {
  ImportPlan plan = planImport(read(16), shaped(std::vector<int>(6, 10)), {6, 5});
  EXPECT_EQ(plan.summary(),
            "В файле 16 вопросов.\nЗаменяемые вопросы: этап 6 — вопросы 5–10.\nНовый этап: 7 (10 "
            "вопросов).");
  plan = planImport(read(35), shaped({10, 10, 10}), {1, 10});
  EXPECT_EQ(plan.summary(),
            "В файле 35 вопросов.\nЗаменяемые вопросы: этап 1 — вопрос 10; этап 2 — вопросы 1–10; "
            "этап 3 — вопросы 1–10."
            "\nНовые этапы: 4–5 (по 10 вопросов).\n\nЗагрузить вопросы нельзя:\nвопросов для новых "
            "этапов 14, а в этапе "
            "ровно 10 вопросов: добавьте в файл 6 вопросов или уберите 4 вопроса");
  plan = planImport(read(2), shaped({10, 3}), {2, 2});
  EXPECT_EQ(plan.summary(),
            "В файле 2 вопроса.\nЗаменяемые вопросы: этап 2 — вопросы 2–3.\nЭтап 2 ещё не дописан: "
            "если не дописать его до "
            "10 вопросов, при выходе редактор удалит его вместе с загруженными в него вопросами.");
}

}  // namespace
}  // namespace workbench
