// The printable page, read as text: what it holds, what is escaped, what is inside it.

#include <gtest/gtest.h>

#include "ModelTest.h"
#include "text/CodePage.h"
#include "workbench/PrintPage.h"

namespace workbench {
namespace {

std::size_t count(std::string_view page, std::string_view what) {
  std::size_t n = 0;
  for (std::size_t at = page.find(what); at != std::string::npos; at = page.find(what, at + 1)) ++n;
  return n;
}

// clang-format off
TEST(PrintPage, EveryQuestionKeyAndBoxIsOnThePageAsTextWithThePicturesInside) {
  workbench::Test test = workbench_test::modelTest();
  Question& odd = test.stages[1][6];  // question 17
  odd.text = "x &#8730; &radic; <b>\"1\"</b> &amp; '\xD1\xE8\xEC\xE2\xEE\xEB'";
  odd.answers = {"&#128512;", "<img src=x onerror=alert(1)>", "", "\xE0\x98"};
  odd.picture = "7";
  test.stages[2][0].picture = " 9 ";  // missing from the folder; spaces around it, as the quiz allows
  test.pictures["7"] = std::string("GIF89a\x3B\x01\x10\x01", 10) + "\xFF";
  const std::string page = printPage(test);
  ASSERT_TRUE(text::fromUtf8(page).has_value());
  EXPECT_TRUE(page.starts_with("<!DOCTYPE html>\n<html lang=\"ru\">\n<head>\n<meta charset=\"utf-8\">"));
  for (const char* part : {
           "@page { size: A4", "counter(page)", "<h1>Тестирование по курсу «Основы информатики»</h1>",
           "Методическое объединение учителей информатики</b>", "<b>45</b> мин.", "<b>60</b> %",
           // As the quiz shows it: the editor's references as their characters, all else as typed.
           "<p class=\"text\">x √ &amp;radic; &lt;b&gt;&quot;1&quot;&lt;/b&gt; &amp;amp; &#39;Символ&#39;</p>",
           "<span class=\"value\">😀</span>", "&lt;img src=x onerror=alert(1)&gt;", "<span class=\"value\">а\u0098</span>",
           "Вопрос 17 · этап 2, вопрос 7</p>", "Вопрос 60 · этап 6, вопрос 10</p>",
           "<img src=\"data:image/gif;base64,R0lGODlhOwEQAf8=\" width=\"315\" height=\"272\"", "Рисунок 9.gif не найден"}) {
    EXPECT_NE(page.find(part), std::string::npos) << part;
  }
  for (const char* outside : {"<img src=x", "http:", "https:", "<script", "<link", "url("}) {
    EXPECT_EQ(page.find(outside), std::string::npos) << outside;
  }
  EXPECT_EQ(count(page, "<article class=\"question\">"), 60u);
  EXPECT_EQ(count(page, "<img src=\"data:image/gif;base64,"), 9u);
  // The key, by stage, in the order of the test; the answer sheet after it.
  const std::size_t key = page.find("<section class=\"key\">"), sheet = page.find("<section class=\"sheet\">");
  ASSERT_LT(key, sheet);
  std::string rights, expected;
  for (std::size_t at = page.find("<td><b>", key); at < sheet; at = page.find("<td><b>", at + 1)) rights += page[at + 7];
  for (const auto& stage : test.stages) for (const Question& q : stage) expected += q.right;
  EXPECT_EQ(rights, expected);
  EXPECT_EQ(count(std::string_view(page).substr(sheet), "<div class=\"cell\">"), 60u);
}
// clang-format on

}  // namespace
}  // namespace workbench
