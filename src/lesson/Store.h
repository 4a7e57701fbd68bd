#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "lesson/Form.h"
#include "lesson/Score.h"
#include "lesson/Snapshot.h"

namespace lesson {

// A lesson as kept: which test, when, the key its results were scored against and the questions
// they answered.
struct LessonRecord {
  std::int64_t id = 0;     // given by the store
  std::string folder;      // the test's folder, UTF-8
  std::string course;      // the course, UTF-8
  std::string started;     // UTC, ISO 8601 ("2024-05-14T08:30:00Z")
  std::string key;         // 1.js as served, its bytes
  int stages = 0;          // the key's number of stages
  std::string passMark;    // the key's pass mark line, UTF-8
  // Question i answers slot i of the key, one per question of the test; none for a lesson kept
  // before the questions were.
  std::vector<QuestionText> questions;
  bool operator==(const LessonRecord&) const = default;
};

// A lesson in the list of lessons: what tells it from the others, without its key and questions.
struct LessonSummary {
  std::int64_t id = 0;
  std::string folder, course, started;  // as in LessonRecord
  int stages = 0;
  int results = 0;  // results kept
  int pupils = 0;   // pupils among them (the same name and class are one)
  bool operator==(const LessonSummary&) const = default;
};

// One result as kept: every field as posted, the score computed again, who sent it and when.
struct ResultRecord {
  std::int64_t id = 0;      // given by the store
  std::int64_t lesson = 0;
  Posted posted;
  Score score;
  std::string address;      // the pupil's computer
  std::string received;     // UTC, ISO 8601
  bool operator==(const ResultRecord&) const = default;
};

// The columns of a result in every store: "lesson", every posted field as "posted_<name>", then
// what the lesson worked out (kComputedColumns of them).
inline std::string resultColumns() {
  std::string columns = "lesson";
  for (const auto& field : kPostedFields) columns += std::string(", posted_") + field.first;
  columns += ", computed_right, computed_questions, computed_percent, computed_passed, marks, address, received";
  return columns;
}
inline constexpr int kComputedColumns = 7;

// Where lessons and their results are kept: SQLite on the teacher's computer, or a school's
// PostgreSQL server for a lesson without a window, behind the same calls. A store is used by the
// lesson's server thread (adding) and by the window's (reading) at once. Each method throws
// shell::ShellError naming the store's file (or server) and what is wrong, in Russian.
class Store {
 public:
  virtual ~Store() = default;
  // Keeps a lesson with its questions, in one transaction; returns its id.
  virtual std::int64_t addLesson(const LessonRecord& lesson) = 0;
  // Keeps a result in one transaction, durable when the call returns; returns its id.
  virtual std::int64_t addResult(const ResultRecord& result) = 0;
  // Keeps results that came at once, durable when the call returns; returns their ids. A store
  // that can keeps them in one transaction, all or none, with one sync for them all (what lets a
  // class's results sent at once wait for one sync, not one each); by default, one addResult
  // after another.
  virtual std::vector<std::int64_t> addResults(const std::vector<ResultRecord>& results) {
    std::vector<std::int64_t> ids;
    for (const ResultRecord& result : results) ids.push_back(addResult(result));
    return ids;
  }
  // The lessons, the newest first.
  virtual std::vector<LessonRecord> lessons() = 0;
  // A lesson's results, the newest first.
  virtual std::vector<ResultRecord> results(std::int64_t lesson) = 0;
  // One lesson with its questions; nothing when the store has none of that id.
  virtual std::optional<LessonRecord> lesson(std::int64_t id) = 0;
  // The lessons of the test in `folder` (as LessonRecord::folder names it), or of every test,
  // the newest first, each with its counts: one query, however many lessons.
  virtual std::vector<LessonSummary> lessonList(const std::optional<std::string>& folder) = 0;
  // Deletes a lesson with its questions and results, in one transaction: all of it or nothing.
  // Returns whether there was such a lesson. The only call that removes anything.
  virtual bool deleteLesson(std::int64_t id) = 0;
};

// A store that hands every call to another: what wraps a store (to report, to count, to slow it
// down) overrides only the calls it adds to.
class ForwardingStore : public Store {
 public:
  explicit ForwardingStore(Store& real) : real_(real) {}
  std::int64_t addLesson(const LessonRecord& lesson) override { return real_.addLesson(lesson); }
  std::int64_t addResult(const ResultRecord& result) override { return real_.addResult(result); }
  std::vector<std::int64_t> addResults(const std::vector<ResultRecord>& results) override {
    return real_.addResults(results);
  }
  std::vector<LessonRecord> lessons() override { return real_.lessons(); }
  std::vector<ResultRecord> results(std::int64_t lesson) override { return real_.results(lesson); }
  std::optional<LessonRecord> lesson(std::int64_t id) override { return real_.lesson(id); }
  std::vector<LessonSummary> lessonList(const std::optional<std::string>& folder) override {
    return real_.lessonList(folder);
  }
  bool deleteLesson(std::int64_t id) override { return real_.deleteLesson(id); }

 protected:
  Store& real_;
};

// A moment as UTC in ISO 8601, to the second: "2024-05-14T08:30:00Z".
std::string isoUtc(std::chrono::system_clock::time_point when);

}  // namespace lesson
