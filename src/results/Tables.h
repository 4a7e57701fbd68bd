#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "lesson/Store.h"
#include "results/Statistics.h"

// A lesson's results as the tables every export shares: the spreadsheet's sheets, the CSV file
// and the printed page are written from these, so that each says the same.
namespace results {

// A moment on the clock of the teacher's computer.
struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  bool operator==(const LocalTime&) const = default;
};

// A moment the store keeps (UTC, ISO 8601) on this computer's clock; nothing when it is no such
// moment.
std::optional<LocalTime> localTime(const std::string& isoUtc);
// "14.05.2024 09:41:07", as a Russian teacher writes a moment.
std::string momentText(const LocalTime& moment);

// Text as UTF-8 that every reader takes: each malformed sequence, NUL, and U+FFFE and U+FFFF
// (which no XML carries) as U+FFFD; the rest as it is.
std::string validUtf8(std::string_view text);

// A cell of a table. Text is written as text by every export, never read as a number, a date or
// a formula; a number or a moment is one the program worked out.
struct Cell {
  enum class Kind { Text, Number, Moment };
  Kind kind = Kind::Text;
  std::string text;    // UTF-8
  double number = 0;
  LocalTime moment;
  // Whether a pupil's computer sent the text (a name, a class, a time taken): the CSV file takes
  // care that a spreadsheet reads it as text.
  bool sent = false;
  bool operator==(const Cell&) const = default;

  static Cell of(std::string text, bool sent = false) { return {Kind::Text, std::move(text), 0, {}, sent}; }
  static Cell of(double number) { return {Kind::Number, {}, number, {}, false}; }
  static Cell of(const LocalTime& moment) { return {Kind::Moment, {}, 0, moment, false}; }
  // The cell as text: a number in decimal (a comma before its fraction, as in Russian), a moment
  // by momentText.
  std::string shown() const;
};

struct Table {
  std::vector<std::string> captions;
  std::vector<double> widths;  // each column's width, in characters
  std::vector<std::vector<Cell>> rows;
};

// A question's column caption: "В1" for question 1 of the test.
std::string questionCaption(int slot);

// The results: a row a pupil, their last result, in the order of class and name: the pupil, the
// class, when the result came, the time taken, right answers, percent, passed, what the teacher
// should look at, then a column a question with the answer chosen and whether it was right
// ("2 ✓", "3 ✗", "— ✗" for none).
Table resultsTable(const lesson::LessonRecord& lesson, const std::vector<lesson::ResultRecord>& newestFirst);

// The statistics: a row a question in the test's order, and the questions the class missed
// most, the most missed first.
Table questionsTable(const Statistics& statistics);
Table missedTable(const Statistics& statistics);
// What the statistics counted and what they set apart, in sentences.
std::vector<std::string> statisticsNotes(const Statistics& statistics);

// The lesson: its facts as pairs of a caption and a value, and its key with its questions.
Table lessonFacts(const lesson::LessonRecord& lesson, const std::vector<lesson::ResultRecord>& newestFirst);
Table keyTable(const lesson::LessonRecord& lesson);

}  // namespace results
