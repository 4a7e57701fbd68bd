#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "lesson/SqliteStore.h"
#include "results/Statistics.h"
#include "window/Commands.h"

namespace window {

// The results window as plain data, which each toolkit draws: not modal, beside the editor's.
// A switch between the lessons of the test shown and those of every test; the lessons, the
// newest first (date, time, course, results, pupils), one of them chosen; the chosen lesson's
// table as the lesson's window shows it (the same marks); its statistics, a row a question, the
// questions missed most first; and the buttons, offered while a lesson is chosen (deletion not
// for the lesson running now). `problem` says what could not be read, in Russian.
struct ResultsView {
  std::string title;
  bool allTests = false;
  std::vector<std::string> lessonColumns;
  std::vector<std::vector<std::string>> lessons;
  int chosen = -1;  // into lessons; -1 for none
  std::vector<std::string> columns;  // the chosen lesson's table
  std::vector<LessonRow> rows;
  std::vector<std::string> notes;  // what the statistics counted and set apart
  std::vector<std::string> statisticsColumns;
  std::vector<std::vector<std::string>> statistics;  // the questions, the most missed first
  bool exportable = false;  // the saves and the printing
  bool deletable = false;
  std::string problem;
  bool operator==(const ResultsView&) const = default;
};

// What the teacher does in the results window besides choosing.
enum class ResultsAction { SaveXlsx, SaveCsv, Print, Delete };

namespace dialog {
inline constexpr std::string_view kResultsTitle = "Результаты уроков";
inline constexpr std::string_view kResultsThisTest = "Только этот тест";
inline constexpr std::string_view kResultsAllTests = "Все тесты";
inline constexpr std::string_view kResultsLessons = "Уроки";
inline constexpr std::string_view kResultsTable = "Результаты учеников";
inline constexpr std::string_view kResultsStatistics =
    "Вопросы (чаще всего пропущенные — первыми). Двойной щелчок или Enter показывает вопрос в редакторе.";
inline constexpr std::string_view kResultsSaveXlsx = "Сохранить в &Excel…";
inline constexpr std::string_view kResultsSaveCsv = "Сохранить в &CSV…";
inline constexpr std::string_view kResultsPrint = "&Напечатать";
inline constexpr std::string_view kResultsDelete = "&Удалить урок";
inline constexpr std::string_view kResultsNone = "Уроков пока нет: результаты появятся здесь после урока (Тест → «Провести тест в классе…»).";
}  // namespace dialog

// What the driver keeps while the results window is open: the store it reads (its own
// connection, never written but by a deletion the teacher confirmed), the lessons listed and the
// one chosen with its results.
struct ResultsState {
  std::unique_ptr<lesson::SqliteStore> store;
  std::filesystem::path file;
  bool allTests = false;
  std::vector<lesson::LessonSummary> lessons;
  std::optional<lesson::LessonRecord> chosen;
  std::vector<lesson::ResultRecord> results;  // the chosen lesson's, the newest first
  std::optional<results::Statistics> statistics;
  std::vector<std::size_t> statisticsRows;  // a row of the statistics: its question's index
  ResultsView shown;
};

// A lesson's moment as its row in the list shows it: the date and the time on this computer's
// clock ("14.05.2024", "09:41"); the stored text when it is no moment.
std::pair<std::string, std::string> lessonMoment(const std::string& isoUtc);

// The name offered for a lesson's results: its course and date ("Физика 2024-05-14"), without
// what no file name may hold.
std::string resultsFileName(const std::string& course, const std::string& isoUtc);

}  // namespace window
