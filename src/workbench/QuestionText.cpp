#include "workbench/QuestionText.h"

#include <algorithm>
#include <initializer_list>
#include <optional>

#include "shell/Layout.h"
#include "shell/LineTable.h"
#include "shell/Russian.h"
#include "text/CodePage.h"

// The text form of questions, as a teacher types it or another program exports it:
//
//   1. Сколько бит в байте?          the text; a leading "1.", "1)" or "Вопрос 1." is dropped,
//   А) 2                             more lines of text are joined with a space
//   Б) 4                             four answers, each behind its label: А) Б) В) Г), A) B) C) D)
//   +В) 8                            or 1) to 4), either case, ")" or "."; "+" marks the right one,
//   Г) 16                            or a line "Ответ: В" / "ANSWER: C" / "Ответ: 3" does
//   Рисунок: 3                       the picture pics/3.gif, when the question has one
//                                    a blank line ends the question
//
// What writeQuestions writes reads back as the same bytes: the text always behind its number
// (so a text that begins with a number or looks like a label stays text), each value behind
// its label and one space with every other space kept, the right answer as its letter and the
// picture as its digit. A value this form cannot carry is written so that the reader refuses
// it with a reason instead of taking something else: a question without text, a right-answer
// line that is not one of the digits 1 to 4, a picture line that is not "00" or one of the
// digits 1 to 9 (the last two written in «» as they stand).

