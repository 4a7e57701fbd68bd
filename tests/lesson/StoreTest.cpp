// The store of lessons and results in SQLite: what goes in comes back, in a folder of the
// teacher's data (a Cyrillic one too), and a file that cannot serve is named in Russian before a
// lesson starts.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <set>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "lesson/SqliteStore.h"
#include "shell/Russian.h"
#include "shell/ShellError.h"
#include "support/Fixtures.h"

namespace lesson {
namespace {

using support::Env;
using support::TempDir;

// Where the system says the user's data lives: $XDG_DATA_HOME on Linux, %APPDATA% on Windows.
#ifdef _WIN32
constexpr const char* kDataVariable = "APPDATA";
#else
constexpr const char* kDataVariable = "XDG_DATA_HOME";
#endif

// The names in a folder, as the system gives them (UTF-16 on Windows), in UTF-8.
std::set<std::string> namesIn(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(shell::utf8(entry.path().filename()));
  return names;
}

std::string pragma(const fs::path& file, const char* name) {
  sqlite3* db = nullptr;
  sqlite3_open(shell::utf8(file).c_str(), &db);
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
  // A user whose name is Cyrillic: every name of the path reaches the system whole.
  const fs::path data = tmp.path() / shell::fromUtf8("Пользователь Иванов") / shell::fromUtf8("данные");
  const Env own(kDataVariable, shell::utf8(data));
  const fs::path file = SqliteStore::defaultFile();
  EXPECT_EQ(file, data / "test-editor" / "results.sqlite");
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
  // SQLite wrote where it was told, under the Cyrillic names, and nowhere beside them.
  EXPECT_EQ(namesIn(tmp.path()), std::set<std::string>{"Пользователь Иванов"});
  EXPECT_EQ(namesIn(data), std::set<std::string>{"test-editor"});
  EXPECT_TRUE(namesIn(data / "test-editor").contains("results.sqlite"));

  // A relative folder would put the results wherever the program was started, a test's folder
  // too, which pupils can read: never taken.
  const Env relative(kDataVariable, "data");
#ifdef _WIN32
  // Then the system's own folder of the user's data.
  const fs::path system = SqliteStore::defaultFile();
  EXPECT_TRUE(system.is_absolute()) << shell::utf8(system);
  EXPECT_FALSE(shell::isInside(system, fs::current_path())) << shell::utf8(system);
  EXPECT_EQ(system.filename(), "results.sqlite");
#else
  // Then the home folder's.
  const Env home("HOME", shell::utf8(tmp.path()));
  EXPECT_EQ(SqliteStore::defaultFile(), tmp.path() / ".local" / "share" / "test-editor" / "results.sqlite");
#endif
}

// Whether the file can still be written: a root user writes past the permissions.
bool writable(const fs::path& file) {
#ifdef _WIN32
  std::FILE* f = _wfopen(file.c_str(), L"r+");
#else
  std::FILE* f = std::fopen(file.c_str(), "r+");
#endif
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
      EXPECT_EQ(e.file(), shell::utf8(named)) << e.what();
      EXPECT_NE(e.problem().find(why), std::string::npos) << e.what();
    }
  };
  // The data folder cannot be made where a file stands.
  support::writeBytes(tmp.path() / "file", "x");
  {
    const Env data(kDataVariable, shell::utf8(tmp.path() / "file"));
    refused([] { SqliteStore::defaultFile(); }, tmp.path() / "file" / "test-editor", "не удалось создать папку");
#ifndef _WIN32  // Windows always has the user's data folder of its own
    const Env noXdg("XDG_DATA_HOME", std::nullopt);
    const Env noHome("HOME", std::nullopt);
    refused([] { SqliteStore::defaultFile(); }, "", "не найдена домашняя папка");
#endif
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
    sqlite3_open(shell::utf8(newer).c_str(), &db);
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
#ifdef _WIN32
  const bool root = false;
#else
  const bool root = ::geteuid() == 0;
#endif
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
