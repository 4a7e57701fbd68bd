#include "lesson/SqliteStore.h"

#include <sqlite3.h>

#include <string>

#include "shell/Russian.h"
#include "shell/ShellError.h"

namespace lesson {

namespace {

// The columns of a result: every posted field as "posted_<name>", then what the lesson worked out.
std::string resultColumns() {
  std::string columns = "lesson";
  for (const auto& field : kPostedFields) columns += std::string(", posted_") + field.first;
  columns += ", computed_right, computed_questions, computed_percent, computed_passed, marks, address, received";
  return columns;
}

constexpr int kComputedColumns = 7;

std::string schema() {
  std::string posted;
  for (const auto& field : kPostedFields) posted += std::string("  posted_") + field.first + " TEXT NOT NULL,\n";
  return
      "CREATE TABLE IF NOT EXISTS lessons (\n"
      "  id INTEGER PRIMARY KEY,\n"
      "  folder TEXT NOT NULL,\n"
      "  course TEXT NOT NULL,\n"
      "  started TEXT NOT NULL,\n"
      "  answer_key BLOB NOT NULL,\n"
      "  stages INTEGER NOT NULL,\n"
      "  pass_mark TEXT NOT NULL);\n"
      "CREATE TABLE IF NOT EXISTS results (\n"
      "  id INTEGER PRIMARY KEY,\n"
      "  lesson INTEGER NOT NULL REFERENCES lessons(id),\n" +
      posted +
      "  computed_right INTEGER NOT NULL,\n"
      "  computed_questions INTEGER NOT NULL,\n"
      "  computed_percent INTEGER NOT NULL,\n"
      "  computed_passed INTEGER,\n"
      "  marks INTEGER NOT NULL,\n"
      "  address TEXT NOT NULL,\n"
      "  received TEXT NOT NULL);\n"
      "CREATE INDEX IF NOT EXISTS results_of_lesson ON results (lesson, id);\n";
}

// What a teacher can act on, for the result codes a store meets.
std::string reasonOf(int code) {
  switch (code & 0xFF) {
    case SQLITE_NOTADB:
      return "это не база результатов уроков: файл повреждён или принадлежит другой программе. "
             "Переименуйте или уберите его, и редактор заведёт новую базу";
    case SQLITE_CORRUPT: return "файл базы результатов повреждён";
    case SQLITE_READONLY:
      return "в этот файл нельзя записывать (нет прав на запись, или диск защищён от записи)";
    case SQLITE_CANTOPEN:
      return "не удалось открыть или создать этот файл (нет прав на его папку, или на его месте папка)";
    case SQLITE_FULL: return "на диске нет места";
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return "база результатов занята другой программой; попробуйте ещё раз";
    case SQLITE_IOERR: return "ошибка чтения или записи диска";
    case SQLITE_PERM:
    case SQLITE_AUTH: return "нет прав на этот файл";
    default: return std::string("ошибка базы результатов: ") + sqlite3_errstr(code);
  }
}

// A prepared statement, finalized when it goes out of scope.
class Statement {
 public:
  Statement(sqlite3* db, const std::string& sql) { code_ = sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt_, nullptr); }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  int prepared() const { return code_; }
  sqlite3_stmt* get() const { return stmt_; }
  void text(int column, const std::string& value) {
    sqlite3_bind_text(stmt_, column, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
  }
  std::string column(int i) const {
    const auto* p = static_cast<const char*>(sqlite3_column_blob(stmt_, i));
    return p == nullptr ? std::string() : std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, i)));
  }
  int integer(int i) const { return sqlite3_column_int(stmt_, i); }

 private:
  sqlite3_stmt* stmt_ = nullptr;
  int code_ = SQLITE_OK;
};

}  // namespace