namespace workbench {

namespace {

using text::FieldRule;

constexpr char16_t kByteOrderMark = 0xFEFF;

bool isSpace(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f' || c == 0xA0;
}

bool isBlank(std::u16string_view line) {
  return std::all_of(line.begin(), line.end(), isSpace);
}

std::u16string_view trimmed(std::u16string_view s) {
  while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
  return s;
}

// Upper case of the letters a label or a keyword may use (Latin and Russian).
char16_t upper(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
  if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 0x20);
  if (c == 0x451) return 0x401;  // ё
  return c;
}

// Whether `s` begins with `word`, letter case aside; `word` is in upper case.
bool startsWithWord(std::u16string_view s, std::u16string_view word) {
  if (s.size() < word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (upper(s[i]) != word[i]) return false;
  }
  return true;
}

std::string utf8(std::u16string_view text) {
  return text::toUtf8(text);
}

std::string inQuotes(std::u16string_view text) {
  return "«" + utf8(text) + "»";
}

// ------------------------------------------------------------------------------------- labels

enum class Alphabet { Cyrillic, Latin, Digits };

// A label's letters in order. The first four name the answers; the rest are recognised so that a
// fifth or sixth answer is counted as one.
constexpr std::u16string_view kLabels[] = {u"АБВГДЕ", u"ABCDEF", u"123456"};

const char* alphabetName(Alphabet a) {
  switch (a) {
    case Alphabet::Cyrillic:
      return "русской буквой";
    case Alphabet::Latin:
      return "латинской буквой";
    case Alphabet::Digits:
      return "цифрой";
  }
  return "";
}

struct Label {
  Alphabet alphabet;
  int index;  // 0 for А, A, 1
};

std::optional<Label> labelOf(char16_t c) {
  const char16_t u = upper(c);
  for (int a = 0; a < 3; ++a) {
    const std::size_t at = kLabels[a].find(u);
    if (at != std::u16string_view::npos)
      return Label{static_cast<Alphabet>(a), static_cast<int>(at)};
  }
  return std::nullopt;
}

char16_t labelChar(Alphabet a, int index) {
  return kLabels[static_cast<int>(a)][static_cast<std::size_t>(index)];
}

// A label as the words about it show it: "«В)»".
std::string labelText(Alphabet a, int index) {
  return inQuotes(std::u16string{labelChar(a, index), u')'});
}

// The letter of one alphabet that looks like a letter of the other: Cyrillic А В С and Latin
// A B C are drawn alike, so "Ответ: В" names whichever of them the question's labels use.
char16_t lookalike(char16_t u, Alphabet into) {
  constexpr std::u16string_view cyrillic = u"АВСЕ", latin = u"ABCE";
  const std::u16string_view from = into == Alphabet::Latin ? cyrillic : latin;
  const std::u16string_view to = into == Alphabet::Latin ? latin : cyrillic;
  const std::size_t at = from.find(u);
  return at == std::u16string_view::npos ? u : to[at];
}

// --------------------------------------------------------------------------------- lines

struct Line {
  int number;  // 1-based
  std::u16string text;
};

// An answer line: [spaces] [+ [spaces]] label (")" | "." followed by a space or the end) value.
struct AnswerLine {
  Label label;
  bool marked;
  std::u16string value;
};

// The value behind a marker: one space or tab after it is the separator, the rest is the value.
std::u16string valueAfter(std::u16string_view line, std::size_t at) {
  if (at < line.size() && (line[at] == u' ' || line[at] == u'\t')) ++at;
  return std::u16string(line.substr(at));
}

std::optional<AnswerLine> answerLine(std::u16string_view line) {
  std::size_t i = 0;
  while (i < line.size() && isSpace(line[i])) ++i;
  bool marked = false;
  if (i < line.size() && line[i] == u'+') {
    marked = true;
    ++i;
    while (i < line.size() && isSpace(line[i])) ++i;
  }
  if (i >= line.size()) return std::nullopt;
  const std::optional<Label> label = labelOf(line[i]);
  if (!label || i + 1 >= line.size()) return std::nullopt;
  const char16_t mark = line[i + 1];
  // "А)" may touch its value; "А." must not, so that "А.С. Пушкин" stays text.
  if (mark == u'.') {
    if (i + 2 < line.size() && !isSpace(line[i + 2])) return std::nullopt;
  } else if (mark != u')') {
    return std::nullopt;
  }
  return AnswerLine{*label, marked, valueAfter(line, i + 2)};
}

// A line "keyword: value" (keyword in either case, spaces around it allowed); the value
// trimmed.
std::optional<std::u16string> keywordLine(std::u16string_view line,
                                          std::initializer_list<std::u16string_view> words) {
  line = trimmed(line);
  for (const std::u16string_view word : words) {
    if (!startsWithWord(line, word)) continue;
    std::u16string_view rest = line.substr(word.size());
    while (!rest.empty() && isSpace(rest.front())) rest.remove_prefix(1);
    if (rest.empty() || rest.front() != u':') continue;
    return std::u16string(trimmed(rest.substr(1)));
  }
  return std::nullopt;
}

std::optional<std::u16string> rightLine(std::u16string_view line) {
  return keywordLine(line, {u"ОТВЕТ", u"ANSWER"});
}
std::optional<std::u16string> pictureLine(std::u16string_view line) {
  return keywordLine(line, {u"РИСУНОК"});
}

// A question's number at the start of its first line: "1." or "1)" or "Вопрос 1." ("Вопрос 1)",
// "Вопрос 1:", "Вопрос №1."), followed by a space or the end. Gives where the text begins.
std::optional<std::size_t> afterNumber(std::u16string_view line) {
  std::size_t i = 0;
  while (i < line.size() && isSpace(line[i])) ++i;
  bool named = false;
  constexpr std::u16string_view kWord = u"ВОПРОС";
  if (startsWithWord(line.substr(i), kWord)) {
    named = true;
    i += kWord.size();
    while (i < line.size() && isSpace(line[i])) ++i;
    if (i < line.size() && line[i] == u'№') ++i;
    while (i < line.size() && isSpace(line[i])) ++i;
  }
  const std::size_t digits = i;
  while (i < line.size() && line[i] >= u'0' && line[i] <= u'9') ++i;
  if (i == digits || i - digits > 3 || i >= line.size()) return std::nullopt;
  const char16_t mark = line[i];
  if (!(mark == u'.' || mark == u')' || (named && mark == u':'))) return std::nullopt;
  ++i;
  if (i < line.size() && !isSpace(line[i])) return std::nullopt;
  return i;
}

// A character named by its code, for a reason: "U+0085".
std::string characterName(char32_t c) {
  static const char* const kHex = "0123456789ABCDEF";
  std::string name = "U+";
  for (int shift = c > 0xFFFF ? 16 : 12; shift >= 0; shift -= 4) name += kHex[(c >> shift) & 15];
  return name;
}

// ------------------------------------------------------------------------------- reading

// The file's lines as text: UTF-8 when it says so by its byte-order mark or is UTF-8 throughout,
// otherwise Windows-1251. Line ends CR LF, LF or CR.
std::vector<Line> decodeLines(std::string_view bytes, std::vector<Problem>& problems) {
  bool utf8File = false;
  if (bytes.starts_with("\xEF\xBB\xBF")) {
    bytes.remove_prefix(3);
    utf8File = true;
  } else {
    utf8File = text::fromUtf8(bytes).has_value();
  }
  std::vector<Line> lines;
  int number = 0;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = bytes.size();
    const std::string_view raw = bytes.substr(start, end - start);
    ++number;
    std::u16string text;
    if (utf8File) {
      std::optional<std::u16string> decoded = text::fromUtf8(raw);
      if (decoded) {
        text = std::move(*decoded);
      } else {
        problems.push_back({number,
                            "строка не в кодировке UTF-8, хотя файл помечен как UTF-8; "
                            "сохраните файл заново в UTF-8"});
        text = text::fromCodePage(raw);  // so that the line still stands where it stood
      }
    } else {
      text = text::fromCodePage(raw);
    }
    lines.push_back({number, std::move(text)});
    if (end < bytes.size() && bytes[end] == '\r' && end + 1 < bytes.size() &&
        bytes[end + 1] == '\n')
      ++end;
    start = end + 1;
  }
  return lines;
}

