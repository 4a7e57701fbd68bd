#include "workbench/Check.h"

#include <charconv>
#include <map>
#include <optional>
#include <regex>
#include <string_view>

#include "shell/Layout.h"
#include "text/CodePage.h"

namespace workbench {

namespace {

using text::FieldRule;

bool isSpace(char16_t c) {
  return c == u' ' || c == u'\t' || c == 0xA0;
}

// A value as the quiz shows it, for words about it.
std::string shown(const std::string& bytes, FieldRule rule) {
  return text::toUtf8(text::fromCodePage(bytes, rule));
}

// What makes two answers the same for a pupil: the characters without spaces, in one case.
std::u16string comparable(const std::string& bytes) {
  std::u16string out;
  for (char16_t c : text::fromCodePage(bytes, FieldRule::References)) {
    if (isSpace(c)) continue;
    if ((c >= u'A' && c <= u'Z') || (c >= 0x410 && c <= 0x42F) || (c >= 0x391 && c <= 0x3A9)) {
      c = static_cast<char16_t>(c + 0x20);
    } else if (c >= 0x400 && c <= 0x40F) {
      c = static_cast<char16_t>(c + 0x50);  // Ё and the other letters of the upper row
    }
    out += c;
  }
  return out;
}

bool empty(const std::string& bytes) {
  return comparable(bytes).empty();
}

std::string where(int stage, int question) {
  return "вопроса " + std::to_string(question) + " этапа " + std::to_string(stage);
}

}  // namespace

std::string_view quizTrimmed(std::string_view bytes) {
  const auto space = [](char c) { return (c >= '\t' && c <= '\r') || c == ' ' || c == '\xA0'; };
  while (!bytes.empty() && space(bytes.back())) bytes.remove_suffix(1);
  while (!bytes.empty() && space(bytes.front())) bytes.remove_prefix(1);
  return bytes;
}

std::optional<double> quizNumber(std::string_view bytes) {
  std::string text(quizTrimmed(bytes));
  if (const std::size_t comma = text.find(','); comma != std::string::npos) text[comma] = '.';
  static const std::regex number(R"([+-]?([0-9]+(\.[0-9]*)?|\.[0-9]+))");
  if (!std::regex_match(text, number)) return std::nullopt;
  // Read as the browser reads it, whatever the locale of the program (a Russian one writes its
  // numbers with a comma, which std::stod would then stop at).
  const char* first = text.data() + (text.front() == '+' ? 1 : 0);
  double value = 0;
  std::from_chars(first, text.data() + text.size(), value);
  return value;
}

std::vector<Finding> checkTest(const Test& test) {
  std::vector<Finding> found;
  const auto add = [&found](int stage, int question, std::string what) {
    found.push_back({stage, question, std::move(what)});
  };

  const std::optional<double> minutes = quizNumber(test.minutes);
  if (!minutes || *minutes <= 0) {
    add(0, 0,
        "длительность теста должна быть положительным числом минут, а записано «" +
            shown(test.minutes, FieldRule::CodePage) + "»");
  }
  const std::optional<double> pass = quizNumber(test.passMark);
  if (!pass || *pass < 1 || *pass > 100) {
    add(0, 0,
        "минимальный процент правильных ответов должен быть числом от 1 до 100, а записано «" +
            shown(test.passMark, FieldRule::CodePage) + "»");
  }
  if (test.stages.empty()) add(0, 0, "в тесте нет ни одного этапа");

  // The first question of each text and answers, to find copies of it.
  std::map<std::vector<std::string>, std::pair<int, int>> seen;
  for (std::size_t s = 0; s < test.stages.size(); ++s) {
    const int stage = static_cast<int>(s) + 1;
    const std::vector<Question>& questions = test.stages[s];
    if (questions.size() != static_cast<std::size_t>(shell::kQuestionsPerStage)) {
      add(stage, 0,
          "в этапе " + std::to_string(questions.size()) + " вопросов из 10: этап не дописан");
    }
    for (std::size_t k = 0; k < questions.size(); ++k) {
      const int number = static_cast<int>(k) + 1;
      const Question& q = questions[k];
      if (empty(q.text)) add(stage, number, "пустой текст вопроса");
      std::u16string answers[4];
      for (std::size_t i = 0; i < 4; ++i) {
        answers[i] = comparable(q.answers[i]);
        if (answers[i].empty()) add(stage, number, "пустой ответ " + std::to_string(i + 1));
      }
      for (std::size_t i = 0; i < 4; ++i) {
        for (std::size_t j = i + 1; j < 4; ++j) {
          if (!answers[i].empty() && answers[i] == answers[j]) {
            add(stage, number,
                "ответы " + std::to_string(i + 1) + " и " + std::to_string(j + 1) + " одинаковы");
          }
        }
      }
      if (q.right.size() != 1 || q.right[0] < '1' || q.right[0] > '4') {
        add(stage, number,
            "номер правильного ответа «" + shown(q.right, FieldRule::CodePage) +
                "» — не число от 1 до 4");
      } else if (answers[q.right[0] - '1'].empty()) {
        add(stage, number, "правильный ответ " + q.right + " пустой");
      }
      if (q.picture.empty()) {
        add(stage, number, "рисунок не выбран: строка рисунка пуста");
      } else if (q.picture != shell::kNoPicture && !test.pictures.contains(q.picture)) {
        add(stage, number,
            "рисунка " + shown(q.picture, FieldRule::CodePage) +
                ".gif нет в папке рисунков (pics)");
      }
      const auto [first, fresh] = seen.try_emplace(
          {q.text, q.answers[0], q.answers[1], q.answers[2], q.answers[3]}, stage, number);
      if (!fresh) {
        add(stage, number,
            "текст и ответы те же, что у " + where(first->second.first, first->second.second) +
                ": похоже, это копия, которую забыли заменить");
      }
    }
  }

  // The pictures: one no question shows is likely one forgotten (and the one to replace when
  // all nine are taken), unless there is no question at all; a name that is not one digit
  // cannot be chosen in the editor.
  for (const auto& [name, uses] : pictureUses(test)) {
    const std::string file = name + shell::kPictureExtension;
    if (!shell::isPictureName(file)) {
      add(0, 0,
          "рисунок «" + file + "» в папке pics нельзя выбрать для вопроса: строка рисунка на странице "
          "хранит одну цифру. Назовите его свободной цифрой от 1 до 9 (например, 4.gif)");
    } else if (uses == 0 && !test.stages.empty()) {
      add(0, 0, "рисунок " + file + " не показан ни в одном вопросе");
    }
  }
  return found;
}

}  // namespace workbench
