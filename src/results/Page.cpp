#include <stdexcept>
#include <string_view>

#include "lesson/Snapshot.h"
#include "results/Export.h"
#include "results/Statistics.h"
#include "workbench/PrintPage.h"

// The page shows every value as text, never as markup: a pupil's name is what the pupil typed,
// and "<script>" in it is those characters on paper.

namespace results {

namespace {

std::string html(std::string_view text) { return workbench::htmlEscaped(validUtf8(text)); }

constexpr std::string_view kStyle = R"(
@page { size: A4; margin: 14mm 14mm 16mm;
  @bottom-center { content: "Страница " counter(page) " из " counter(pages); font: 9pt "DejaVu Sans", Arial, sans-serif; color: #555; } }
* { box-sizing: border-box; }
body { margin: 0 auto; max-width: 190mm; padding: 8mm; color: #000; font: 10pt/1.35 "Segoe UI", Tahoma, "DejaVu Sans", Arial, sans-serif; }
@media print { body { max-width: none; padding: 0; } }
h1 { font-size: 16pt; margin: 0 0 2mm; overflow-wrap: anywhere; }
h2 { font-size: 13pt; margin: 6mm 0 2mm; border-bottom: 1px solid #000; break-after: avoid; }
.facts { margin: 0 0 4mm; padding: 0; list-style: none; }
.facts b { font-weight: 600; }
.notes { margin: 0 0 3mm; padding-left: 5mm; }
table { border-collapse: collapse; width: 100%; margin: 0 0 4mm; }
th, td { border: 1px solid #000; padding: 0.8mm 1.5mm; vertical-align: top; text-align: left; }
th { font-weight: 600; background: #eee; }
thead { display: table-header-group; }
tr { break-inside: avoid; }
td.n { text-align: right; white-space: nowrap; }
td.text { white-space: pre-wrap; overflow-wrap: anywhere; }
table.stats { font-size: 8.5pt; }
.stats-part { break-before: page; }
)";

// A column of a table by its caption there, and its heading on paper.
struct Column {
  std::string_view caption;
  const char* heading;
};

std::size_t indexOf(const Table& table, std::string_view caption) {
  for (std::size_t i = 0; i < table.captions.size(); ++i) {
    if (table.captions[i] == caption) return i;
  }
  throw std::logic_error("no column " + std::string(caption));
}

// The columns chosen of the rows that `shown` keeps (every row without it).
std::string tableHtml(const Table& table, std::initializer_list<Column> columns, const char* kind,
                      bool (*shown)(const Table&, const std::vector<Cell>&) = nullptr) {
  std::string out = std::string("<table class=\"") + kind + "\">\n<thead><tr>";
  std::vector<std::size_t> indices;
  for (const Column& c : columns) {
    indices.push_back(indexOf(table, c.caption));
    out += std::string("<th>") + c.heading + "</th>";
  }
  out += "</tr></thead>\n<tbody>\n";
  for (const std::vector<Cell>& row : table.rows) {
    if (shown != nullptr && !shown(table, row)) continue;
    out += "<tr>";
    for (const std::size_t index : indices) {
      const Cell& cell = row.at(index);
      out += cell.kind == Cell::Kind::Text ? "<td class=\"text\">" : "<td class=\"n\">";
      out += html(cell.shown()) + "</td>";
    }
    out += "</tr>\n";
  }
  out += "</tbody>\n</table>\n";
  return out;
}

}  // namespace

std::string resultsPage(const lesson::LessonRecord& lesson, const std::vector<lesson::ResultRecord>& newestFirst) {
  const Statistics stats = statistics(lesson, newestFirst);
  const Table pupils = resultsTable(lesson, newestFirst);
  const lesson::Key key = lesson::readKey(lesson.key);
  const std::string course = html(lesson.course);
  const auto started = localTime(lesson.started);
  const std::string when = html(started ? momentText(*started) : lesson.started);

  std::string out = "<!DOCTYPE html>\n<html lang=\"ru\">\n<head>\n<meta charset=\"utf-8\">\n<title>";
  out += course.empty() ? "Результаты урока" : "Результаты урока: " + course;
  out += "</title>\n<style>";
  out += kStyle;
  out += "</style>\n</head>\n<body>\n<header>\n<h1>";
  out += course.empty() ? "Результаты урока" : "Результаты урока по курсу «" + course + "»";
  out += "</h1>\n<ul class=\"facts\">\n";
  out += "<li>Урок начат: <b>" + when + "</b></li>\n";
  out += "<li>Папка теста: <b>" + html(lesson.folder) + "</b></li>\n";
  out += "<li>Вопросов: <b>" + std::to_string(key.questions()) + "</b>, минимальный процент правильных ответов: <b>" +
         (lesson.passMark.empty() ? "—" : html(lesson.passMark)) + "</b></li>\n";
  out += "<li>Учеников: <b>" + std::to_string(pupils.rows.size()) + "</b>, результатов: <b>" +
         std::to_string(newestFirst.size()) + "</b></li>\n</ul>\n</header>\n";

  // The class's list, in the order of class and name.
  out += "<section>\n<h2>Ученики</h2>\n";
  out += tableHtml(pupils,
                   {{"Ученик", "Ученик"}, {"Класс", "Класс"}, {"Правильных", "Правильных"}, {"Процент", "Процент"},
                    {"Сдал", "Сдал"}, {"Время", "Время"}, {"Отметки", "Отметки"}},
                   "list");
  out += "</section>\n";

  // The statistics: what was counted, each question, and the questions missed most.
  out += "<section class=\"stats-part\">\n<h2>Статистика по вопросам</h2>\n<ul class=\"notes\">\n";
  for (const std::string& note : statisticsNotes(stats)) out += "<li>" + html(note) + "</li>\n";
  out += "</ul>\n";
  out += tableHtml(questionsTable(stats),
                   {{"Вопрос", "№"}, {"Текст вопроса", "Вопрос"}, {"Правильный ответ", "Ключ"}, {"Верно, %", "Верно, %"},
                    {"Ответ 1", "1"}, {"Ответ 2", "2"}, {"Ответ 3", "3"}, {"Ответ 4", "4"},
                    {"Без ответа", "Без ответа"}, {"Чаще всего из неверных", "Чаще из неверных"}},
                   "stats");
  out += "<h2>Чаще всего ошибались</h2>\n";
  out += tableHtml(missedTable(stats),
                   {{"Место", "Место"}, {"Вопрос", "№"}, {"Текст вопроса", "Вопрос"},
                    {"Неверно или без ответа", "Неверно или без ответа"}, {"Верно, %", "Верно, %"},
                    {"Чаще всего из неверных", "Чаще из неверных"}},
                   "stats", [](const Table& t, const std::vector<Cell>& row) {
                     return row.at(indexOf(t, "Неверно или без ответа")).number > 0;
                   });
  out += "</section>\n</body>\n</html>\n";
  return out;
}

}  // namespace results