// Reads one question, the lines between two blank lines, into `out`; true when it has no
// problem.
class QuestionReader {
 public:
  QuestionReader(int ordinal, std::vector<Problem>& problems)
      : ordinal_(ordinal), problems_(problems) {}

  bool read(const std::vector<Line>& block, TextQuestion& out) {
    const std::size_t before = problems_.size();
    first_ = block.front().number;
    std::size_t at = 0;
    // The text: the first line (without its number) and every line after it up to the first
    // answer, "Ответ:" or "Рисунок:" line. A first line that is one of those has no text.
    std::u16string text;
    if (const std::optional<std::size_t> from = afterNumber(block[0].text)) {
      text = valueAfter(block[0].text, *from);
      at = 1;
    } else if (!isBody(block[0].text)) {
      text = std::u16string(trimmed(block[0].text));
      at = 1;
    }
    // Lines of text are joined with one space; "Вопрос 1." may stand alone on its line.
    for (; at < block.size() && !isBody(block[at].text); ++at) {
      while (!text.empty() && isSpace(text.back())) text.pop_back();
      if (!text.empty()) text += u' ';
      text += trimmed(block[at].text);
    }
    if (isBlank(text)) problem(first_, "вопрос без текста");
    for (; at < block.size(); ++at) body(block[at]);
    finish(out.question);
    out.line = first_;
    out.question.text = bytes(text);
    return problems_.size() == before;
  }

 private:
  static bool isBody(std::u16string_view line) {
    return answerLine(line) || rightLine(line) || pictureLine(line);
  }

  void problem(int line, std::string reason) { problems_.push_back({line, std::move(reason)}); }

  std::string question() const { return "у вопроса " + std::to_string(ordinal_); }

  void body(const Line& line) {
    if (std::optional<AnswerLine> answer = answerLine(line.text)) {
      answers_.push_back({line.number, std::move(*answer)});
    } else if (std::optional<std::u16string> right = rightLine(line.text)) {
      if (right_) {
        problem(line.number, question() + " вторая строка «Ответ:»");
      } else {
        right_ = {line.number, std::move(*right)};
      }
    } else if (std::optional<std::u16string> picture = pictureLine(line.text)) {
      if (picture_) {
        problem(line.number, question() + " вторая строка «Рисунок:»");
      } else {
        picture_ = {line.number, std::move(*picture)};
      }
    } else {
      problem(line.number, "непонятная строка в вопросе " + std::to_string(ordinal_) +
                               ": после текста вопроса идут только ответы с метками А), Б), В), "
                               "Г), строка «Ответ:» и строка «Рисунок:»");
    }
  }

