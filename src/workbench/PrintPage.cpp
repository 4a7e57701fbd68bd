#include "workbench/PrintPage.h"

#include <string_view>

#include "shell/Layout.h"
#include "text/CodePage.h"

// The page shows every value as the quiz does: as text, never as markup (the quiz puts each
// line into a text node), with the references the editor writes for characters beyond the code
// page shown as those characters. So every value is escaped here, and markup a teacher typed
// shows as the characters typed, on paper as on the screen.

namespace workbench {

std::string htmlEscaped(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (const char c : utf8) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

namespace {

using text::FieldRule;

// A line of a page as the quiz shows it, ready for the HTML.
std::string pageText(const std::string& bytes) {
  return htmlEscaped(text::toUtf8(text::fromCodePage(bytes, FieldRule::References)));
}

// A line of 1.js as the quiz shows it.
std::string keyText(const std::string& bytes) {
  return htmlEscaped(text::toUtf8(text::fromCodePage(bytes, FieldRule::CodePage)));
}

std::string orDash(std::string html) {
  return html.empty() ? "—" : html;
}

std::string base64(std::string_view bytes) {
  static constexpr char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
    unsigned long v = 0;
    for (std::size_t k = 0; k < 3; ++k) {
      v = v << 8 | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
    }
    for (std::size_t k = 0; k < 4; ++k) {
      out += k <= n ? kDigits[(v >> (18 - 6 * k)) & 63] : '=';
    }
  }
  return out;
}

// The picture line as the quiz reads it: spaces around it do not count; "00" and nothing mean
// no picture.
std::string_view pictureName(std::string_view line) {
  while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
  return line == shell::kNoPicture ? std::string_view{} : line;
}

// A picture at its own size, as the quiz shows it, smaller only where the page is narrower.
std::string picture(const Test& test, std::string_view name) {
  const auto found = test.pictures.find(std::string(name));
  const std::string file = keyText(std::string(name)) + ".gif";
  if (found == test.pictures.end()) {
    return "<p class=\"nopic\">Рисунок " + file + " не найден в папке рисунков теста.</p>\n";
  }
  const std::string& gif = found->second;
  std::string size;
  // A GIF's screen width and height, little-endian, follow its six-byte signature.
  if (gif.size() >= 10 && gif.starts_with("GIF8")) {
    const auto at = [&gif](std::size_t i) { return static_cast<unsigned char>(gif[i]); };
    size = " width=\"" + std::to_string(at(6) | at(7) << 8) + "\" height=\"" +
           std::to_string(at(8) | at(9) << 8) + "\"";
  }
  return "<figure><img src=\"data:image/gif;base64," + base64(gif) + "\"" + size +
         " alt=\"Рисунок " + file + "\"></figure>\n";
}

constexpr std::string_view kStyle = R"(
@page { size: A4; margin: 16mm 16mm 18mm;
  @bottom-center { content: "Страница " counter(page) " из " counter(pages); font: 9pt "DejaVu Sans", Arial, sans-serif; color: #555; } }
* { box-sizing: border-box; }
body { margin: 0 auto; max-width: 190mm; padding: 8mm; color: #000; font: 11pt/1.4 "Segoe UI", Tahoma, "DejaVu Sans", Arial, sans-serif; }
@media print { body { max-width: none; padding: 0; } }
h1 { font-size: 16pt; margin: 0 0 2mm; overflow-wrap: anywhere; }
h2 { font-size: 13pt; margin: 6mm 0 2mm; border-bottom: 1px solid #000; break-after: avoid; }
.facts { margin: 0 0 4mm; padding: 0; list-style: none; }
.facts b { font-weight: 600; }
.pupil { display: grid; grid-template-columns: 3fr 1fr 1fr; gap: 6mm; margin: 5mm 0 3mm; }
.pupil span { display: block; border-bottom: 1px solid #000; padding-top: 7mm; font-size: 9pt; }
.question { break-inside: avoid; margin: 0 0 5mm; }
.where { font-size: 9pt; color: #444; margin: 0; }
.text { margin: 0 0 2mm; white-space: pre-wrap; overflow-wrap: anywhere; }
figure { margin: 0 0 2mm; }
figure img { max-width: 100%; max-height: 110mm; height: auto; width: auto; }
.nopic { border: 1px dashed #000; padding: 2mm; font-size: 9pt; }
.answers { margin: 0; padding: 0; list-style: none; }
.answers li { display: flex; gap: 2mm; margin: 0 0 1mm; }
.answers .num { font-weight: 600; min-width: 5mm; }
.answers .value { white-space: pre-wrap; overflow-wrap: anywhere; }
.sheet, .key { break-before: page; }
.sheet h2, .key h2 { font-size: 11pt; margin: 3mm 0 1.5mm; }
table.key-table { border-collapse: collapse; margin: 4mm 0; }
.key-table th, .key-table td { border: 1px solid #000; padding: 1mm 2mm; text-align: center; min-width: 11mm; }
.key-table th { font-weight: 600; text-align: left; }
.key-table tr.first > * { border-top-width: 2px; }
.key-table tr { break-inside: avoid; }
.grid { display: grid; grid-template-columns: repeat(5, 1fr); gap: 1.5mm 4mm; margin: 0 0 3mm; }
.cell { display: flex; align-items: center; gap: 1.2mm; break-inside: avoid; }
.cell .n { min-width: 8mm; text-align: right; font-weight: 600; }
.box { display: inline-flex; align-items: center; justify-content: center; width: 5mm; height: 5mm; border: 1px solid #000; font-size: 7pt; color: #555; }
)";

std::string pupilLines() {
  return "<div class=\"pupil\"><span>Фамилия и "
         "имя</span><span>Класс</span><span>Дата</span></div>\n";
}

}  // namespace

std::string printPage(const Test& test) {
  const std::string course = pageText(test.course);
  std::string out;
  out += "<!DOCTYPE html>\n<html lang=\"ru\">\n<head>\n<meta charset=\"utf-8\">\n<title>";
  out += course.empty() ? "Тест" : "Тест: " + course;
  out += "</title>\n<style>";
  out += kStyle;
  out += "</style>\n</head>\n<body>\n";

  // The heading and the pupil's lines.
  const std::string title =
      course.empty() ? "Тестирование" : "Тестирование по курсу «" + course + "»";
  out += "<header>\n<h1>" + title + "</h1>\n<ul class=\"facts\">\n";
  out += "<li>Проверяющий орган: <b>" + orDash(pageText(test.inspector)) + "</b></li>\n";
  out += "<li>Длительность теста: <b>" + orDash(keyText(test.minutes)) + "</b> мин.</li>\n";
  out += "<li>Минимальный процент правильных ответов: <b>" + orDash(keyText(test.passMark)) +
         "</b> %</li>\n</ul>\n";
  out += pupilLines() + "</header>\n";

  // Every question, numbered through the test and within its stage.
  int ordinal = 0;
  for (std::size_t s = 0; s < test.stages.size(); ++s) {
    out += "<section class=\"stage\">\n<h2>Этап " + std::to_string(s + 1) + "</h2>\n";
    for (std::size_t k = 0; k < test.stages[s].size(); ++k) {
      const Question& q = test.stages[s][k];
      out += "<article class=\"question\">\n<p class=\"where\">Вопрос " +
             std::to_string(++ordinal) + " · этап " + std::to_string(s + 1) + ", вопрос " +
             std::to_string(k + 1) + "</p>\n";
      out += "<p class=\"text\">" + pageText(q.text) + "</p>\n";
      if (const std::string_view name = pictureName(q.picture); !name.empty()) {
        out += picture(test, name);
      }
      out += "<ol class=\"answers\">\n";
      for (std::size_t i = 0; i < q.answers.size(); ++i) {
        out += "<li><span class=\"num\">" + std::to_string(i + 1) +
               ".</span><span class=\"value\">" + pageText(q.answers[i]) + "</span></li>\n";
      }
      out += "</ol>\n</article>\n";
    }
    out += "</section>\n";
  }

  // The answer key: one table, two rows a stage: the questions' numbers through the test and
  // their right answers.
  out += "<section class=\"key\">\n<h1>Ключ ответов</h1>\n<table class=\"key-table\">\n";
  ordinal = 0;
  for (std::size_t s = 0; s < test.stages.size(); ++s) {
    std::string numbers = "<tr class=\"first\"><th rowspan=\"2\" scope=\"rowgroup\">Этап " +
                          std::to_string(s + 1) + "</th><th scope=\"row\">Вопрос</th>";
    std::string rights = "<tr><th scope=\"row\">Ответ</th>";
    for (const Question& q : test.stages[s]) {
      numbers += "<td>" + std::to_string(++ordinal) + "</td>";
      rights += "<td><b>" + keyText(q.right) + "</b></td>";
    }
    out += numbers + "</tr>\n" + rights + "</tr>\n";
  }
  out += "</table>\n</section>\n";

  // The answer sheet: each question's number and four boxes to mark.
  out += "<section class=\"sheet\">\n<h1>Бланк ответов</h1>\n<p>" + title +
         ". Отметьте в каждой строке одну клетку: номер выбранного ответа.</p>\n";
  out += pupilLines();
  ordinal = 0;
  for (std::size_t s = 0; s < test.stages.size(); ++s) {
    out += "<h2>Этап " + std::to_string(s + 1) + "</h2>\n<div class=\"grid\">\n";
    for (std::size_t k = 0; k < test.stages[s].size(); ++k) {
      out += "<div class=\"cell\"><span class=\"n\">" + std::to_string(++ordinal) + "</span>";
      for (int i = 1; i <= 4; ++i) out += "<span class=\"box\">" + std::to_string(i) + "</span>";
      out += "</div>\n";
    }
    out += "</div>\n";
  }
  out += "</section>\n</body>\n</html>\n";
  return out;
}

}  // namespace workbench
