// The store of lessons and results in SQLite: what goes in comes back, in a folder of the
// teacher's data, and a file that cannot serve is named in Russian before a lesson starts.

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "lesson/SqliteStore.h"
#include "shell/ShellError.h"
#include "support/Fixtures.h"

namespace lesson {
namespace {

using support::TempDir;

// An environment variable set for the length of a scope, and put back after it.
class Env {
 public:
  Env(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value != nullptr) ::setenv(name, value, 1);
    else ::unsetenv(name);
  }
  ~Env() {
    if (old_) ::setenv(name_, old_->c_str(), 1);
    else ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

std::string pragma(const fs::path& file, const char* name) {
  sqlite3* db = nullptr;
  sqlite3_open(file.c_str(), &db);
  sqlite3_stmt* stmt = nullptr;
  std::string out;
  if (sqlite3_prepare_v2(db, (std::string("PRAGMA ") + name).c_str(), -1, &stmt, nullptr) == SQLITE_OK &&
      sqlite3_step(stmt) == SQLITE_ROW) {
    out = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
  }
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  return out;
}

ResultRecord result(std::int64_t lesson, std::string student, int right) {
  ResultRecord r;
  r.lesson = lesson;
  for (const auto& [name, field] : kPostedFields) r.posted.*field = std::string(name) + " «значение» √ 😀";
  r.posted.student = std::move(student);
  r.posted.group = "<b>9А</b>&amp;";
  r.score = {right, 60, right * 100 / 60, right >= 36, ClaimDiffers | BadAnswer};
  r.address = "192.168.1.23";
  r.received = "2024-05-14T08:3" + std::to_string(right % 10) + ":00Z";
  return r;
}

TEST(Store, LessonsAndResultsComeBackAsTheyWentInNewestFirst) {
  TempDir tmp;
  const Env xdg("XDG_DATA_HOME", (tmp.path() / "data").c_str());
  const fs::path file = SqliteStore::defaultFile();
  EXPECT_EQ(file, tmp.path() / "data" / "test-editor" / "results.sqlite");
  EXPECT_TRUE(fs::is_directory(file.parent_path()));

  LessonRecord first{0, "/home/учитель/тест", "Основы √", "2024-05-14T08:00:00Z", std::string("key\0\xFF\r\n", 7), 6, "60"};
  LessonRecord second{0, "/media/stick/test", "Другой", "2024-05-14T09:00:00Z", "1.js", 0, ""};
  std::vector<ResultRecord> results = {result(0, "Иванов", 40), result(0, "Петров <script>", 12)};
  results[1].score.passed.reset();
  {
    SqliteStore store(file);
    first.id = store.addLesson(first);
    second.id = store.addLesson(second);
    for (auto& r : results) {
      r.lesson = first.id;
      r.id = store.addResult(r);
    }
    ResultRecord later = result(second.id, "Сидоров", 59);
    later.id = store.addResult(later);
    EXPECT_EQ(store.results(second.id), std::vector<ResultRecord>{later});
    // Results sent at once go in one transaction: all of them, or none when one cannot be kept
    // (here a result of a lesson the store does not have).
    std::vector<ResultRecord> atOnce = {result(second.id, "Козлов", 30), result(second.id, "Орлов", 31)};
    const std::vector<std::int64_t> ids = store.addResults(atOnce);
    ASSERT_EQ(ids.size(), 2u);
    atOnce[0].id = ids[0];
    atOnce[1].id = ids[1];
    EXPECT_EQ(store.results(second.id), (std::vector<ResultRecord>{atOnce[1], atOnce[0], later}));
    EXPECT_THROW(store.addResults({result(second.id, "Белов", 1), result(second.id + 100, "Чужой", 2)}), shell::ShellError);
    EXPECT_EQ(store.results(second.id).size(), 3u);
    store.addResults({result(second.id, "Белов", 1)});
    EXPECT_EQ(store.results(second.id).size(), 4u);
  }
  // The file read again by a store of its own: the data outlives the store that wrote it.
  SqliteStore again(file);
  EXPECT_EQ(again.lessons(), (std::vector<LessonRecord>{second, first}));
  EXPECT_EQ(again.results(first.id), (std::vector<ResultRecord>{results[1], results[0]}));
  EXPECT_EQ(again.results(first.id + 100), std::vector<ResultRecord>{});
  EXPECT_EQ(again.results(second.id).size(), 4u);
  EXPECT_EQ(pragma(file, "user_version"), "1");
  EXPECT_EQ(pragma(file, "journal_mode"), "wal");

  // Without XDG_DATA_HOME (or with a relative one) the data lives under the home folder.
  const Env relative("XDG_DATA_HOME", "data");
  const Env home("HOME", tmp.path().c_str());
  EXPECT_EQ(SqliteStore::defaultFile(), tmp.path() / ".local" / "share" / "test-editor" / "results.sqlite");
}

// Whether the file can still be written: a root user writes past the permissions.
bool writable(const fs::path& file) {
  std::FILE* f = std::fopen(file.c_str(), "r+");
  if (f != nullptr) std::fclose(f);
  return f != nullptr;
}

TEST(Store, AnUnusableStoreIsNamedInRussianAndNothingStarts) {
  TempDir tmp;
  const auto refused = [](const std::function<void()>& open, const fs::path& named, const std::string& why) {
    try {
      open();
      ADD_FAILURE() << "not refused: " << why;
    } catch (const shell::ShellError& e) {
      EXPECT_EQ(e.file(), named.string()) << e.what();
      EXPECT_NE(e.problem().find(why), std::string::npos) << e.what();
    }
  };
  // The data folder cannot be made where a file stands.
  support::writeBytes(tmp.path() / "file", "x");
  {
    const Env xdg("XDG_DATA_HOME", (tmp.path() / "file").c_str());
    refused([] { SqliteStore::defaultFile(); }, tmp.path() / "file" / "test-editor", "не удалось создать папку");
    const Env noXdg("XDG_DATA_HOME", nullptr);
    const Env noHome("HOME", nullptr);
    refused([] { SqliteStore::defaultFile(); }, "", "не найдена домашняя папка");
  }
  // A folder where the file should be, or a folder that is missing.
  fs::create_directory(tmp.path() / "folder");
  refused([&] { SqliteStore store(tmp.path() / "folder"); }, tmp.path() / "folder", "не удалось открыть");
  refused([&] { SqliteStore store(tmp.path() / "none" / "r.sqlite"); }, tmp.path() / "none" / "r.sqlite",
          "не удалось открыть или создать этот файл");
  // Garbage where the store should be is left as it is.
  support::writeBytes(tmp.path() / "garbage.sqlite", std::string(4096, 'x'));
  refused([&] { SqliteStore store(tmp.path() / "garbage.sqlite"); }, tmp.path() / "garbage.sqlite",
          "это не база результатов уроков");
  EXPECT_EQ(support::readBytes(tmp.path() / "garbage.sqlite"), std::string(4096, 'x'));
  // A store of a newer editor is left as it is.
  const fs::path newer = tmp.path() / "newer.sqlite";
  {
    sqlite3* db = nullptr;
    sqlite3_open(newer.c_str(), &db);
    sqlite3_exec(db, "CREATE TABLE t(x); PRAGMA user_version=7", nullptr, nullptr, nullptr);
    sqlite3_close(db);
  }
  refused([&] { SqliteStore store(newer); }, newer, "более новой версией редактора (версия 7");
  EXPECT_EQ(pragma(newer, "user_version"), "7");
  // A read-only file: by its permissions, or for the root user by the immutable attribute.
  const fs::path locked = tmp.path() / "locked.sqlite";
  { SqliteStore store(locked); }
  fs::remove(tmp.path() / "locked.sqlite-wal");
  fs::remove(tmp.path() / "locked.sqlite-shm");
  fs::permissions(locked, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  const bool root = ::geteuid() == 0;
  if (root) std::system(("chattr +i '" + locked.string() + "' 2>/dev/null").c_str());
  if (writable(locked)) {
    std::printf("this file system writes a read-only file for the root user: the read-only store was not tried\n");
  } else {
    refused([&] { SqliteStore store(locked); }, locked, "нельзя записывать");
  }
  if (root) std::system(("chattr -i '" + locked.string() + "' 2>/dev/null").c_str());
}

}  // namespace
}  // namespace lesson
