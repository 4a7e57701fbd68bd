#include "window/Results.h"

#include <algorithm>
#include <cstdio>
#include <iostream>

#include "lesson/Rows.h"
#include "results/Export.h"
#include "results/Tables.h"
#include "shell/Layout.h"
#include "shell/Russian.h"
#include "shell/ShellError.h"
#include "window/Driver.h"
#include "window/Fields.h"

namespace window {

namespace {

// A store's or a lesson's problem the teacher can act on, or the editor's own otherwise.
template <typename Call>
std::optional<std::string> caught(Call call) {
  try {
    call();
  } catch (const shell::ShellError& e) {
    return std::string(e.what());
  } catch (const std::exception& e) {
    std::cerr << e.what() << std::endl;
    return std::string("Результаты не прочитаны: внутренняя ошибка редактора. Тест не изменён, редактор работает дальше.");
  }
  return std::nullopt;
}

std::string title(bool allTests) {
  return std::string(dialog::kResultsTitle) + (allTests ? ": все тесты" : ": этот тест");
}

std::string lessonName(const lesson::LessonSummary& lesson) {
  const auto [date, time] = lessonMoment(lesson.started);
  return "«" + lesson.course + "» от " + date + " " + time;
}

}  // namespace

std::pair<std::string, std::string> lessonMoment(const std::string& isoUtc) {
  const auto local = results::localTime(isoUtc);
  if (!local) return {isoUtc, ""};
  char date[16], time[8];
  std::snprintf(date, sizeof date, "%02d.%02d.%04d", local->day, local->month, local->year);
  std::snprintf(time, sizeof time, "%02d:%02d", local->hour, local->minute);
  return {date, time};
}

std::string resultsFileName(const std::string& course, const std::string& isoUtc) {
  std::string name = results::validUtf8(course);
  if (const auto local = results::localTime(isoUtc)) {
    char date[16];
    std::snprintf(date, sizeof date, " %04d-%02d-%02d", local->year, local->month, local->day);
    name += date;
  }
  // The one rule of a file's name, which works on the code page's bytes with references.
  const auto bytes = toCodePage(fromUtf8(name).value_or(u""), FieldRule::References);
  return fileNameOf(bytes.value_or(""));
}

// Тест → «Результаты уроков…»: the window on the program's store, the lessons of the test shown;
// a second press brings it to the front. A store that cannot be opened is told of, and nothing
// else happens.
void Driver::openResults() {
  if (results_) return view_.raiseResults();
  auto state = std::make_unique<ResultsState>();
  const auto error = caught([&] {
    state->file = program_.lesson.storeFile ? program_.lesson.storeFile() : lesson::SqliteStore::defaultFile();
    state->store = std::make_unique<lesson::SqliteStore>(state->file);
  });
  if (error) return dialogs_.inform(*error, std::string(dialog::kResultsTitle));
  results_ = std::move(state);
  readLessons(std::nullopt);
}

// The lessons listed again (of the test shown, or of every test), the lesson `keep` chosen again
// when it is still there, otherwise the newest; then the window shown.
void Driver::readLessons(std::optional<std::int64_t> keep) {
  ResultsState& r = *results_;
  r.shown.problem.clear();
  std::optional<std::string> folder;
  if (!r.allTests && editor_ != nullptr) folder = shell::utf8(editor_->state().ShellPath);
  if (const auto error = caught([&] { r.lessons = r.store->lessonList(folder); })) {
    r.lessons.clear();
    r.shown.problem = *error;
  }
  std::optional<std::int64_t> id;
  for (const lesson::LessonSummary& l : r.lessons) {
    if (keep && l.id == *keep) id = l.id;
  }
  if (!id && !r.lessons.empty()) id = r.lessons.front().id;
  if (id) {
    readChosen(*id);
  } else {
    r.chosen.reset();
    r.results.clear();
    r.statistics.reset();
    showResults();
  }
}

// One lesson with its results and statistics read; what cannot be read is said in the window.
void Driver::readChosen(std::int64_t id) {
  ResultsState& r = *results_;
  r.chosen.reset();
  r.results.clear();
  r.statistics.reset();
  r.shown.problem.clear();
  if (auto error = caught([&] {
        r.chosen = r.store->lesson(id);
        if (!r.chosen) throw shell::ShellError(shell::utf8(r.file), "этого урока больше нет в базе результатов");
        r.results = r.store->results(id);
      })) {
    r.chosen.reset();
    r.results.clear();
    r.shown.problem = *error;
  } else if (auto wrong = caught([&] { r.statistics = results::statistics(*r.chosen, r.results); })) {
    r.shown.problem = *wrong;
  }
  showResults();
}

void Driver::showResults() {
  ResultsState& r = *results_;
  ResultsView v;
  v.title = title(r.allTests);
  v.allTests = r.allTests;
  v.problem = r.shown.problem;
  v.lessonColumns = {"Дата", "Время", "Курс", "Результатов", "Учеников"};
  if (r.allTests) v.lessonColumns.push_back("Папка теста");
  for (std::size_t i = 0; i < r.lessons.size(); ++i) {
    const lesson::LessonSummary& l = r.lessons[i];
    const auto [date, time] = lessonMoment(l.started);
    std::vector<std::string> row{date, time, results::validUtf8(l.course), std::to_string(l.results), std::to_string(l.pupils)};
    if (r.allTests) row.push_back(results::validUtf8(l.folder));
    v.lessons.push_back(std::move(row));
    if (r.chosen && r.chosen->id == l.id) v.chosen = static_cast<int>(i);
  }
  if (r.lessons.empty() && v.problem.empty()) v.problem = dialog::kResultsNone;
  r.statisticsRows.clear();
  if (r.chosen) {
    v.columns = lesson::tableCaptions();
    for (const lesson::Row& row : lesson::tableRows(r.results)) v.rows.push_back({lesson::tableCells(row), !row.marks.empty()});
    v.exportable = true;
    v.deletable = !(lesson_ && lesson_->id() == r.chosen->id);
  }
  if (r.statistics) {
    v.notes = results::statisticsNotes(*r.statistics);
    // The table every export shares, the most missed first.
    const results::Table missed = results::missedTable(*r.statistics);
    v.statisticsColumns = missed.captions;
    for (std::size_t i = 0; i < missed.rows.size(); ++i) {
      std::vector<std::string> cells;
      for (const results::Cell& cell : missed.rows[i]) cells.push_back(cell.shown());
      v.statistics.push_back(std::move(cells));
      r.statisticsRows.push_back(r.statistics->missedMost[i]);
    }
  }
  r.shown = v;
  view_.showResults(v);
}

void Driver::resultsScope(bool allTests) {
  if (!results_ || busy_) return;
  results_->allTests = allTests;
  readLessons(results_->chosen ? std::optional(results_->chosen->id) : std::nullopt);
}

void Driver::resultsChosen(int row) {
  if (!results_ || busy_ || row < 0 || row >= static_cast<int>(results_->lessons.size())) return;
  readChosen(results_->lessons[static_cast<std::size_t>(row)].id);
}

void Driver::resultsAction(ResultsAction action) {
  if (!results_ || busy_ || ended_ || !results_->chosen) return;
  if (action == ResultsAction::Delete) return deleteLesson();
  saveResults(action);
}

void Driver::resultsClosed() { results_.reset(); }

// The chosen lesson's results in a file: the spreadsheet or the CSV file where the teacher
// chooses (in the documents, named by the course and the date), the printed page in the
// program's temporary folder and then in the browser. A file that cannot be written is told of,
// naming it; the store is only read.
void Driver::saveResults(ResultsAction action) {
  shell::Disk* disk = program_.lesson.disk;
  if (disk == nullptr) return;
  // Copies: the window may be closed, or the list read again, while the save dialog is up.
  const lesson::LessonRecord record = *results_->chosen;
  const std::vector<lesson::ResultRecord> results = results_->results;
  const std::filesystem::path store = results_->file;
  std::filesystem::path file;
  results::Format format = results::Format::Page;
  if (action == ResultsAction::Print) {
    std::filesystem::path folder = program_.temporary;
    if (const auto error = caught([&] {
          if (folder.empty()) folder = std::filesystem::temp_directory_path() / "test-editor";
          if (!disk->folderExists(folder)) disk->makeFolder(folder);
        })) {
      return dialogs_.inform(*error, std::string(dialog::kResultsTitle));
    }
    file = folder / ("Результаты урока " + std::to_string(record.id) + ".html");
  } else {
    const bool xlsx = action == ResultsAction::SaveXlsx;
    format = xlsx ? results::Format::Xlsx : results::Format::Csv;
    FileDialog d{true,
                 xlsx ? "Сохранить результаты в Excel" : "Сохранить результаты в CSV",
                 {xlsx ? std::pair<std::string, std::string>{"Книги Excel", "*.xlsx"}
                       : std::pair<std::string, std::string>{"Файлы CSV", "*.csv"},
                  {"Все файлы", "*"}},
                 program_.documents,
                 resultsFileName(record.course, record.started) + (xlsx ? ".xlsx" : ".csv"),
                 xlsx ? "xlsx" : "csv"};
    busy_ = true;
    const auto chosen = view_.chooseFile(d);
    busy_ = false;
    if (!chosen) return;
    file = *chosen;
  }
  busy_ = true;
  const auto error = caught([&] { results::saveResults(*disk, file, format, record, results, store); });
  busy_ = false;
  if (error) return dialogs_.inform(*error, std::string(dialog::kResultsTitle));
  if (action == ResultsAction::Print && editor_ != nullptr) {
    busy_ = true;
    editor_->openWritten(file);
    busy_ = false;
  }
}

// The chosen lesson deleted with its results, asked first by its name and counts; never the
// lesson running now.
void Driver::deleteLesson() {
  ResultsState& r = *results_;
  if (lesson_ && lesson_->id() == r.chosen->id) return;
  const auto summary = std::find_if(r.lessons.begin(), r.lessons.end(),
                                    [&](const lesson::LessonSummary& l) { return l.id == r.chosen->id; });
  if (summary == r.lessons.end()) return;
  const std::string question = "Удалить урок " + lessonName(*summary) + " со всеми его результатами (результатов: " +
                               std::to_string(summary->results) + ", учеников: " + std::to_string(summary->pupils) +
                               ")? Вернуть их будет нельзя.";
  const std::int64_t id = r.chosen->id;
  busy_ = true;
  const bool yes = dialogs_.confirm(question, std::string(dialog::kResultsTitle));
  busy_ = false;
  // The window may have been closed while the question was up; and never the lesson running.
  if (!yes || !results_ || (lesson_ && lesson_->id() == id)) return;
  if (const auto error = caught([&] { results_->store->deleteLesson(id); })) {
    dialogs_.inform(*error, std::string(dialog::kResultsTitle));
  }
  readLessons(std::nullopt);
}

// A question of the statistics in the editor's form, chosen in the lists as a click chooses it
// (a changed question asked about first); a lesson of another test says so instead.
void Driver::resultsQuestion(int row) {
  if (!results_ || busy_ || ended_ || editor_ == nullptr || !results_->statistics || row < 0 ||
      row >= static_cast<int>(results_->statisticsRows.size())) {
    return;
  }
  const ResultsState& r = *results_;
  const int slot = r.statistics->questions[r.statisticsRows[static_cast<std::size_t>(row)]].slot;
  const int stage = slot / shell::kQuestionsPerStage + 1, question = slot % shell::kQuestionsPerStage + 1;
  // A lesson names its test's folder as the list of this test's lessons finds it.
  if (r.chosen->folder != shell::utf8(editor_->state().ShellPath)) {
    return dialogs_.inform("Этот урок проведён по другому тесту, из папки «" + results::validUtf8(r.chosen->folder) +
                               "»: вопрос " + std::to_string(question) + " этапа " + std::to_string(stage) +
                               " в редакторе не показать. Откройте тот тест (Файл → «Открыть тест…»).",
                           std::string(dialog::kResultsTitle));
  }
  if (stage > editor_->state().StageCount) {
    return dialogs_.inform("В тесте теперь нет этапа " + std::to_string(stage) + ": вопрос " + std::to_string(question) +
                               " этапа " + std::to_string(stage) + " в редакторе не показать.",
                           std::string(dialog::kResultsTitle));
  }
  showQuestion(stage, question);
}

}  // namespace window