  // The answers, the right answer and the picture, checked.
  void finish(Question& q) {
    static const char* const kCounts[] = {"нет ни одного ответа", "один ответ",    "два ответа",
                                          "три ответа",           "четыре ответа", "пять ответов",
                                          "шесть ответов"};
    const std::size_t count = answers_.size();
    if (count > 4) {
      problem(
          answers_[4].first,
          question() + " " +
              (count < 7 ? kCounts[count] : shell::countOf(count, "ответ", "ответа", "ответов")) +
              ", а нужно четыре");
    } else if (count < 4) {
      problem(first_, question() + " " + kCounts[count] + ", а нужно четыре");
    }
    // One alphabet for all labels, each label in its place.
    bool uniform = true;
    for (const auto& [line, a] : answers_) {
      const AnswerLine& head = answers_.front().second;
      if (a.label.alphabet != head.label.alphabet) {
        problem(line, question() + " метки ответов написаны по-разному: " +
                          labelText(head.label.alphabet, head.label.index) + " " +
                          alphabetName(head.label.alphabet) + ", а " +
                          labelText(a.label.alphabet, a.label.index) + " " +
                          alphabetName(a.label.alphabet) +
                          "; похожие буквы не различить, напишите все метки одинаково");
        uniform = false;
        break;
      }
    }
    if (uniform) {
      for (std::size_t i = 0; i < count && i < 4; ++i) {
        const Label label = answers_[i].second.label;
        if (label.index != static_cast<int>(i)) {
          problem(answers_[i].first, question() + " на месте ответа " +
                                         labelText(label.alphabet, static_cast<int>(i)) +
                                         " стоит метка " + labelText(label.alphabet, label.index));
        }
      }
    }
    for (std::size_t i = 0; i < count && i < 4; ++i) q.answers[i] = bytes(answers_[i].second.value);

    // The right answer: a "+" or a line "Ответ:", exactly one of them.
    std::vector<std::size_t> marked;
    for (std::size_t i = 0; i < count; ++i) {
      if (answers_[i].second.marked) marked.push_back(i);
    }
    if (!marked.empty() && right_) {
      problem(right_->first, question() +
                                 " правильный ответ указан дважды: и знаком «+», и строкой "
                                 "«Ответ:»; оставьте что-то одно");
    } else if (marked.size() > 1) {
      problem(answers_[marked[1]].first, question() + " знаком «+» отмечено больше одного ответа");
    } else if (marked.size() == 1) {
      q.right = shell::decimal(static_cast<long>(marked[0]) + 1);
    } else if (right_) {
      if (std::optional<int> index = rightIndex(right_->second, uniform))
        q.right = shell::decimal(*index + 1);
    } else {
      problem(first_, question() +
                          " не указан правильный ответ: нет ни строки «Ответ:», ни знака «+» "
                          "перед меткой ответа");
    }

    q.picture = shell::kNoPicture;
    if (picture_) {
      std::u16string_view name = picture_->second;
      if (name.size() > 4 && startsWithWord(name.substr(name.size() - 4), u".GIF"))
        name.remove_suffix(4);
      if (name.empty()) {
        problem(picture_->first, "в строке «Рисунок:» не назван рисунок");
      } else if (name.size() == 1 && name[0] >= u'1' && name[0] <= u'9') {
        q.picture = std::string(1, static_cast<char>(name[0]));
      } else {
        problem(picture_->first,
                "рисунок " + inQuotes(unquoted(name)) + " не назван цифрой от 1 до 9");
      }
    }
  }

  // A value the writer put in «» stands as it is in the test; it is shown, never read.
  static std::u16string_view unquoted(std::u16string_view value) {
    if (value.size() >= 2 && value.front() == u'«' && value.back() == u'»')
      return value.substr(1, value.size() - 2);
    return value;
  }

