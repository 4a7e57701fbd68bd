// Questions read from text, the test written as text, and the import's plan, on bytes alone.

#include <gtest/gtest.h>

#include "ModelTest.h"
#include "support/Fixtures.h"
#include "text/CodePage.h"
#include "workbench/QuestionText.h"

namespace workbench {
namespace {

using workbench_test::question;

// Page bytes of a UTF-8 literal, as a field of a page holds it.
std::string cp(std::string_view utf8) {
  return text::toCodePage(text::fromUtf8(utf8).value(), text::FieldRule::References).value();
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

using Texts = std::vector<std::string>;

// clang-format off
TEST(QuestionText, ReadsEveryFormATeacherWrites) {
  const Question capital = question(cp("Столица?"), {cp("Москва"), cp("Тула"), cp("Орёл"), cp("Тверь")});
  const Question q3 = question("Q", {"a", "b", "c", "d"}, "3"), q2 = question("Q", {"a", "b", "c", "d"}, "2");
  const std::pair<std::string, std::vector<Question>> cases[] = {
      {"Столица?\r\nА) Москва\r\nБ) Тула\r\nВ) Орёл\r\nГ) Тверь\r\nОтвет: А\r\n", {capital}},
      {"Столица?\nA. Москва\nB. Тула\nC. Орёл\nD. Тверь\nANSWER: A\n", {capital}},
      {"1) Столица?\r1) Москва\r2) Тула\r3) Орёл\r4) Тверь\rОтвет: 1", {capital}},
      {"  Вопрос 7.  \n Столица? \n+а. Москва\nб. Тула\nв) Орёл\n г) Тверь\n", {capital}},
      {"\xD1\xF2\xEE\xEB\xE8\xF6\xE0?\r\n\xC0) \xCC\xEE\xF1\xEA\xE2\xE0\r\n\xC1) \xD2\xF3\xEB\xE0\r\n"
       "\xC2) \xCE\xF0\xB8\xEB\r\n\xC3) \xD2\xE2\xE5\xF0\xFC\r\n\xCE\xF2\xE2\xE5\xF2: \xC0\r\n", {capital}},
      {"\xEF\xBB\xBF\n\n1. Что на рисунке?\nРисунок: 3.gif\nА) √2\nБ)\nВ) π ≤ 4 😀\n+Г) &amp;\n\n\n\n"
       "2. Ещё\nодна строка\nА) 1\nБ) 2\nВ) 3\nГ) 4\nответ : б)\n",
       {question(cp("Что на рисунке?"), {"&#8730;2", "", "&#960; &#8804; 4 &#128512;", "&amp;"}, "4", "3"),
        question(cp("Ещё одна строка"), {"1", "2", "3", "4"}, "2")}},
      // Letters drawn alike name the label of the question's own alphabet.
      {"Q\nА) a\nБ) b\nВ) c\nГ) d\nОтвет: B\n", {q3}},
      {"Q\nA) a\nB) b\nC) c\nD) d\nANSWER: В\n", {q2}},
  };
  for (const auto& [file, expected] : cases) {
    const ReadResult r = readQuestions(file);
    EXPECT_EQ(problemsOf(r.problems), Texts{}) << file;
    EXPECT_EQ(questionsOf(r), expected) << file;
  }
  const ReadResult two = readQuestions(cases[5].first);
  EXPECT_EQ(std::vector<int>({two.questions.at(0).line, two.questions.at(1).line}), std::vector<int>({3, 12}));
}

TEST(QuestionText, EveryProblemIsNamedWithItsLineAndNothingIsGiven) {
  const std::string q1 = "Q\nА) a\nБ) b\nВ) c\nГ) d\nОтвет: А\n\n";  // lines 1 to 7; question 2 from line 8
  const std::pair<std::string, Texts> cases[] = {
      {q1 + "Q\nА) a\nБ) b\nВ) c\nГ) d\nД) e\nОтвет: А\n", {"строка 13: у вопроса 2 пять ответов, а нужно четыре"}},
      {q1 + "Q\nА) a\nБ) b\nВ) c\nОтвет: А\n", {"строка 8: у вопроса 2 три ответа, а нужно четыре"}},
      {q1 + "Q\nА) a\nБ) b\nВ) c\nГ) d\nОтвет: Д\n", {"строка 13: ответ «Д» не назван ни одной меткой вопроса"}},
      {q1 + "Q\n1) a\n2) b\n3) c\n4) d\nОтвет: В\n", {"строка 13: ответ «В» не назван ни одной меткой вопроса"}},
      {q1 + "А) a\nБ) b\nВ) c\nГ) d\nОтвет: А\n", {"строка 8: вопрос без текста"}},
      {q1 + "Q\nА) a\nB) b\nВ) c\nГ) d\nОтвет: В\n",
       {"строка 10: у вопроса 2 метки ответов написаны по-разному: «А)» русской буквой, а «B)» латинской "
        "буквой; похожие буквы не различить, напишите все метки одинаково"}},
      {q1 + "Q\nА) a\nВ) b\nБ) c\nГ) d\nОтвет: А\n",
       {"строка 10: у вопроса 2 на месте ответа «Б)» стоит метка «В)»",
        "строка 11: у вопроса 2 на месте ответа «В)» стоит метка «Б)»"}},
      {q1 + "Q\nА) a\nБ) b\nВ) c\nГ) d\n",
       {"строка 8: у вопроса 2 не указан правильный ответ: нет ни строки «Ответ:», ни знака «+» перед меткой ответа"}},
      {q1 + "Q\n+А) a\nБ) b\nВ) c\nГ) d\nОтвет: А\n",
       {"строка 13: у вопроса 2 правильный ответ указан дважды: и знаком «+», и строкой «Ответ:»; оставьте что-то одно"}},
      {q1 + "Q\n+А) a\nБ) b\n+В) c\nГ) d\n", {"строка 11: у вопроса 2 знаком «+» отмечено больше одного ответа"}},
      {q1 + "Q\nА) a\nБ) b\nВ) c\nГ) d\nОтвет: А\nОтвет: Б\nРисунок: 0\n",
       {"строка 14: у вопроса 2 вторая строка «Ответ:»", "строка 15: рисунок «0» не назван цифрой от 1 до 9"}},
      {q1 + "Q\nА) a\nБ) b\nпросто текст\nВ) c\nГ) d\nОтвет: А\n",
       {"строка 11: непонятная строка в вопросе 2: после текста вопроса идут только ответы с метками А), Б), В), Г), "
        "строка «Ответ:» и строка «Рисунок:»"}},
      {q1 + "Q\u0085\nА) a\nБ) b\nВ) c\nГ) d\nОтвет: А\n",
       {"строка 8: знак U+0085 (управляющий) не может стоять на странице теста; уберите его"}},
      {"\xEF\xBB\xBF" + q1 + "Q\xE9\nА) a\nБ) b\nВ) c\nГ) d\nОтвет: А\n",
       {"строка 8: строка не в кодировке UTF-8, хотя файл помечен как UTF-8; сохраните файл заново в UTF-8"}},
      {std::string("\xFF\xFEQ\0\n\0", 6), {"файл записан в кодировке UTF-16 (в Блокноте она называется «Юникод»); "
                                             "сохраните его в кодировке UTF-8 и загрузите снова"}},
  };
  for (const auto& [file, problems] : cases) {
    const ReadResult r = readQuestions(file);
    EXPECT_EQ(problemsOf(r.problems), problems) << file;
    EXPECT_TRUE(r.questions.empty()) << file;
    EXPECT_EQ(r.count, file.starts_with("\xFF") ? 0 : 2) << file;
  }
}

TEST(QuestionText, TheWrittenTestReadsBackByteForByteOrIsRefused) {
  workbench::Test test = workbench_test::modelTest();
  // Odd values in a seventh stage: beyond the code page, an emoji, what looks like a label, a
  // number, a keyword or a reference, spaces around a value, empty answers, markup, a picture.
  test.stages.push_back({
      question(cp("√2 ≈ 1,41; π ≈ 3,14 😀"), {cp("x² ≤ 4"), "", "&#8730;&amp;&#1040;&#08730;&radic;", " "}, "2", "3"),
      question("1. А) 2) <b>x</b>", {"А) a", "+Б) b", "1.", "Ответ: 1"}, "4", "9"),
      question("Вопрос 5. Рисунок: 3", {"Рисунок: 3", "  two spaces  ", "\t", "\xC0\x98\xFF"}),
      question("  leading and trailing\t", {"a", "b", "c", "d"}, "3"),
  });
  const std::string text = writeQuestions(test);
  ASSERT_TRUE(text.starts_with("\xEF\xBB\xBF" "1. Сколько бит содержится в одном байте?\r\nА) 2\r\n"));
  const ReadResult back = readQuestions(text);
  ASSERT_EQ(problemsOf(back.problems), Texts{});
  std::vector<Question> all;
  for (const auto& stage : test.stages) all.insert(all.end(), stage.begin(), stage.end());
  EXPECT_EQ(questionsOf(back), all);
  // A value the text cannot carry is refused when read back, never taken as another.
  const std::array<std::string, 4> a{"a", "b", "c", "d"};
  const std::pair<Question, std::string> refused[] = {
      {question("", a), "строка 1: вопрос без текста"},
      {question("   ", a), "строка 1: вопрос без текста"},
      {question("Q", a, "5"), "строка 6: ответ «5» не назван ни одной меткой вопроса"},
      {question("Q", a, " 2"), "строка 6: ответ « 2» не назван ни одной меткой вопроса"},
      {question("Q", a, "\xC1"), "строка 6: ответ «Б» не назван ни одной меткой вопроса"},
      {question("Q", a, ""), "строка 6: ответ «» не назван ни одной меткой вопроса"},
      {question("Q", a, "1", ""), "строка 7: рисунок «» не назван цифрой от 1 до 9"},
      {question("Q", a, "1", "3 "), "строка 7: рисунок «3 » не назван цифрой от 1 до 9"},
      {question("Q", a, "1", "12"), "строка 7: рисунок «12» не назван цифрой от 1 до 9"},
  };
  for (const auto& [q, problem] : refused) {
    test.stages = {{q}};
    EXPECT_EQ(problemsOf(readQuestions(writeQuestions(test)).problems), Texts{problem}) << problem;
  }
}

workbench::Test shaped(std::vector<int> sizes) {
  workbench::Test test;
  for (int size : sizes) test.stages.emplace_back(static_cast<std::size_t>(size), question("Q", {"a", "b", "c", "d"}));
  test.pictures = {{"1", "GIF89a"}, {"2", "GIF89a"}};
  return test;
}

// A file of `count` questions read, each 7 lines long, the second with the picture.
ReadResult read(int count, std::string picture = "00") {
  ReadResult r;
  for (int i = 0; i < count; ++i) r.questions.push_back({1 + 7 * i, question("T", {"a", "b", "c", "d"}, "1", i == 1 ? picture : "00")});
  r.count = count;
  return r;
}

TEST(ImportPlan, QuestionsFillTheTestFromTheStartAndNewStagesOnlyInTens) {
  const std::vector<int> six(6, 10), unfinished{10, 10, 4};
  struct Case { std::vector<int> stages; Position start; ReadResult file; Position first, last; int newStages; Texts problems; };
  const Case cases[] = {
      {six, {2, 5}, read(16), {2, 5}, {3, 10}, 0, {}},
      {six, {6, 1}, read(30), {6, 1}, {8, 10}, 2, {}},
      {six, {7, 1}, read(10, "2"), {7, 1}, {7, 10}, 1, {}},
      {{}, {1, 1}, read(20), {1, 1}, {2, 10}, 2, {}},
      {unfinished, {3, 2}, read(3), {3, 2}, {3, 4}, 0, {}},
      {six, {6, 4}, read(20), {6, 4}, {8, 3}, 2,
       {"вопросов для новых этапов 13, а в этапе ровно 10 вопросов: добавьте в файл 7 вопросов или уберите 3 вопроса"}},
      {std::vector<int>(9, 10), {9, 1}, read(40), {9, 1}, {10, 10}, 1,
       {"этапов стало бы 12, а больше десяти быть не может: лишних вопросов 20"}},
      {unfinished, {3, 2}, read(5), {3, 2}, {3, 4}, 0,
       {"в тесте не хватает мест для 2 вопросов: последний этап 3 не дописан (в нём 4 вопроса из 10), а новые этапы "
        "добавляются только после полного"}},
      {six, {2, 5}, read(3, "7"), {2, 5}, {2, 7}, 0, {"строка 8: рисунка 7.gif нет в папке рисунков теста (pics)"}},
  };
  for (const Case& c : cases) {
    const ImportPlan plan = planImport(c.file, shaped(c.stages), c.start);
    EXPECT_EQ(problemsOf(plan.problems), c.problems) << c.start.stage << "." << c.start.question;
    EXPECT_EQ(plan.newStages, c.newStages) << c.start.stage << "." << c.start.question;
    ASSERT_FALSE(plan.places.empty());
    EXPECT_EQ(std::make_pair(plan.places.front(), plan.places.back()), std::make_pair(c.first, c.last));
    EXPECT_EQ(plan.questions, c.file.count);
  }
  // Nowhere to start, nothing to place, or the file's own problems: nothing is placed.
  const std::string outside = " в тесте нет: загружать можно с любого вопроса теста или в новые этапы после последнего";
  ReadResult broken;
  broken.problems = {{14, "вопрос без текста"}};
  const std::tuple<std::vector<int>, Position, ReadResult, std::string> refused[] = {
      {unfinished, {3, 5}, read(1), "вопроса 5 этапа 3" + outside},
      {unfinished, {4, 1}, read(1), "вопроса 1 этапа 4" + outside},
      {six, {0, 1}, read(1), "вопроса 1 этапа 0" + outside},
      {six, {1, 1}, read(0), "в файле нет ни одного вопроса"},
      {six, {1, 1}, broken, "строка 14: вопрос без текста"},
  };
  for (const auto& [stages, start, file, problem] : refused) {
    const ImportPlan plan = planImport(file, shaped(stages), start);
    EXPECT_EQ(problemsOf(plan.problems), Texts{problem});
    EXPECT_TRUE(plan.places.empty()) << problem;
  }
  // A file with a problem of its own and too many questions for its new stages: both at once,
  // so that one reading again after the mending is enough.
  ReadResult thirteen = broken;
  thirteen.count = 13;
  EXPECT_EQ(problemsOf(planImport(thirteen, shaped(six), {6, 1}).problems),
            (Texts{"вопросов для новых этапов 3, а в этапе ровно 10 вопросов: добавьте в файл 7 вопросов или уберите 3 вопроса",
                   "строка 14: вопрос без текста"}));
}

TEST(ImportPlan, TheSummarySaysWhatIsReplacedAddedAndForbidden) {
  EXPECT_EQ(planImport(read(16), shaped(std::vector<int>(6, 10)), {6, 5}).summary(),
            "В файле 16 вопросов.\nЗаменяемые вопросы: этап 6 — вопросы 5–10.\nНовый этап: 7 (10 вопросов).");
  EXPECT_EQ(planImport(read(35), shaped({10, 10, 10}), {1, 10}).summary(),
            "В файле 35 вопросов.\nЗаменяемые вопросы: этап 1 — вопрос 10; этап 2 — вопросы 1–10; этап 3 — вопросы 1–10."
            "\nНовые этапы: 4–5 (по 10 вопросов).\n\nЗагрузить вопросы нельзя:\nвопросов для новых этапов 14, а в этапе "
            "ровно 10 вопросов: добавьте в файл 6 вопросов или уберите 4 вопроса");
  EXPECT_EQ(planImport(read(0), shaped({10}), {1, 1}).summary(),
            "Вопросов в файле не найдено.\n\nЗагрузить вопросы нельзя:\nв файле нет ни одного вопроса");
  EXPECT_EQ(planImport(read(2), shaped({10, 3}), {2, 2}).summary(),
            "В файле 2 вопроса.\nЗаменяемые вопросы: этап 2 — вопросы 2–3.\nЭтап 2 ещё не дописан: если не дописать его до "
            "10 вопросов, при выходе редактор удалит его вместе с загруженными в него вопросами.");
}
// clang-format on

TEST(ImportPlan, TheTeachersExampleImportsCleanlyIntoTheModelTest) {
  const ReadResult example = readQuestions(support::readBytes(IMPORT_EXAMPLE));
  ASSERT_EQ(problemsOf(example.problems), Texts{});
  std::string rights, pictures;
  for (const TextQuestion& q : example.questions) rights += q.question.right, pictures += q.question.picture;
  EXPECT_EQ(rights, "3231122343");
  EXPECT_EQ(pictures, "0000" "5" + std::string(14, '0'));  // a picture for question 3 only
  const workbench::Test model = workbench_test::modelTest();
  const ImportPlan added = planImport(example, model, {7, 1});
  EXPECT_EQ(problemsOf(added.problems), Texts{});
  EXPECT_EQ(added.newStages, 1);
  EXPECT_EQ(problemsOf(planImport(example, model, {2, 1}).problems), Texts{});
}

}  // namespace
}  // namespace workbench
