#include "lesson/Rows.h"

#include <map>
#include <utility>

#include "shell/Layout.h"

namespace lesson {

std::string elapsedText(const std::string& posted) {
  const std::optional<long> seconds = shell::parseDecimal(posted);
  if (!seconds || *seconds < 0 || posted.find_first_not_of("0123456789") != std::string::npos) return posted;
  const long s = *seconds % 60;
  return std::to_string(*seconds / 60) + ":" + (s < 10 ? "0" : "") + std::to_string(s);
}

std::vector<Pupil> pupilsOf(const std::vector<ResultRecord>& newestFirst) {
  std::vector<Pupil> pupils;
  std::map<std::pair<std::string, std::string>, std::size_t> seen;
  for (const ResultRecord& r : newestFirst) {
    const auto [at, added] = seen.try_emplace({r.posted.student, r.posted.group}, pupils.size());
    if (added) pupils.push_back({&r, 1});
    else ++pupils[at->second].times;
  }
  return pupils;
}

std::vector<Row> tableRows(const std::vector<ResultRecord>& newestFirst) {
  std::vector<Row> rows;
  for (const Pupil& pupil : pupilsOf(newestFirst)) {
    const ResultRecord& r = *pupil.last;
    Row& row = rows.emplace_back();
    row.student = r.posted.student;
    row.group = r.posted.group;
    row.right = r.score.right;
    row.questions = r.score.questions;
    row.percent = r.score.percent;
    row.passed = r.score.passed;
    row.elapsed = elapsedText(r.posted.elapsed);
    row.received = r.received;
    row.marks = markWords(r.score, r.posted);
    row.address = r.address;
    row.times = pupil.times;
  }
  return rows;
}

std::vector<std::string> tableCaptions() {
  return {"Ученик", "Класс", "Правильных", "Процент", "Сдал", "Время", "Получен", "Отметки", "Раз"};
}

std::vector<std::string> tableCells(const Row& row) {
  std::string marks;
  for (const std::string& mark : row.marks) marks += (marks.empty() ? "" : "; ") + mark;
  const auto when = parseIsoUtc(row.received);
  return {row.student,
          row.group,
          std::to_string(row.right) + " из " + std::to_string(row.questions),
          std::to_string(row.percent) + " %",
          !row.passed ? "—" : *row.passed ? "да" : "нет",
          row.elapsed,
          when ? localClock(*when) : row.received,
          marks,
          std::to_string(row.times)};
}

}  // namespace lesson
