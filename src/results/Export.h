#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "lesson/Store.h"
#include "results/Tables.h"
#include "shell/Disk.h"

// A lesson's results written out for the teacher: a spreadsheet, a CSV file, a page to print.
// Each is made from the lesson and its results as the store gives them; none reads or writes the
// store, and none writes into the test.
namespace results {

namespace fs = std::filesystem;

// A part of a sheet: a title, lines of notes, then a table under its captions.
struct Section {
  std::string title;
  std::vector<std::string> notes;
  Table table;
};

// A sheet of the spreadsheet: its sections one under another, a row left empty between them.
struct Sheet {
  std::string name;
  std::vector<Section> sections;
  int frozenColumns = 0;  // columns that stay on the screen beside the frozen captions
};

// The spreadsheet of a lesson: «Результаты» (resultsTable), «Статистика» (the notes, the table
// of questions, the questions missed most) and «Урок» (its facts, the key with its questions).
std::vector<Sheet> lessonSheets(const lesson::LessonRecord& lesson, const std::vector<lesson::ResultRecord>& newestFirst);

// Writes the sheets as an .xlsx file at `file` (replacing what is there): each text cell a
// string, never a formula, a number or a date, whatever it holds; the numbers and moments as
// such; the first section's captions frozen; the columns as wide as the tables say. Throws
// shell::ShellError naming the file when it cannot be written; what was written of it is left to
// the caller.
void writeXlsx(const fs::path& file, const std::vector<Sheet>& sheets);

// Text as a spreadsheet cell holds it: UTF-8 with every malformed sequence and every character
// XML cannot carry as U+FFFD, a run that reads like Excel's escape of a character ("_x0041_")
// kept as typed, and at most 32767 characters (Excel's limit), cut with "…".
std::string cellText(std::string_view text);

// The table as a CSV file for a spreadsheet: UTF-8 with a byte-order mark, fields separated by
// ';', every field in quotes with a quote doubled, CR LF after every row. A field a pupil's
// computer sent that a spreadsheet would take for a formula, a number or a date (it begins with
// = + - @, a tab or a carriage return, or is digits and . , : / - only) begins with an
// apostrophe, which marks text.
std::string csvBytes(const Table& table);

// The results on paper: one self-contained UTF-8 HTML page with A4 print rules: the course, the
// lesson's moment, the class's list with the marks, and the statistics; every text escaped.
std::string resultsPage(const lesson::LessonRecord& lesson, const std::vector<lesson::ResultRecord>& newestFirst);

enum class Format { Xlsx, Csv, Page };

// Writes the lesson's results in the format to `target` through a temporary file beside it,
// synced, then renamed over it: the target is the old file or the new one, whole. Refused
// before anything is written: a target inside the lesson's test (pupils can read its folder), the
// store's own file `store` (or its journal), a file another program holds open. Throws
// shell::ShellError naming the target with the reason in Russian; the target is then as it was
// and no temporary stays.
void saveResults(shell::Disk& disk, const fs::path& target, Format format, const lesson::LessonRecord& lesson,
                 const std::vector<lesson::ResultRecord>& newestFirst, const fs::path& store);

}  // namespace results