  // The answer named by the value of the line "Ответ:": its number, or its label in the
  // question's alphabet (a letter drawn alike in the other alphabet counts as that label).
  std::optional<int> rightIndex(std::u16string_view value, bool uniform) {
    const int line = right_->first;
    if (value.empty()) {
      problem(line, "в строке «Ответ:» не назван правильный ответ");
      return std::nullopt;
    }
    std::u16string_view name = value;
    if (name.size() == 2 && (name[1] == u')' || name[1] == u'.')) name.remove_suffix(1);
    if (name.size() == 1 && name[0] >= u'1' && name[0] <= u'4') return name[0] - u'1';
    if (name.size() == 1 && !answers_.empty() && uniform) {
      const Alphabet alphabet = answers_.front().second.label.alphabet;
      if (alphabet != Alphabet::Digits) {
        const std::size_t at =
            kLabels[static_cast<int>(alphabet)].find(lookalike(upper(name[0]), alphabet));
        if (at < 4) return static_cast<int>(at);
        if (at < answers_.size())
          return std::nullopt;  // a fifth answer: the count's problem says it
      }
    }
    if (!uniform) return std::nullopt;  // the labels' own problem says why
    problem(line, "ответ " + inQuotes(unquoted(value)) + " не назван ни одной меткой вопроса");
    return std::nullopt;
  }

  // A value as the page holds it; the characters were checked when the file was read.
  static std::string bytes(std::u16string_view text) {
    return text::toCodePage(text, FieldRule::References).value_or("");
  }

  int ordinal_;
  int first_ = 0;
  std::vector<Problem>& problems_;
  std::vector<std::pair<int, AnswerLine>> answers_;
  std::optional<std::pair<int, std::u16string>> right_, picture_;
};

}  // namespace

std::string Problem::text() const {
  if (line == 0) return reason;
  return "строка " + std::to_string(line) + ": " + reason;
}

ReadResult readQuestions(std::string_view fileBytes) {
  ReadResult result;
  // Notepad's "Юникод" is UTF-16: read as Windows-1251 it would be every other byte zero, and
  // every question a puzzle. Say what it is instead.
  if (fileBytes.starts_with("\xFF\xFE") || fileBytes.starts_with("\xFE\xFF")) {
    result.problems.push_back({0,
                               "файл записан в кодировке UTF-16 (в Блокноте она называется "
                               "«Юникод»); сохраните его в кодировке UTF-8 и загрузите снова"});
    return result;
  }
  std::vector<Line> lines = decodeLines(fileBytes, result.problems);
  // A character a page cannot show (a control character of the upper range) is named once per
  // line; everything else a page holds, beyond the code page as its reference.
  for (Line& line : lines) {
    for (std::size_t i = 0; i < line.text.size(); ++i) {
      char32_t c = line.text[i];
      if (c >= 0xD800 && c < 0xDC00 && i + 1 < line.text.size()) {
        c = 0x10000 + ((c - 0xD800) << 10) + (line.text[i + 1] - 0xDC00u);
        ++i;
      }
      if (!text::fits(c, FieldRule::References)) {
        result.problems.push_back(
            {line.number, "знак " + characterName(c) +
                              " (управляющий) не может стоять на странице теста; "
                              "уберите его"});
        break;
      }
    }
    // A byte-order mark that begins a line of a file pasted together from others is no part of
    // the text (one inside a value is, and stays).
    if (line.text.starts_with(kByteOrderMark)) line.text.erase(0, 1);
  }
  std::vector<Line> block;
  int ordinal = 0;
  std::vector<TextQuestion> questions;
  auto flush = [&] {
    if (block.empty()) return;
    TextQuestion q{};
    if (QuestionReader(++ordinal, result.problems).read(block, q))
      questions.push_back(std::move(q));
    block.clear();
  };
  for (Line& line : lines) {
    if (isBlank(line.text)) {
      flush();
    } else {
      block.push_back(std::move(line));
    }
  }
  flush();
  result.count = ordinal;
  if (result.problems.empty()) result.questions = std::move(questions);
  std::stable_sort(result.problems.begin(), result.problems.end(),
                   [](const Problem& a, const Problem& b) { return a.line < b.line; });
  return result;
}

