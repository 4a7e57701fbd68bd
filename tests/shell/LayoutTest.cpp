#include <gtest/gtest.h>

#include <algorithm>

#include "shell/Layout.h"

namespace {

using shell::matchesPattern;

TEST(Layout, StageAndPageNamesSlotsAndOrdinals) {
  EXPECT_EQ(shell::stageFolderName(1), "0");
  EXPECT_EQ(shell::stageFolderName(10), "9");
  EXPECT_EQ(shell::pageName(1), "0.html");
  EXPECT_EQ(shell::pageName(10), "9.html");
  EXPECT_EQ(shell::answerSlot(1, 1), 0);
  EXPECT_EQ(shell::answerSlot(2, 4), 13);
  EXPECT_EQ(shell::answerSlot(3, 5), 24);
  EXPECT_EQ(shell::answerSlot(10, 10), 99);
  EXPECT_EQ(shell::questionOrdinal(3, 7), 27);
  EXPECT_EQ(shell::questionOrdinal(10, 10), 100);
  EXPECT_EQ(shell::stageOfFolder("0"), 1);
  EXPECT_EQ(shell::stageOfFolder("9"), 10);
  EXPECT_FALSE(shell::stageOfFolder("10"));
  EXPECT_FALSE(shell::stageOfFolder("a"));
  EXPECT_FALSE(shell::stageOfFolder(""));
  EXPECT_TRUE(shell::isPicturesFolder("pics"));
  EXPECT_FALSE(shell::isPicturesFolder("0"));
}

TEST(Layout, DecimalNumbersAreReadOnlyWhenWhole) {
  EXPECT_EQ(shell::parseDecimal("6"), 6);
  EXPECT_EQ(shell::parseDecimal(" 10 "), 10);
  EXPECT_EQ(shell::parseDecimal("-1"), -1);
  EXPECT_FALSE(shell::parseDecimal(""));
  EXPECT_FALSE(shell::parseDecimal("six"));
  EXPECT_FALSE(shell::parseDecimal("6a"));
  EXPECT_FALSE(shell::parseDecimal("6.0"));
  EXPECT_FALSE(shell::parseDecimal("-"));
  EXPECT_FALSE(shell::parseDecimal("99999999999999999999"));
}

TEST(Layout, PatternsMatchWholeNames) {
  EXPECT_TRUE(matchesPattern("3.html", "?.html"));
  EXPECT_FALSE(matchesPattern("10.html", "?.html"));
  EXPECT_FALSE(matchesPattern(".html", "?.html"));
  EXPECT_TRUE(matchesPattern("10.html", "*.html"));
  EXPECT_TRUE(matchesPattern("a.b.html", "*.html"));
  EXPECT_FALSE(matchesPattern("3.html.bak", "*.html"));
  EXPECT_FALSE(matchesPattern("3.HTML", "*.html"));
  EXPECT_TRUE(matchesPattern("4.gif", "?.gif"));
  EXPECT_FALSE(matchesPattern("12.gif", "?.gif"));
  EXPECT_FALSE(matchesPattern("a.png", "?.gif"));
  // The pictures a page can name: one digit, ".gif" in small letters.
  for (const char* name : {"0.gif", "9.gif"}) EXPECT_TRUE(shell::isPictureName(name)) << name;
  for (const char* name : {"a.gif", "4.GIF", "10.gif", "00.gif", ".gif", "4.gif.tmp"}) EXPECT_FALSE(shell::isPictureName(name)) << name;
  EXPECT_TRUE(matchesPattern("anything", "*"));
  EXPECT_TRUE(matchesPattern("", "*"));
  EXPECT_TRUE(matchesPattern("abcabd", "*ab?"));
  EXPECT_FALSE(matchesPattern("abcabe", "*abd"));
}

// Nor are the names a deletion puts a file or folder under a stage, or a target's temporary.
TEST(Layout, TemporaryNamesNeverMatchWhatTheEditorListsOrDeletes) {
  std::vector<std::string> temps;
  for (const char* name : {"2/0.html", "2/9.html", "title.html", "1.js", "pics/3.gif", "5", "x"}) {
    temps.push_back(shell::temporaryName(name));
  }
  for (int attempt : {0, 1, 9, 10}) {
    const std::string aside = shell::deletedName(attempt);
    EXPECT_FALSE(shell::stageOfFolder(aside)) << aside;
    EXPECT_TRUE(shell::isSystemFolder(aside)) << aside;
    EXPECT_EQ(std::count(temps.begin(), temps.end(), aside), 0) << aside;
    EXPECT_NE(aside, shell::deletedName(attempt + 1));
    temps.push_back(aside);
  }
  for (const std::string& temp : temps) {
    EXPECT_TRUE(shell::isTemporaryName(temp)) << temp;
    for (const char* pattern : {"*.html", "?.html", "?.gif"}) {
      EXPECT_FALSE(matchesPattern(temp, pattern)) << temp << " matches " << pattern;
    }
  }
}

}  // namespace
