#include "results/Tables.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <tuple>

#include "lesson/Rows.h"
#include "lesson/Score.h"
#include "lesson/Snapshot.h"
#include "shell/Layout.h"
#include "text/CodePage.h"

namespace results {

namespace {

using lesson::LessonRecord;
using lesson::ResultRecord;

constexpr const char* kRight = " ✓";
constexpr const char* kWrong = " ✗";
constexpr const char* kNone = "—";

std::string joined(const std::vector<std::string>& parts, const char* between) {
  std::string out;
  for (const std::string& part : parts) out += (out.empty() ? "" : between) + part;
  return out;
}

std::string answersText(const std::vector<int>& answers) {
  std::vector<std::string> parts;
  for (const int a : answers) parts.push_back(std::to_string(a));
  return parts.empty() ? kNone : joined(parts, ", ");
}

Cell number(int n) { return Cell::of(static_cast<double>(n)); }

Cell momentOr(const std::string& iso) {
  const auto local = localTime(iso);
  return local ? Cell::of(*local) : Cell::of(iso);
}

int stageOf(int slot) { return slot / shell::kQuestionsPerStage + 1; }
int numberOf(int slot) { return slot % shell::kQuestionsPerStage + 1; }

}  // namespace

std::string validUtf8(std::string_view text) {
  static constexpr const char* kReplacement = "\xEF\xBF\xBD";
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    char32_t c = 0;
    char32_t least = 0;
    if (lead < 0x80) length = 1, c = lead;
    else if (lead >= 0xC2 && lead < 0xE0) length = 2, c = lead & 0x1F, least = 0x80;
    else if (lead >= 0xE0 && lead < 0xF0) length = 3, c = lead & 0x0F, least = 0x800;
    else if (lead >= 0xF0 && lead < 0xF5) length = 4, c = lead & 0x07, least = 0x10000;
    bool ok = length > 0 && i + length <= text.size();
    for (std::size_t k = 1; ok && k < length; ++k) {
      const unsigned char next = static_cast<unsigned char>(text[i + k]);
      ok = (next & 0xC0) == 0x80;
      c = c << 6 | (next & 0x3F);
    }
    ok = ok && c >= least && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF) && c != 0 && c != 0xFFFE && c != 0xFFFF;
    if (ok) {
      out.append(text, i, length);
      i += length;
    } else {
      out += kReplacement;
      ++i;  // the next byte starts afresh
    }
  }
  return out;
}

