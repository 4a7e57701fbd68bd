#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "lesson/Form.h"
#include "lesson/Snapshot.h"

namespace lesson {

// What made a result worth the teacher's second look. A result is always kept with its marks;
// none of them drops it.
enum Mark : unsigned {
  ClaimDiffers = 1,  // the posted right answers or percent are not those the answers give
  AnswerCount = 2,   // not one answer per question of the test
  BadAnswer = 4,     // an answer that is no number from 0 (none) to 4
  OtherTest = 8,     // the course or the number of questions is not this test's
};

// A result scored again from its answers against the key of the lesson's test.
struct Score {
  int right = 0;      // questions answered as the key says
  int questions = 0;  // the test's questions, ten per stage of the key
  int percent = 0;    // right * 100 / questions, rounded down, as the quiz rounds it
  std::optional<bool> passed;  // nothing when the key's pass mark is no number
  unsigned marks = 0;          // Mark flags
  bool operator==(const Score&) const = default;
};

// Scores the posted answers ("1,3,0,...", one per question in the order of the test) against the
// key, as the quiz does: an answer is right when its number is the key's line. `course` is the
// test's course as text, to recognise a form of another test.
Score scoreAgain(const Key& key, const std::string& course, const Posted& posted);

// The answers of a result as posted, one a question: the parts of the list between its commas;
// none for an empty list.
std::vector<std::string_view> answerParts(std::string_view answers);

// Whether an answer as posted ("0" none, "1".."4") to the question in `slot` is the key's.
bool answeredRight(const Key& key, std::size_t slot, std::string_view answer);

// The marks in words, for the teacher's table.
std::vector<std::string> markWords(const Score& score, const Posted& posted);

}  // namespace lesson