SqliteStore::SqliteStore(const fs::path& file) : file_(file) {
  const int opened = sqlite3_open_v2(shell::utf8(file).c_str(), &db_,
                                     SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  try {
    if (opened != SQLITE_OK) fail(opened, "не удалось открыть базу результатов");
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, 5000);
    // The version is in the file's header: a file that is no database fails here first.
    int version = 0;
    {
      Statement read(db_, "PRAGMA user_version");
      if (read.prepared() != SQLITE_OK) fail(read.prepared(), "не удалось прочитать базу результатов");
      const int step = sqlite3_step(read.get());
      if (step != SQLITE_ROW) fail(step, "не удалось прочитать базу результатов");
      version = read.integer(0);
    }
    if (version > kSchemaVersion) {
      throw shell::ShellError(shell::utf8(file_),
                              "эта база результатов записана более новой версией редактора (версия " +
                                  std::to_string(version) + ", эта программа знает версии до " +
                                  std::to_string(kSchemaVersion) + "); откройте уроки в новой версии редактора");
    }
    if (sqlite3_db_readonly(db_, "main") == 1) fail(SQLITE_READONLY, "не удалось открыть базу результатов");
    execute("PRAGMA journal_mode=WAL", "не удалось открыть базу результатов");
    execute("PRAGMA synchronous=FULL", "не удалось открыть базу результатов");
    execute("PRAGMA foreign_keys=ON", "не удалось открыть базу результатов");
    // Written at every opening: a file or folder that cannot be written is found now, before a
    // lesson starts, not at the first pupil's result.
    execute("BEGIN IMMEDIATE", "не удалось записать базу результатов");
    execute(schema().c_str(), "не удалось записать базу результатов");
    execute(("PRAGMA user_version=" + std::to_string(kSchemaVersion)).c_str(), "не удалось записать базу результатов");
    execute("COMMIT", "не удалось записать базу результатов");
  } catch (...) {
    sqlite3_close(db_);
    throw;
  }
}

SqliteStore::~SqliteStore() { sqlite3_close(db_); }

void SqliteStore::fail(int code, const char* doing) const {
  throw shell::ShellError(shell::utf8(file_), std::string(doing) + ": " + reasonOf(code));
}

void SqliteStore::execute(const char* sql, const char* doing) {
  const int code = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
  if (code == SQLITE_OK) return;
  if (sqlite3_get_autocommit(db_) == 0) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  fail(code, doing);
}

std::int64_t SqliteStore::addLesson(const LessonRecord& lesson) {
  const std::lock_guard<std::mutex> lock(mutex_);
  const char* doing = "не удалось записать урок в базу результатов";
  Statement insert(db_,
                   "INSERT INTO lessons (folder, course, started, answer_key, stages, pass_mark) "
                   "VALUES (?, ?, ?, ?, ?, ?)");
  if (insert.prepared() != SQLITE_OK) fail(insert.prepared(), doing);
  insert.text(1, lesson.folder);
  insert.text(2, lesson.course);
  insert.text(3, lesson.started);
  sqlite3_bind_blob(insert.get(), 4, lesson.key.data(), static_cast<int>(lesson.key.size()), SQLITE_TRANSIENT);
  sqlite3_bind_int(insert.get(), 5, lesson.stages);
  insert.text(6, lesson.passMark);
  if (const int step = sqlite3_step(insert.get()); step != SQLITE_DONE) fail(step, doing);
  return sqlite3_last_insert_rowid(db_);
}

std::int64_t SqliteStore::addResult(const ResultRecord& result) {
  const std::lock_guard<std::mutex> lock(mutex_);
  // One statement outside any transaction of ours: SQLite's own, committed and synced before
  // the step returns.
  return insert(result);
}

