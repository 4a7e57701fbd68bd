// Fuzzes the reader of text files of questions: whatever the bytes, it gives questions only
// when it names no problem, every value fits its line of a page or of 1.js, the questions
// written out as text read back the same, and an import of them is planned without a fault.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "workbench/QuestionText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const workbench::ReadResult read =
      workbench::readQuestions(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!read.problems.empty() && !read.questions.empty()) std::abort();
  workbench::Test test;
  for (const workbench::TextQuestion& q : read.questions) {
    const workbench::Question& v = q.question;
    for (const std::string& line : {v.text, v.answers[0], v.answers[1], v.answers[2], v.answers[3]}) {
      if (line.find_first_of("\r\n") != std::string::npos) std::abort();
    }
    if (v.right.size() != 1 || v.right[0] < '1' || v.right[0] > '4') std::abort();
    if (v.picture != "00" && (v.picture.size() != 1 || v.picture[0] < '1' || v.picture[0] > '9')) std::abort();
    if (test.stages.empty() || test.stages.back().size() == 10) test.stages.emplace_back();
    test.stages.back().push_back(v);
  }
  const workbench::ReadResult again = workbench::readQuestions(workbench::writeQuestions(test));
  if (!again.problems.empty() || again.questions.size() != read.questions.size()) std::abort();
  for (std::size_t i = 0; i < again.questions.size(); ++i) {
    if (!(again.questions[i].question == read.questions[i].question)) std::abort();
  }
  test.pictures["1"] = "GIF89a";
  (void)workbench::planImport(read, test, {1, 1}).summary();
  return 0;
}
