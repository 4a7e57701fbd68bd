#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "workbench/Test.h"

namespace workbench {
// A slip found in a test: where it is and what is wrong, in Russian words.
struct Finding {
  int stage;     // 1-based; 0 with question 0 for the test's settings
  int question;  // 1-based; 0 for the test's settings
  std::string what;
  bool operator==(const Finding&) const = default;
};
// A line of 1.js as the quiz reads it: without the spaces its trim() takes around it (space, tab,
// the line and form feeds, the no-break space 0xA0), and as a number, a comma standing for the
// point; nothing when it is no number.
std::string_view quizTrimmed(std::string_view bytes);
std::optional<double> quizNumber(std::string_view bytes);
// Every slip of the whole test, the settings first, then stage by stage, question by question,
// then the pictures no question shows and those whose names no page can hold.
std::vector<Finding> checkTest(const Test& test);
}  // namespace workbench