std::vector<std::int64_t> SqliteStore::addResults(const std::vector<ResultRecord>& results) {
  const std::lock_guard<std::mutex> lock(mutex_);
  const char* doing = "не удалось сохранить результаты учеников";
  execute("BEGIN IMMEDIATE", doing);
  std::vector<std::int64_t> ids;
  try {
    for (const ResultRecord& result : results) ids.push_back(insert(result));
  } catch (...) {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
  // Committed and synced (synchronous=FULL) before the call returns.
  execute("COMMIT", doing);
  return ids;
}

std::int64_t SqliteStore::insert(const ResultRecord& result) {
  const char* doing = "не удалось сохранить результат ученика";
  const int columns = 1 + static_cast<int>(std::size(kPostedFields)) + kComputedColumns;
  std::string values = "?";
  for (int i = 1; i < columns; ++i) values += ", ?";
  Statement statement(db_, "INSERT INTO results (" + resultColumns() + ") VALUES (" + values + ")");
  if (statement.prepared() != SQLITE_OK) fail(statement.prepared(), doing);
  int column = 1;
  sqlite3_bind_int64(statement.get(), column++, result.lesson);
  for (const auto& field : kPostedFields) statement.text(column++, result.posted.*field.second);
  sqlite3_bind_int(statement.get(), column++, result.score.right);
  sqlite3_bind_int(statement.get(), column++, result.score.questions);
  sqlite3_bind_int(statement.get(), column++, result.score.percent);
  if (result.score.passed) sqlite3_bind_int(statement.get(), column++, *result.score.passed ? 1 : 0);
  else sqlite3_bind_null(statement.get(), column++);
  sqlite3_bind_int64(statement.get(), column++, result.score.marks);
  statement.text(column++, result.address);
  statement.text(column++, result.received);
  if (const int step = sqlite3_step(statement.get()); step != SQLITE_DONE) fail(step, doing);
  return sqlite3_last_insert_rowid(db_);
}

std::vector<LessonRecord> SqliteStore::lessons() {
  const std::lock_guard<std::mutex> lock(mutex_);
  const char* doing = "не удалось прочитать уроки из базы результатов";
  Statement select(db_,
                   "SELECT id, folder, course, started, answer_key, stages, pass_mark FROM lessons "
                   "ORDER BY id DESC");
  if (select.prepared() != SQLITE_OK) fail(select.prepared(), doing);
  std::vector<LessonRecord> out;
  int step;
  while ((step = sqlite3_step(select.get())) == SQLITE_ROW) {
    LessonRecord& l = out.emplace_back();
    l.id = sqlite3_column_int64(select.get(), 0);
    l.folder = select.column(1);
    l.course = select.column(2);
    l.started = select.column(3);
    l.key = select.column(4);
    l.stages = select.integer(5);
    l.passMark = select.column(6);
  }
  if (step != SQLITE_DONE) fail(step, doing);
  return out;
}

std::vector<ResultRecord> SqliteStore::results(std::int64_t lesson) {
  const std::lock_guard<std::mutex> lock(mutex_);
  const char* doing = "не удалось прочитать результаты из базы результатов";
  Statement select(db_, "SELECT id, " + resultColumns() + " FROM results WHERE lesson = ? ORDER BY id DESC");
  if (select.prepared() != SQLITE_OK) fail(select.prepared(), doing);
  sqlite3_bind_int64(select.get(), 1, lesson);
  std::vector<ResultRecord> out;
  int step;
  while ((step = sqlite3_step(select.get())) == SQLITE_ROW) {
    ResultRecord& r = out.emplace_back();
    r.id = sqlite3_column_int64(select.get(), 0);
    r.lesson = sqlite3_column_int64(select.get(), 1);
    int column = 2;
    for (const auto& field : kPostedFields) r.posted.*field.second = select.column(column++);
    r.score.right = select.integer(column++);
    r.score.questions = select.integer(column++);
    r.score.percent = select.integer(column++);
    if (sqlite3_column_type(select.get(), column) != SQLITE_NULL) r.score.passed = select.integer(column) != 0;
    ++column;
    r.score.marks = static_cast<unsigned>(sqlite3_column_int64(select.get(), column++));
    r.address = select.column(column++);
    r.received = select.column(column++);
  }
  if (step != SQLITE_DONE) fail(step, doing);
  return out;
}

}  // namespace lesson
