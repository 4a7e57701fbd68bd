#pragma once

#include <filesystem>
#include <functional>
#include <mutex>

#include "lesson/Store.h"

struct sqlite3;

namespace lesson {

namespace fs = std::filesystem;

// The store in one SQLite file: tables `lessons`, `lesson_questions` and `results`, the schema's
// version in PRAGMA user_version (a file of an earlier version is brought to this one when it is
// opened), the write-ahead log, every commit synced before it returns. One connection, one call
// at a time.
class SqliteStore final : public Store {
 public:
  // Opens the file, making it and its schema if missing. Throws shell::ShellError naming the
  // file when it cannot be made or opened, is no database of results, cannot be written, or has
  // a schema newer than this program knows.
  explicit SqliteStore(const fs::path& file);
  ~SqliteStore() override;
  SqliteStore(const SqliteStore&) = delete;
  SqliteStore& operator=(const SqliteStore&) = delete;

  // Where the teacher's results live: "results.sqlite" in the folder "test-editor" of the user's
  // data ($XDG_DATA_HOME, by default ~/.local/share; %APPDATA%, by default the system's folder
  // of it, on Windows; relative ones are passed over), the folder made if
  // missing. Never in a test, which pupils can read. Throws shell::ShellError naming the folder.
  static fs::path defaultFile();
  // "results.sqlite" in a folder of the teacher's choice (a school's server keeps it in
  // /var/lib), the folder made if missing. Throws shell::ShellError naming the folder.
  static fs::path fileIn(const fs::path& folder);

  static constexpr int kSchemaVersion = 2;

  std::int64_t addLesson(const LessonRecord& lesson) override;
  std::int64_t addResult(const ResultRecord& result) override;
  // In one transaction: all of them or none.
  std::vector<std::int64_t> addResults(const std::vector<ResultRecord>& results) override;
  std::vector<LessonRecord> lessons() override;
  std::vector<ResultRecord> results(std::int64_t lesson) override;
  std::optional<LessonRecord> lesson(std::int64_t id) override;
  std::vector<LessonSummary> lessonList(const std::optional<std::string>& folder) override;
  bool deleteLesson(std::int64_t id) override;

  const fs::path& file() const { return file_; }

 private:
  [[noreturn]] void fail(int code, const char* doing) const;
  void execute(const char* sql, const char* doing);
  std::int64_t insert(const ResultRecord& result);  // with the mutex held
  // Every row of a query of (lesson, slot, text, answer1..4), its one parameter `only` when
  // given, into the questions of the lesson that `into` finds for the row's lesson.
  void readQuestions(const std::string& sql, std::optional<std::int64_t> only,
                     const std::function<LessonRecord*(std::int64_t)>& into, const char* doing);
  void rollback();

  fs::path file_;
  sqlite3* db_ = nullptr;
  std::mutex mutex_;
};

// The folder of the user's own data on this system (without the program's folder in it).
fs::path userDataFolder();

}  // namespace lesson
