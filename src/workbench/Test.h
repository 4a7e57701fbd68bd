#pragma once
#include <array>
#include <map>
#include <string>
#include <vector>
namespace workbench {
// One question as the test holds it: each value is the bytes of its line on disk (Windows-1251;
// in a page's lines, characters beyond the code page as decimal references).
struct Question {
  std::string text;                    // the page's question line
  std::array<std::string, 4> answers;  // the page's four answer lines
  std::string right;                   // its line in the answer key of 1.js
  std::string picture;                 // the page's picture line: one character, or "00" for none
  bool operator==(const Question&) const = default;
};
// The whole test as read from its files.
struct Test {
  std::string course, inspector, minutes, passMark;  // the settings' lines as bytes
  std::vector<std::vector<Question>> stages;          // stage 1 first, each its questions in order
  std::map<std::string, std::string> pictures;        // picture name ("3") -> bytes of pics/3.gif
};
}  // namespace workbench
