#pragma once

#include <cstddef>

#include "shell/Layout.h"
#include "shell/LineTable.h"

// What the editor knows of each file of the shell: its shape as a line table, and the numbers
// (0-based) of the head lines that carry a value. Every line not named here goes back as read.

namespace shell {

// title.html: the master copy of the settings.
inline constexpr TableShape kTitleShape{13, 31};
namespace title {
inline constexpr std::size_t kInspector = 2;  // the inspecting body
inline constexpr std::size_t kCourse = 4;     // the course name
inline constexpr std::size_t kStages = 6;     // the number of stages
inline constexpr std::size_t kMinutes = 8;    // the test's duration
inline constexpr std::size_t kPassMark = 10;  // the pass mark in percent
inline constexpr std::size_t kHandler = 12;   // the result handler's address
}  // namespace title

// index1.html repeats the course name.
inline constexpr TableShape kIndex1Shape{2, 31};
namespace index1 {
inline constexpr std::size_t kCourse = 1;
}  // namespace index1

// index.html, where the quiz starts, repeats the result handler's address.
inline constexpr TableShape kIndexShape{18, 31};
namespace index {
inline constexpr std::size_t kHandler = 17;
}  // namespace index

// 1.js: ten head lines, then an answer line and the line after it for every answer slot, then
// the tail. Its table's head is all of these.
namespace key {
inline constexpr std::size_t kHeadLines = 10;
inline constexpr std::size_t kStages = 1;
inline constexpr std::size_t kMinutes = 4;
inline constexpr std::size_t kPassMark = 7;
inline constexpr std::size_t kTailLines = 401;
}  // namespace key
inline constexpr TableShape kAnswerKeyShape{key::kHeadLines + 2 * kAnswerSlots, key::kTailLines};

// A question page: the question and its four answers on every other line from 5, its ordinal
// and its picture.
inline constexpr TableShape kPageShape{14, 21};
namespace page {
inline constexpr std::size_t kOrdinal = 1;
inline constexpr std::size_t kPicture = 3;
// The fields of a question: 0 its text, 1..4 its answers.
inline constexpr std::size_t kFields = 5;
constexpr std::size_t field(std::size_t i) { return 5 + 2 * i; }
}  // namespace page

}  // namespace shell
