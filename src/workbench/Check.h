#pragma once
#include <string>
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
// Every slip of the whole test, the settings first, then stage by stage, question by question.
std::vector<Finding> checkTest(const Test& test);
}  // namespace workbench
