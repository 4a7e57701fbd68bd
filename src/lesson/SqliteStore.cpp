#include "lesson/SqliteStore.h"

#include <sqlite3.h>

#include <map>
#include <string>

#include "shell/Layout.h"
#include "shell/Russian.h"
#include "shell/ShellError.h"

namespace lesson {

namespace {

// The schema's first version: the lessons and their results.
std::string schemaVersion1() {
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

// Version 2: each lesson's questions as served, for the statistics' texts, and the lessons of
// one test found by its folder. A lesson of version 1 keeps no questions.
constexpr const char* kSchemaVersion2 =
    "CREATE TABLE IF NOT EXISTS lesson_questions (\n"
    "  lesson INTEGER NOT NULL REFERENCES lessons(id),\n"
    "  slot INTEGER NOT NULL,\n"
    "  text TEXT NOT NULL,\n"
    "  answer1 TEXT NOT NULL,\n"
    "  answer2 TEXT NOT NULL,\n"
    "  answer3 TEXT NOT NULL,\n"
    "  answer4 TEXT NOT NULL,\n"
    "  PRIMARY KEY (lesson, slot));\n"
    "CREATE INDEX IF NOT EXISTS lessons_of_folder ON lessons (folder, id);\n";

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
    // Each version's steps from the file's own version on, and the new version, in one
    // transaction: a file is at one version or the next, never between.
    const char* writing = "не удалось записать базу результатов";
    execute("BEGIN IMMEDIATE", writing);
    if (version < 1) execute(schemaVersion1().c_str(), writing);
    if (version < 2) execute(kSchemaVersion2, writing);
    execute(("PRAGMA user_version=" + std::to_string(kSchemaVersion)).c_str(), writing);
    execute("COMMIT", writing);
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

void SqliteStore::rollback() {
  if (sqlite3_get_autocommit(db_) == 0) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

std::int64_t SqliteStore::addLesson(const LessonRecord& lesson) {
  const std::lock_guard<std::mutex> lock(mutex_);
  const char* doing = "не удалось записать урок в базу результатов";
  execute("BEGIN IMMEDIATE", doing);
  try {
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
    const std::int64_t id = sqlite3_last_insert_rowid(db_);
    Statement question(db_,
                       "INSERT INTO lesson_questions (lesson, slot, text, answer1, answer2, answer3, answer4) "
                       "VALUES (?, ?, ?, ?, ?, ?, ?)");
    if (question.prepared() != SQLITE_OK) fail(question.prepared(), doing);
    for (std::size_t slot = 0; slot < lesson.questions.size(); ++slot) {
      const QuestionText& q = lesson.questions[slot];
      sqlite3_reset(question.get());
      sqlite3_bind_int64(question.get(), 1, id);
      sqlite3_bind_int(question.get(), 2, static_cast<int>(slot));
      question.text(3, q.text);
      for (std::size_t i = 0; i < q.answers.size(); ++i) question.text(4 + static_cast<int>(i), q.answers[i]);
      if (const int step = sqlite3_step(question.get()); step != SQLITE_DONE) fail(step, doing);
    }
    execute("COMMIT", doing);
    return id;
  } catch (...) {
    rollback();
    throw;
  }
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
  std::map<std::int64_t, LessonRecord*> byId;
  for (LessonRecord& l : out) byId[l.id] = &l;
  readQuestions("SELECT lesson, slot, text, answer1, answer2, answer3, answer4 FROM lesson_questions "
                "ORDER BY lesson, slot",
                std::nullopt,
                [&byId](std::int64_t id) {
                  const auto at = byId.find(id);
                  return at == byId.end() ? nullptr : at->second;
                },
                doing);
  return out;
}

void SqliteStore::readQuestions(const std::string& sql, std::optional<std::int64_t> only,
                                const std::function<LessonRecord*(std::int64_t)>& into, const char* doing) {
  Statement select(db_, sql);
  if (select.prepared() != SQLITE_OK) fail(select.prepared(), doing);
  if (only) sqlite3_bind_int64(select.get(), 1, *only);
  int step;
  while ((step = sqlite3_step(select.get())) == SQLITE_ROW) {
    LessonRecord* lesson = into(sqlite3_column_int64(select.get(), 0));
    const int slot = select.integer(1);
    // Slots come in order from 0; a gap would be a file changed by hand, and its slots stay empty.
    if (lesson == nullptr || slot < 0 || slot >= shell::kAnswerSlots) continue;
    if (lesson->questions.size() <= static_cast<std::size_t>(slot)) lesson->questions.resize(slot + 1);
    QuestionText& q = lesson->questions[static_cast<std::size_t>(slot)];
    q.text = select.column(2);
    for (std::size_t i = 0; i < q.answers.size(); ++i) q.answers[i] = select.column(3 + static_cast<int>(i));
  }
  if (step != SQLITE_DONE) fail(step, doing);
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

std::optional<LessonRecord> SqliteStore::lesson(std::int64_t id) {
  const std::lock_guard<std::mutex> lock(mutex_);
  const char* doing = "не удалось прочитать урок из базы результатов";
  Statement select(db_,
                   "SELECT folder, course, started, answer_key, stages, pass_mark FROM lessons WHERE id = ?");
  if (select.prepared() != SQLITE_OK) fail(select.prepared(), doing);
  sqlite3_bind_int64(select.get(), 1, id);
  const int step = sqlite3_step(select.get());
  if (step == SQLITE_DONE) return std::nullopt;
  if (step != SQLITE_ROW) fail(step, doing);
  LessonRecord l;
  l.id = id;
  l.folder = select.column(0);
  l.course = select.column(1);
  l.started = select.column(2);
  l.key = select.column(3);
  l.stages = select.integer(4);
  l.passMark = select.column(5);
  readQuestions("SELECT lesson, slot, text, answer1, answer2, answer3, answer4 FROM lesson_questions "
                "WHERE lesson = ? ORDER BY slot",
                id, [&l](std::int64_t) { return &l; }, doing);
  return l;
}

std::vector<LessonSummary> SqliteStore::lessonList(const std::optional<std::string>& folder) {
  const std::lock_guard<std::mutex> lock(mutex_);
  const char* doing = "не удалось прочитать список уроков из базы результатов";
  // A pupil is a name and a class; the name's length in front keeps two pairs from meeting in
  // one text ("ab" + "c" and "a" + "bc").
  Statement select(db_, std::string("SELECT l.id, l.folder, l.course, l.started, l.stages, COUNT(r.id), "
                                    "COUNT(DISTINCT length(r.posted_student) || ':' || r.posted_student || "
                                    "r.posted_group) "
                                    "FROM lessons l LEFT JOIN results r ON r.lesson = l.id ") +
                            (folder ? "WHERE l.folder = ? " : "") + "GROUP BY l.id ORDER BY l.id DESC");
  if (select.prepared() != SQLITE_OK) fail(select.prepared(), doing);
  if (folder) select.text(1, *folder);
  std::vector<LessonSummary> out;
  int step;
  while ((step = sqlite3_step(select.get())) == SQLITE_ROW) {
    LessonSummary& l = out.emplace_back();
    l.id = sqlite3_column_int64(select.get(), 0);
    l.folder = select.column(1);
    l.course = select.column(2);
    l.started = select.column(3);
    l.stages = select.integer(4);
    l.results = select.integer(5);
    l.pupils = select.integer(6);
  }
  if (step != SQLITE_DONE) fail(step, doing);
  return out;
}

bool SqliteStore::deleteLesson(std::int64_t id) {
  const std::lock_guard<std::mutex> lock(mutex_);
  const char* doing = "не удалось удалить урок из базы результатов";
  execute("BEGIN IMMEDIATE", doing);
  try {
    int deleted = 0;
    for (const char* sql : {"DELETE FROM results WHERE lesson = ?", "DELETE FROM lesson_questions WHERE lesson = ?",
                            "DELETE FROM lessons WHERE id = ?"}) {
      Statement remove(db_, sql);
      if (remove.prepared() != SQLITE_OK) fail(remove.prepared(), doing);
      sqlite3_bind_int64(remove.get(), 1, id);
      if (const int step = sqlite3_step(remove.get()); step != SQLITE_DONE) fail(step, doing);
      deleted = sqlite3_changes(db_);
    }
    execute("COMMIT", doing);
    return deleted > 0;
  } catch (...) {
    rollback();
    throw;
  }
}

}  // namespace lesson
