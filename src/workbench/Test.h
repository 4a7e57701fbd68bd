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
  // Every file of the pictures folder whose name ends in ".gif", by the name before it ("3" for
  // pics/3.gif, as a page's picture line names it; "10", "рис" for names no page of the editor
  // holds): its bytes.
  std::map<std::string, std::string> pictures;
};
// How many questions name each picture of the test: every picture of the folder, those no
// question names with 0.
inline std::map<std::string, int> pictureUses(const Test& test) {
  std::map<std::string, int> uses;
  for (const auto& [name, bytes] : test.pictures) uses[name] = 0;
  for (const auto& stage : test.stages) {
    for (const Question& q : stage) {
      if (const auto found = uses.find(q.picture); found != uses.end()) ++found->second;
    }
  }
  return uses;
}
}  // namespace workbench