std::optional<LocalTime> localTime(const std::string& isoUtc) {
  const auto when = lesson::parseIsoUtc(isoUtc);
  if (!when) return std::nullopt;
  const std::time_t t = std::chrono::system_clock::to_time_t(*when);
  std::tm local{};
#ifdef _WIN32
  if (localtime_s(&local, &t) != 0) return std::nullopt;
#else
  if (localtime_r(&t, &local) == nullptr) return std::nullopt;
#endif
  return LocalTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

std::string momentText(const LocalTime& m) {
  char out[40];
  std::snprintf(out, sizeof out, "%02d.%02d.%04d %02d:%02d:%02d", m.day, m.month, m.year, m.hour, m.minute, m.second);
  return out;
}

std::string Cell::shown() const {
  switch (kind) {
    case Kind::Text: return text;
    case Kind::Moment: return momentText(moment);
    case Kind::Number: break;
  }
  if (std::isfinite(number) && number == std::trunc(number) && std::fabs(number) < 1e15) {
    return std::to_string(static_cast<long long>(number));
  }
  char out[64];
  std::snprintf(out, sizeof out, "%.1f", number);
  std::string s = out;
  std::replace(s.begin(), s.end(), '.', ',');
  return s;
}

std::string questionCaption(int slot) { return "В" + std::to_string(slot + 1); }

Table resultsTable(const LessonRecord& lesson, const std::vector<ResultRecord>& newestFirst) {
  const lesson::Key key = lesson::readKey(lesson.key);
  const int questions = key.questions();
  Table t;
  t.captions = {"Ученик", "Класс", "Получен", "Время", "Правильных", "Процент", "Сдал", "Отметки"};
  t.widths = {28, 9, 19, 8, 12, 9, 6, 40};
  for (int slot = 0; slot < questions; ++slot) {
    t.captions.push_back(questionCaption(slot));
    t.widths.push_back(6);
  }
  std::vector<lesson::Pupil> pupils = lesson::pupilsOf(newestFirst);
  // The register's order: class, then name.
  std::stable_sort(pupils.begin(), pupils.end(), [](const lesson::Pupil& a, const lesson::Pupil& b) {
    return std::tie(a.last->posted.group, a.last->posted.student) < std::tie(b.last->posted.group, b.last->posted.student);
  });
  for (const lesson::Pupil& pupil : pupils) {
    const ResultRecord& r = *pupil.last;
    std::vector<std::string> marks = lesson::markWords(r.score, r.posted);
    if (pupil.times > 1) marks.push_back("прислано результатов: " + std::to_string(pupil.times) + ", здесь последний");
    const std::string elapsed = lesson::elapsedText(r.posted.elapsed);
    std::vector<Cell>& row = t.rows.emplace_back();
    row = {Cell::of(r.posted.student, true),
           Cell::of(r.posted.group, true),
           momentOr(r.received),
           // Seconds made "m:ss" here; anything else as the pupil's computer sent it.
           Cell::of(elapsed, elapsed == r.posted.elapsed),
           number(r.score.right),
           number(r.score.percent),
           Cell::of(!r.score.passed ? kNone : *r.score.passed ? "да" : "нет"),
           Cell::of(joined(marks, "; "), true)};
    const std::vector<std::string_view> answers = lesson::answerParts(r.posted.answers);
    for (int slot = 0; slot < questions; ++slot) {
      if (static_cast<std::size_t>(slot) >= answers.size()) {
        row.push_back(Cell::of(""));
        continue;
      }
      const std::string_view answer = answers[static_cast<std::size_t>(slot)];
      const bool right = lesson::answeredRight(key, static_cast<std::size_t>(slot), answer);
      const bool digit = answer.size() == 1 && answer[0] >= '0' && answer[0] <= '4';
      row.push_back(Cell::of((answer == "0" ? std::string(kNone) : std::string(answer)) + (right ? kRight : kWrong), !digit));
    }
  }
  return t;
}

Table questionsTable(const Statistics& s) {
  Table t;
  t.captions = {"Вопрос", "Этап", "Номер", "Текст вопроса", "Правильный ответ", "Учтено", "Верно", "Верно, %",
                "Ответ 1", "Ответ 2", "Ответ 3", "Ответ 4", "Без ответа", "Чаще всего из неверных"};
  t.widths = {8, 6, 7, 50, 10, 8, 7, 9, 8, 8, 8, 8, 8, 12};
  for (const QuestionStatistics& q : s.questions) {
    t.rows.push_back({number(q.slot + 1), number(stageOf(q.slot)), number(numberOf(q.slot)), Cell::of(q.text),
                      Cell::of(q.right), number(q.counted), number(q.rightCount), number(q.percent), number(q.chosen[1]),
                      number(q.chosen[2]), number(q.chosen[3]), number(q.chosen[4]), number(q.chosen[0]),
                      Cell::of(answersText(q.commonWrong))});
  }
  return t;
}

Table missedTable(const Statistics& s) {
  Table t;
  t.captions = {"Место", "Вопрос", "Этап", "Номер", "Текст вопроса", "Неверно или без ответа", "Верно, %",
                "Чаще всего из неверных"};
  t.widths = {7, 8, 6, 7, 50, 12, 9, 12};
  int place = 0;
  for (const std::size_t i : s.missedMost) {
    const QuestionStatistics& q = s.questions[i];
    t.rows.push_back({number(++place), number(q.slot + 1), number(stageOf(q.slot)), number(numberOf(q.slot)),
                      Cell::of(q.text), number(q.missed()), number(q.percent), Cell::of(answersText(q.commonWrong))});
  }
  return t;
}

std::vector<std::string> statisticsNotes(const Statistics& s) {
  std::vector<std::string> notes;
  notes.push_back("Учтено учеников: " + std::to_string(s.counted) +
                  " — у каждого его последний результат (одни и те же имя и класс — один ученик).");
  if (!s.apart.empty()) {
    notes.push_back("Не учтено учеников: " + std::to_string(s.apart.size()) +
                    " — их ответы нельзя сопоставить с вопросами этого теста; они есть на листе «Результаты»:");
    for (const SetApart& a : s.apart) {
      notes.push_back(a.student + (a.group.empty() ? "" : ", " + a.group) + ": " + a.why);
    }
  }
  if (!s.texts) notes.push_back("Тексты вопросов этого урока не сохранены: урок проведён в прежней версии редактора.");
  return notes;
}

Table lessonFacts(const LessonRecord& lesson, const std::vector<ResultRecord>& newestFirst) {
  const lesson::Key key = lesson::readKey(lesson.key);
  Table t;
  t.captions = {"Урок", ""};
  t.widths = {22, 60};
  t.rows = {{Cell::of("Папка теста"), Cell::of(lesson.folder)},
            {Cell::of("Курс"), Cell::of(lesson.course)},
            {Cell::of("Начат"), momentOr(lesson.started)},
            {Cell::of("Этапов"), number(key.stages)},
            {Cell::of("Вопросов"), number(key.questions())},
            {Cell::of("Проходной процент"), Cell::of(lesson.passMark)},
            {Cell::of("Результатов"), number(static_cast<int>(newestFirst.size()))},
            {Cell::of("Учеников"), number(static_cast<int>(lesson::pupilsOf(newestFirst).size()))},
            {Cell::of("В1, В2, …"), Cell::of("ответ ученика на вопрос 1, 2, …: ✓ верный, ✗ неверный, — нет ответа")}};
  return t;
}

Table keyTable(const LessonRecord& lesson) {
  const lesson::Key key = lesson::readKey(lesson.key);
  Table t;
  t.captions = {"Вопрос", "Этап", "Номер", "Правильный ответ", "Текст вопроса", "Ответ 1", "Ответ 2", "Ответ 3", "Ответ 4"};
  t.widths = {8, 6, 7, 10, 50, 25, 25, 25, 25};
  for (int slot = 0; slot < key.questions(); ++slot) {
    std::vector<Cell>& row = t.rows.emplace_back();
    row = {number(slot + 1), number(stageOf(slot)), number(numberOf(slot)),
           Cell::of(text::toUtf8(text::fromCodePage(key.answers[static_cast<std::size_t>(slot)])))};
    const lesson::QuestionText none;
    const lesson::QuestionText& q =
        static_cast<std::size_t>(slot) < lesson.questions.size() ? lesson.questions[static_cast<std::size_t>(slot)] : none;
    row.push_back(Cell::of(q.text));
    for (const std::string& answer : q.answers) row.push_back(Cell::of(answer));
  }
  return t;
}

}  // namespace results
