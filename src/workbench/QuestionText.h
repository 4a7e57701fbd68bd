#pragma once
#include <string>
#include <string_view>
#include <vector>
#include "workbench/Test.h"
namespace workbench {
// A problem of a text file of questions: its line (1-based; 0 for the file as a whole) and the
// reason in Russian words, without the line number ("у вопроса 3 пять ответов, а нужно четыре").
struct Problem {
  int line;
  std::string reason;
  std::string text() const;  // "строка 14: у вопроса 3 пять ответов, а нужно четыре" (no prefix for line 0)
};
// A file of questions read: every question as the page and the key will hold it, with the line
// it starts on, and every problem. Questions are given only when there are no problems.
struct TextQuestion {
  int line;
  Question question;  // bytes as the page and the key will hold them (references for characters beyond the code page), picture "00" or "1".."9"
};
struct ReadResult {
  std::vector<TextQuestion> questions;
  std::vector<Problem> problems;
  int count = 0;  // how many questions the file holds, also when it has problems
};
ReadResult readQuestions(std::string_view fileBytes);
// The whole test as a text file the import reads back: UTF-8 with a byte-order mark, CR LF.
std::string writeQuestions(const Test& test);

// Where an import goes.
struct Position {
  int stage, question;  // 1-based
  bool operator==(const Position&) const = default;
};
// What an import of `read` into `test` from `start` will do: the place of every question in turn
// (stage after stage), how many stages it adds at the end, and every problem that forbids it
// (the file's own, a picture the test lacks, questions for new stages not in tens, more than ten
// stages, a start outside the test, an empty file ...). Nothing may be imported when problems is
// not empty.
struct ImportPlan {
  int questions = 0;  // how many the file holds
  std::vector<Position> places;
  int newStages = 0;
  std::vector<Problem> problems;
  // What the teacher should know that forbids nothing, in Russian sentences (questions that go
  // into a last stage still being entered, which the editor removes at exit unless completed).
  std::vector<std::string> notes;
  // The plan in words for the import's dialog, in Russian: how many questions, which stages and
  // questions they replace, which stages are added, then every problem.
  std::string summary() const;
};
ImportPlan planImport(const ReadResult& read, const Test& test, Position start);
}  // namespace workbench