std::string writeQuestions(const Test& test) {
  std::string out = "\xEF\xBB\xBF";
  const auto line = [&out](std::string_view text) { shell::appendLine(out, text); };
  const auto shown = [](const std::string& bytes, FieldRule rule) {
    return utf8(text::fromCodePage(bytes, rule));
  };
  const auto letter = [](int index) {
    return utf8(std::u16string(1, labelChar(Alphabet::Cyrillic, index)));
  };
  int ordinal = 0;
  for (const std::vector<Question>& stage : test.stages) {
    for (const Question& q : stage) {
      if (ordinal > 0) line("");
      line(std::to_string(++ordinal) + ". " + shown(q.text, FieldRule::References));
      for (std::size_t i = 0; i < q.answers.size(); ++i) {
        const std::string value = shown(q.answers[i], FieldRule::References);
        line(letter(static_cast<int>(i)) + ")" + (value.empty() ? "" : " " + value));
      }
      const bool number = q.right.size() == 1 && q.right[0] >= '1' && q.right[0] <= '4';
      line("Ответ: " +
           (number ? letter(q.right[0] - '1') : "«" + shown(q.right, FieldRule::CodePage) + "»"));
      if (q.picture != shell::kNoPicture) {
        const bool digit = q.picture.size() == 1 && q.picture[0] >= '1' && q.picture[0] <= '9';
        line("Рисунок: " + (digit ? q.picture : "«" + shown(q.picture, FieldRule::CodePage) + "»"));
      }
    }
  }
  return out;
}

namespace {

std::string range(int from, int to) {
  return from == to ? std::to_string(from) : std::to_string(from) + "–" + std::to_string(to);
}

}  // namespace

std::string ImportPlan::summary() const {
  const std::string count =
      shell::countOf(static_cast<std::size_t>(questions), "вопрос", "вопроса", "вопросов");
  std::string out = questions == 0 ? "Вопросов в файле не найдено." : "В файле " + count + ".";
  // The places stage by stage; the last `newStages` stages are the ones added.
  const int lastStage = places.empty() ? 0 : places.back().stage;
  const int firstNew = lastStage - newStages + 1;
  std::vector<std::string> replaced;
  for (std::size_t i = 0; i < places.size();) {
    std::size_t j = i;
    while (j + 1 < places.size() && places[j + 1].stage == places[i].stage) ++j;
    if (places[i].stage < firstNew) {
      const int from = places[i].question, to = places[j].question;
      replaced.push_back("этап " + std::to_string(places[i].stage) + " — " +
                         (from == to ? "вопрос " : "вопросы ") + range(from, to));
    }
    i = j + 1;
  }
  if (!replaced.empty()) {
    out += "\nЗаменяемые вопросы: ";
    for (std::size_t i = 0; i < replaced.size(); ++i) out += (i > 0 ? "; " : "") + replaced[i];
    out += ".";
  }
  if (newStages == 1) {
    out += "\nНовый этап: " + std::to_string(firstNew) + " (10 вопросов).";
  } else if (newStages > 1) {
    out += "\nНовые этапы: " + range(firstNew, lastStage) + " (по 10 вопросов).";
  }
  for (const std::string& note : notes) out += "\n" + note;
  if (!problems.empty()) {
    out += "\n\nЗагрузить вопросы нельзя:";
    for (const Problem& p : problems) out += "\n" + p.text();
  }
  return out;
}

