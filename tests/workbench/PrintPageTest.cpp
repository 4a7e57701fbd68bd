// The printable page, read as text: what it holds, what is escaped, what is inside it.

#include <gtest/gtest.h>

#include "ModelTest.h"
#include "window/CodePage.h"
#include "workbench/PrintPage.h"

namespace workbench {
namespace {

std::size_t count(const std::string& page, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = page.find(what); at != std::string::npos; at = page.find(what, at + 1)) ++n;
  return n;
}

TEST(PrintPage, EveryQuestionKeyAndBoxIsOnThePageAsTextWithThePicturesInside) {
  workbench::Test test = workbench_test::modelTest();
  Question& odd = test.stages[1][6];  // question 17
  odd.text = "x &#8730; &radic; <b>\"1\"</b> &amp; '\xD1\xE8\xEC\xE2\xEE\xEB'";
  odd.answers = {"&#128512;", "<img src=x onerror=alert(1)>", "", "\xE0\x98"};
  odd.picture = "7";
  test.stages[2][0].picture =
      " 9 ";  // a picture the folder lacks, spaces around it as the quiz allows
  test.pictures["7"] = std::string("GIF89a\x3B\x01\x10\x01", 10) + "\xFF";
  const std::string page = printPage(test);

  ASSERT_TRUE(window::fromUtf8(page).has_value());
  EXPECT_TRUE(
      page.starts_with("<!DOCTYPE html>\n<html lang=\"ru\">\n<head>\n<meta charset=\"utf-8\">"));
  EXPECT_NE(page.find("@page { size: A4"), std::string::npos);
  EXPECT_NE(page.find("counter(page)"), std::string::npos);
  EXPECT_NE(page.find("<h1>Тестирование по курсу «Основы информатики»</h1>"), std::string::npos);
  EXPECT_NE(page.find("<b>45</b> мин."), std::string::npos);
  EXPECT_NE(page.find("<b>60</b> %"), std::string::npos);
  // Shown as the quiz shows it: the editor's references as their characters, everything else as
  // typed, escaped, so nothing the teacher wrote becomes markup.
  EXPECT_NE(page.find("<p class=\"text\">x √ &amp;radic; &lt;b&gt;&quot;1&quot;&lt;/b&gt; "
                      "&amp;amp; &#39;Символ&#39;</p>"),
            std::string::npos);
  EXPECT_NE(page.find("😀</span>"), std::string::npos);
  EXPECT_NE(page.find("&lt;img src=x onerror=alert(1)&gt;"), std::string::npos);
  EXPECT_EQ(page.find("<img src=x"), std::string::npos);
  EXPECT_NE(page.find("<span class=\"value\">а\u0098</span>"), std::string::npos);
  // Numbered through the test and by stage; 60 questions of four answers, none marked.
  EXPECT_NE(page.find("Вопрос 17 · этап 2, вопрос 7</p>"), std::string::npos);
  EXPECT_NE(page.find("Вопрос 60 · этап 6, вопрос 10</p>"), std::string::npos);
  EXPECT_EQ(count(page, "<article class=\"question\">"), 60u);
  EXPECT_EQ(count(page, "<span class=\"num\">"), 240u);
  // The pictures inside the page, at their own size; nothing loaded from elsewhere.
  EXPECT_EQ(count(page, "<img src=\"data:image/gif;base64,"), 9u);
  EXPECT_NE(
      page.find("<img src=\"data:image/gif;base64,R0lGODlhOwEQAf8=\" width=\"315\" height=\"272\""),
      std::string::npos);
  EXPECT_NE(page.find("Рисунок 9.gif не найден"), std::string::npos);
  for (const char* outside : {"http:", "https:", "<script", "<link", "url("})
    EXPECT_EQ(page.find(outside), std::string::npos) << outside;
  // The key on a page of its own, by stage, in the order of the test; the answer sheet after it.
  const std::size_t key = page.find("<section class=\"key\">");
  const std::size_t sheet = page.find("<section class=\"sheet\">");
  ASSERT_LT(key, sheet);
  std::string rights;
  for (std::size_t at = page.find("<td><b>", key); at < sheet; at = page.find("<td><b>", at + 1))
    rights += page[at + 7];
  std::string expected;
  for (const auto& stage : test.stages) {
    for (const Question& q : stage) expected += q.right;
  }
  EXPECT_EQ(rights, expected);
  EXPECT_EQ(count(page.substr(key, sheet - key), "<tr class=\"first\">"), 6u);
  EXPECT_EQ(count(page.substr(sheet), "<div class=\"cell\">"), 60u);
  EXPECT_EQ(count(page.substr(sheet), "<span class=\"box\">"), 240u);
}

}  // namespace
}  // namespace workbench
