#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "lesson/Store.h"

namespace lesson {

// A row of the lesson's table: a pupil's last result and how many they sent.
struct Row {
  std::string student, group;  // as typed, UTF-8; shown as text, never as markup
  int right = 0, questions = 0, percent = 0;
  std::optional<bool> passed;  // nothing when the test has no pass mark
  std::string elapsed;         // the time taken as the quiz posted it, "m:ss"; as posted when no number
  std::string received;        // when the lesson kept it, UTC, ISO 8601
  std::vector<std::string> marks;  // what the teacher should look at, in words
  int times = 1;                   // results this pupil sent in the lesson; the row is the last
  std::string address;             // the pupil's computer
  bool operator==(const Row&) const = default;
};

// A pupil of a lesson (the same name and class): their last result and how many they sent.
struct Pupil {
  const ResultRecord* last = nullptr;  // points into the results it was found in
  int times = 1;
};
// The pupils of a lesson from its results, the newest first, in the order of their last results.
std::vector<Pupil> pupilsOf(const std::vector<ResultRecord>& newestFirst);

// The table of a lesson from its results, the newest first: one row per pupil, the newest of
// their results, with the count of them.
std::vector<Row> tableRows(const std::vector<ResultRecord>& newestFirst);

// The time a pupil took, posted in seconds, as the quiz shows a time: minutes, a colon, two
// digits of seconds ("12:34"); as posted when it is no number of seconds.
std::string elapsedText(const std::string& posted);

// The table as the windows show it: the columns' captions, and a row's cells in their order.
std::vector<std::string> tableCaptions();
std::vector<std::string> tableCells(const Row& row);

// The moments of the store: ISO 8601 UTC back into a moment, and a moment as the clock on the
// teacher's computer reads it ("09:41:07"), with its date for a log that runs for days
// ("2024-05-14 09:41:07").
std::optional<std::chrono::system_clock::time_point> parseIsoUtc(std::string_view text);
std::string localClock(std::chrono::system_clock::time_point when);
std::string localDateTime(std::chrono::system_clock::time_point when);

}  // namespace lesson
