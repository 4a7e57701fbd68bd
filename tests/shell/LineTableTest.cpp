#include <gtest/gtest.h>

#include <array>

#include "shell/LineTable.h"
#include "shell/Lines.h"
#include "shell/ShellError.h"

namespace {

using shell::readTable;
using shell::ShellError;
using shell::TableShape;

struct Table {
  std::vector<std::string> head, tail;
  std::int16_t count = -1;
  explicit Table(TableShape shape) : head(shape.head), tail(shape.tailCapacity) {}
};

Table read(std::string_view bytes, TableShape shape, const std::string& file = "test.html") {
  Table t(shape);
  readTable(bytes, shape, file, t.head, t.tail, t.count);
  return t;
}

std::string numbered(int lines, const char* end = "\r\n") {
  std::string out;
  for (int i = 0; i < lines; ++i) out += "line " + std::to_string(i) + end;
  return out;
}

TEST(LineTable, LineEndsCrLfAndLoneCrFinalTerminatorGivesNoExtraLine) {
  EXPECT_EQ(shell::splitLines("a\r\nb\rc\r\n"), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(shell::splitLines("a\r\nb"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(shell::splitLines("a\r\n\r\n"), (std::vector<std::string>{"a", ""}));
  EXPECT_EQ(shell::splitLines("\r\n\r\nx\r\r"), (std::vector<std::string>{"", "", "x", ""}));
  EXPECT_EQ(shell::splitLines(""), std::vector<std::string>{});
  // A line feed without a carriage return is a byte of its line.
  EXPECT_EQ(shell::splitLines("a\nb\r\n"), std::vector<std::string>{"a\nb"});
}

TEST(LineTable, ExactlyHeadLinesGivesNoTailAndWritesBackTheSameBytes) {
  const std::string bytes = numbered(13);
  Table t = read(bytes, shell::kTitleShape);
  EXPECT_EQ(t.count, 0);
  EXPECT_EQ(t.head[12], "line 12");
  EXPECT_EQ(shell::writeTable(t.head, t.tail, t.count), bytes);
}

TEST(LineTable, TailAtCapacityIsReadWholeAndOneMoreIsRefused) {
  const std::string full = numbered(14 + 21);
  Table t = read(full, shell::kPageShape);
  EXPECT_EQ(t.count, 21);
  EXPECT_EQ(t.tail[20], "line 34");
  EXPECT_EQ(shell::writeTable(t.head, t.tail, t.count), full);

  try {
    read(numbered(36), shell::kPageShape, "2/3.html");
    FAIL() << "a tail of 22 lines was accepted";
  } catch (const ShellError& e) {
    EXPECT_EQ(e.file(), "2/3.html");
    EXPECT_EQ(std::string(e.what()), "2/3.html: 36 строк, а допускается не больше 35");
  }
}

TEST(LineTable, FewerLinesThanTheHeadIsRefusedAndLeavesTheTableAsItWas) {
  Table t(shell::kTitleShape);
  t.head[0] = "kept";
  t.count = 5;
  try {
    readTable(numbered(9), shell::kTitleShape, "title.html", t.head, t.tail, t.count);
    FAIL() << "9 lines were accepted for 13 head lines";
  } catch (const ShellError& e) {
    EXPECT_EQ(std::string(e.what()), "title.html: 9 строк, а нужно не меньше 13");
  }
  EXPECT_EQ(t.head[0], "kept");
  EXPECT_EQ(t.count, 5);
  EXPECT_THROW(read("", shell::kIndex1Shape), ShellError);
  EXPECT_THROW(read("one line\r\n", shell::kIndex1Shape), ShellError);
  EXPECT_NO_THROW(read("one\r\ntwo", shell::kIndex1Shape));
}

TEST(LineTable, UntouchedBytesGoBackExactlyAndEveryLineGainsCrLf) {
  // Bytes above 127, NUL, tabs and a bare line feed inside a tail line are all kept.
  std::string bytes;
  bytes += "\xC2\xEE\xEF\xF0\xEE\xF1\r\n";
  bytes += std::string("nul\0byte", 8) + "\r";
  bytes += "\t \x98\xFF\r\n";
  bytes += "tail with\nbare line feed\r\n";
  bytes += "\r\n";
  bytes += "last without terminator";
  Table t = read(bytes, TableShape{3, 5});
  EXPECT_EQ(t.head[0], "\xC2\xEE\xEF\xF0\xEE\xF1");
  EXPECT_EQ(t.head[1], std::string("nul\0byte", 8));
  EXPECT_EQ(t.count, 3);
  EXPECT_EQ(t.tail[0], "tail with\nbare line feed");
  EXPECT_EQ(t.tail[1], "");
  const std::string expected = std::string("\xC2\xEE\xEF\xF0\xEE\xF1\r\n") +
                               std::string("nul\0byte", 8) + "\r\n" + "\t \x98\xFF\r\n" +
                               "tail with\nbare line feed\r\n" + "\r\n" +
                               "last without terminator\r\n";
  EXPECT_EQ(shell::writeTable(t.head, t.tail, t.count), expected);
}

TEST(LineTable, UnixLineEndsInTheHeadAreRefusedWithAClearReason) {
  try {
    read(numbered(40, "\n"), shell::kTitleShape, "title.html");
    FAIL() << "a file with LF line ends was read";
  } catch (const ShellError& e) {
    EXPECT_EQ(e.file(), "title.html");
    EXPECT_NE(std::string(e.what()).find("LF"), std::string::npos) << e.what();
  }
  // One head line with a bare LF among CR LF lines is refused too: it would show as two lines.
  std::string bytes = numbered(13);
  bytes.insert(bytes.find("line 5") + 4, "\n");
  EXPECT_THROW(read(bytes, shell::kTitleShape), ShellError);
}

TEST(LineTable, AnswerKeyOfExactly210LinesAndOfTheLongestTail) {
  Table exact = read(numbered(210), shell::kAnswerKeyShape, "1.js");
  EXPECT_EQ(exact.count, 0);
  Table longest = read(numbered(611), shell::kAnswerKeyShape, "1.js");
  EXPECT_EQ(longest.count, 401);
  EXPECT_THROW(read(numbered(612), shell::kAnswerKeyShape, "1.js"), ShellError);
  EXPECT_THROW(read(numbered(209), shell::kAnswerKeyShape, "1.js"), ShellError);
}

}  // namespace
