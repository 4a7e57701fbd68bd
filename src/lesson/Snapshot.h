#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/Disk.h"
#include "shell/Layout.h"

namespace lesson {

namespace fs = std::filesystem;

// The answer key as the quiz reads it from 1.js: its number of stages, each slot's right answer
// and the pass mark.
struct Key {
  int stages = 0;  // 0..10, as the quiz takes it: the whole part of a number, 0 for none
  std::array<std::string, shell::kAnswerSlots> answers;  // each slot's line, trimmed as the quiz does
  std::string passMark;                                  // line 7 as written (bytes)
  std::optional<double> pass;                            // the pass mark, when it is a number
  int questions() const { return stages * shell::kQuestionsPerStage; }
};

// The key of the bytes of a 1.js; throws shell::ShellError when the file is no answer key.
Key readKey(std::string_view bytes);

// A test's files by their names under its root, with '/' between the parts ("2/3.html").
using Files = std::map<std::string, std::string, std::less<>>;

// The test as a lesson serves it: read once when the lesson starts and held in memory, so that
// the pages pupils get and the key their answers are scored against always agree, whatever the
// teacher edits meanwhile.
struct Snapshot {
  fs::path root;
  Files files;          // index.html, index1.html, title.html, 1.js, the stages' pages, the pictures
  std::string keyBytes;  // 1.js as read
  Key key;
  std::string course;   // the course line of title.html, as UTF-8 text
  // Where the handler's address lies in index.html, as a range of its bytes.
  std::size_t handlerBegin = 0, handlerEnd = 0;

  // index.html with the handler's line replaced by an address, every other byte as read.
  std::string indexWith(std::string_view address) const;
};

// A question as the lesson served it, as the quiz shows it: its text and four answers, UTF-8.
struct QuestionText {
  std::string text;
  std::array<std::string, 4> answers;
  bool operator==(const QuestionText&) const = default;
};

// The questions of the snapshot's test, one per slot of its key (ten a stage), from their pages:
// each line as the quiz shows it, a reference the editor wrote for a character beyond the code
// page read as that character. A page the snapshot lacks or that is out of shape, which the
// quiz cannot show either, gives a question with nothing in it.
std::vector<QuestionText> questionTexts(const Snapshot& snapshot);

// Reads the test's own files through the disk: the four root files, the pages "?.html" of every
// stage folder and the pictures "*.gif" of the pictures folder; nothing whose name starts with a
// dot (the history, the editor's temporaries). Throws shell::ShellError naming the file when a
// root file is missing or not in its shape, or when a file or folder of the test is a link
// leading outside the test. Reads and writes nothing else.
Snapshot readSnapshot(shell::Disk& disk, const fs::path& root);

}  // namespace lesson
