#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "lesson/Store.h"

namespace results {

// How a class answered one question.
struct QuestionStatistics {
  int slot = 0;       // its place in the test, from 0: stage slot / 10 + 1, question slot % 10 + 1
  std::string text;   // as the pupils saw it; empty when the lesson kept no questions
  std::string right;  // the key's answer, as the quiz compares it
  int counted = 0;    // pupils counted
  int rightCount = 0;
  int percent = 0;    // rightCount of counted, rounded to the nearest whole percent; 0 of none
  std::array<int, 5> chosen{};  // how many chose no answer [0], answer 1 [1] .. answer 4 [4]
  // The wrong answer chosen most (1 to 4), several when as many chose each; none when nobody
  // chose a wrong one.
  std::vector<int> commonWrong;
  int missed() const { return counted - rightCount; }
  bool operator==(const QuestionStatistics&) const = default;
};

// A pupil whose result the statistics leave out, and why, in words.
struct SetApart {
  std::string student, group, why;
  bool operator==(const SetApart&) const = default;
};

struct Statistics {
  int counted = 0;                    // pupils counted: each pupil's last result
  std::vector<SetApart> apart;        // pupils left out, in the order of their last results
  std::vector<QuestionStatistics> questions;  // a question of the test each, in its order
  std::vector<std::size_t> missedMost;  // into questions: the most missed first, then in order
  bool texts = false;  // whether the lesson kept its questions' texts (a lesson of an older store did not)
};

// The statistics of a lesson from its results (the newest first) and the key it kept. Each
// pupil counts once, by their last result, as the lesson's table shows them. A result of another
// test's form, or with another number of answers than the test has questions, or with an answer
// that is no number from 0 to 4, answers other questions or none that can be trusted: it is set
// apart, never mixed in. Throws shell::ShellError when the lesson's key is no answer key.
Statistics statistics(const lesson::LessonRecord& lesson, const std::vector<lesson::ResultRecord>& newestFirst);

}  // namespace results
