#pragma once

#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "lesson/Lesson.h"
#include "lesson/Store.h"

namespace lesson {

namespace fs = std::filesystem;

// A lesson without a window, as `test_editor --serve` runs it on a teacher's or a school's
// computer.
struct ServeOptions {
  fs::path test;           // the test's folder, as given
  bool portGiven = false;  // --port: that port alone, refused when taken
  fs::path data;           // --data: the folder of results.sqlite; empty for the user's data folder
  std::string database;    // --database: a PostgreSQL server's address instead of SQLite; or empty
  LessonOptions lesson;    // the port range, the limits of the results
};

// The options from the arguments that follow "--serve": the test's folder, and in any order
//   --port N                 that port only (1..65535)
//   --data <folder>          results.sqlite in that folder (made when missing)
//   --database <address>     the results on a PostgreSQL server ("postgresql://…", Linux)
//   --results-per-minute N   results one computer may send in a minute (30)
//   --max-results N          results the lesson keeps before it refuses more (2000)
// A value may follow its option as the next argument or after '=' ("--port=8090"). Throws
// shell::ShellError in Russian naming the argument when one is unknown, lacks its value, is not a
// number within its range, when the test's folder is missing or given twice, or when --database
// names no PostgreSQL server, comes with --data, or this program keeps its results in SQLite only.
ServeOptions parseServeArguments(const std::vector<std::string>& arguments);

// The line printed when a result is stored: its time on this computer's clock, the pupil, the
// class, the right answers of all, the percent and the marks in words, separated by tabs. What
// the pupil typed cannot break the line: control characters (a line break, a tab, a terminal's
// escape) become spaces.
std::string resultLine(const ResultRecord& result);

// Where a running lesson is told to stop (from a signal's thread) and where it waits meanwhile
// for the lines it has to print.
class ServeControl {
 public:
  // Asks the lesson to stop; callable from any thread, any number of times.
  void stop();
  bool stopping() const;

  // The lesson's side: a line to print, from the server's thread.
  void post(std::string line, bool problem);
  // Waits until there is a line to print or a stop; returns the lines (problems flagged) and
  // whether a stop was asked.
  struct Line {
    std::string text;
    bool problem = false;
  };
  bool wait(std::vector<Line>& lines);

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Line> lines_;
  bool stop_ = false;
};

// Runs the lesson until `control.stop()`: reads the test once, opens the store, starts serving,
// prints the pupils' addresses, the handler's address for a test opened from a folder and the
// database's file (a line each), then a line per result as it is stored (a result the store
// refuses is told to `problems`); at a stop, stops the lesson (a result being stored is stored
// first), prints what was kept and returns. `out` and `problems` are called on the calling thread
// alone. Throws shell::ShellError, in Russian naming the file, folder or port, when the lesson
// cannot start: nothing runs then.
void serve(const ServeOptions& options, ServeControl& control, const std::function<void(const std::string&)>& out,
           const std::function<void(const std::string&)>& problems);

}  // namespace lesson
