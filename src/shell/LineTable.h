#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace shell {

// A shell file is a line table: a fixed number of head lines addressed by index, then at most
// a fixed number of tail lines kept verbatim with their count. Lines are the bytes as read,
// never decoded. CR LF and a lone CR end a line; a final terminator gives no extra line.
struct TableShape {
  std::size_t head;
  std::size_t tailCapacity;
};

// The shapes of the shell's files. The answer key's head is its 10 head lines followed by the
// 100 answer pairs, 210 lines that are always present.
inline constexpr TableShape kTitleShape{13, 31};
inline constexpr TableShape kIndex1Shape{2, 31};
inline constexpr TableShape kIndexShape{18, 31};
inline constexpr TableShape kAnswerKeyShape{210, 401};
inline constexpr TableShape kPageShape{14, 21};

// Splits bytes into lines. A line feed that does not follow a carriage return stays inside its
// line; whether such a line is acceptable is for the reader of the table to decide.
std::vector<std::string> splitLines(std::string_view bytes);

// Reads a table of the given shape from the bytes of the file named `file` (the name is only
// used in error messages). Fills `head` (exactly shape.head entries) and `tail` (shape
// .tailCapacity entries, the first `tailCount` valid). Throws ShellError when the file has fewer
// lines than its head, more tail lines than its table holds, or a bare line feed in a head line
// (a file saved with Unix line ends, which would shift every line the editor addresses).
// The output is only touched when the whole file fits.
void readTable(std::string_view bytes, TableShape shape, const std::string& file,
               std::span<std::string> head, std::span<std::string> tail, std::int16_t& tailCount);

// The bytes of a table: head lines, then tail lines 0..tailCount-1, each followed by CR LF.
std::string writeTable(std::span<const std::string> head, std::span<const std::string> tail,
                       std::int16_t tailCount);

// Appends one line and its CR LF to `out`.
void appendLine(std::string& out, std::string_view line);

}  // namespace shell
