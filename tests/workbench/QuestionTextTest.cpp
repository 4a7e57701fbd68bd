#include "workbench/QuestionText.h"

#include <gtest/gtest.h>

namespace workbench {
namespace {

TEST(QuestionText, ProblemNamesItsLine) {
  EXPECT_EQ((Problem{14, "вопрос без текста"}.text()), "строка 14: вопрос без текста");
  EXPECT_EQ((Problem{0, "в файле нет ни одного вопроса"}.text()), "в файле нет ни одного вопроса");
}

}  // namespace
}  // namespace workbench