ImportPlan planImport(const ReadResult& read, const Test& test, Position start) {
  ImportPlan plan;
  plan.questions = std::max(read.count, static_cast<int>(read.questions.size()));
  // The file's own problems and those of its place in the test are listed together, so that
  // the teacher mends them all in one go; a file with problems still tells how many questions
  // it holds.
  plan.problems = read.problems;
  const int count = read.problems.empty() ? static_cast<int>(read.questions.size()) : read.count;
  if (count == 0) {
    if (read.problems.empty()) plan.problems.push_back({0, "в файле нет ни одного вопроса"});
    return plan;
  }
  const int stages = static_cast<int>(test.stages.size());
  const auto size = [&](int stage) {
    return static_cast<int>(test.stages[static_cast<std::size_t>(stage - 1)].size());
  };
  const bool lastComplete = stages == 0 || size(stages) >= shell::kQuestionsPerStage;
  // The start is a question of the test or, after a complete last stage, the first question of
  // the stage that would come next.
  const bool inside = start.stage >= 1 && start.stage <= stages && start.question >= 1 &&
                      start.question <= size(start.stage);
  const bool after = start.stage == stages + 1 && start.question == 1 && lastComplete &&
                     stages < shell::kMaxStages;
  if (!inside && !after) {
    plan.problems.push_back({0, "вопроса " + std::to_string(start.question) + " этапа " +
                                    std::to_string(start.stage) +
                                    " в тесте нет: загружать можно с любого вопроса теста или в "
                                    "новые этапы после последнего"});
    return plan;
  }
  // The questions of the test from the start on, then the new stages.
  for (Position at = start; static_cast<int>(plan.places.size()) < count && at.stage <= stages;) {
    plan.places.push_back(at);
    if (++at.question > size(at.stage)) at = {at.stage + 1, 1};
  }
  const int over = count - static_cast<int>(plan.places.size());
  if (over > 0 && !lastComplete) {
    plan.problems.push_back(
        {0, "в тесте не хватает мест для " +
                shell::countOf(static_cast<std::size_t>(over), "вопроса", "вопросов", "вопросов") +
                ": последний этап " + std::to_string(stages) + " не дописан (в нём " +
                shell::countOf(static_cast<std::size_t>(size(stages)), "вопрос", "вопроса",
                               "вопросов") +
                " из 10), а новые этапы добавляются только после полного"});
  } else if (over > 0) {
    const int perStage = shell::kQuestionsPerStage;
    const int wanted = (over + perStage - 1) / perStage;
    if (over % perStage != 0) {
      const int missing = perStage - over % perStage;
      plan.problems.push_back({0, "вопросов для новых этапов " + std::to_string(over) +
                                      ", а в этапе ровно 10 вопросов: добавьте в файл " +
                                      shell::countOf(static_cast<std::size_t>(missing), "вопрос",
                                                     "вопроса", "вопросов") +
                                      " или уберите " +
                                      shell::countOf(static_cast<std::size_t>(over % perStage),
                                                     "вопрос", "вопроса", "вопросов")});
    }
    if (stages + wanted > shell::kMaxStages) {
      const int room = (shell::kMaxStages - stages) * perStage;
      plan.problems.push_back({0, "этапов стало бы " + std::to_string(stages + wanted) +
                                      ", а больше десяти быть не может: лишних вопросов " +
                                      std::to_string(over - room)});
    }
    plan.newStages = std::min(wanted, shell::kMaxStages - stages);
    for (int s = stages + 1; s <= stages + plan.newStages; ++s) {
      for (int q = 1; q <= perStage && static_cast<int>(plan.places.size()) < count; ++q)
        plan.places.push_back({s, q});
    }
  }
  if (!lastComplete && !plan.places.empty() && plan.places.back().stage == stages) {
    plan.notes.push_back("Этап " + std::to_string(stages) +
                         " ещё не дописан: если не дописать его до 10 вопросов, "
                         "при выходе редактор удалит его вместе с загруженными в него вопросами.");
  }
  for (const TextQuestion& q : read.questions) {
    if (q.question.picture != shell::kNoPicture && !test.pictures.contains(q.question.picture)) {
      plan.problems.push_back(
          {q.line, "рисунка " + q.question.picture + ".gif нет в папке рисунков теста (pics)"});
    }
  }
  std::stable_sort(plan.problems.begin(), plan.problems.end(),
                   [](const Problem& a, const Problem& b) { return a.line < b.line; });
  return plan;
}

}  // namespace workbench
