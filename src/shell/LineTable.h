#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
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

// Splits bytes into lines. A line feed that does not follow a carriage return stays inside its
// line; whether such a line is acceptable is for the reader of the table to decide.
std::vector<std::string> splitLines(std::string_view bytes);

// Calls `line` for each line of the bytes, in order, with the line's bytes.
template <typename Line>
void forEachLine(std::string_view bytes, Line line) {
  const char* p = bytes.data();
  const char* end = p + bytes.size();
  while (p < end) {
    const void* found = std::memchr(p, '\r', static_cast<std::size_t>(end - p));
    const char* cr = static_cast<const char*>(found);
    if (cr == nullptr) {
      line(std::string_view(p, static_cast<std::size_t>(end - p)));
      return;
    }
    line(std::string_view(p, static_cast<std::size_t>(cr - p)));
    p = cr + 1;
    if (p < end && *p == '\n') ++p;
  }
}

// Splits the bytes of the file named `file` (the name is only used in messages) into the lines
// of a table of the given shape. Throws ShellError when the file has fewer lines than its head,
// more tail lines than its table holds, or a bare line feed in a head line (a file saved with
// Unix line ends, which would shift every line the editor addresses). The views point into
// `bytes` and stay valid while it does.
const std::vector<std::string_view>& checkTable(std::string_view bytes, TableShape shape,
                                                const std::string& file);

// Reads a table: head line i goes to headLine(i), a reference to the string that holds it; the
// tail fills `tail` (shape.tailCapacity entries, the first `tailCount` valid). Nothing is
// touched when the file does not fit.
template <typename HeadLine>
void readTableInto(std::string_view bytes, TableShape shape, const std::string& file,
                   HeadLine headLine, std::span<std::string> tail, std::int16_t& tailCount) {
  const std::vector<std::string_view>& lines = checkTable(bytes, shape, file);
  // Each line is built as a new string and moved in: cheaper than assigning into the old one.
  for (std::size_t i = 0; i < shape.head; ++i) headLine(i) = std::string(lines[i]);
  const std::size_t count = lines.size() - shape.head;
  for (std::size_t t = 0; t < tail.size(); ++t) {
    if (t < count) tail[t] = std::string(lines[shape.head + t]);
    else tail[t].clear();
  }
  tailCount = static_cast<std::int16_t>(count);
}

// The same, with the head lines in `head` (exactly shape.head entries).
void readTable(std::string_view bytes, TableShape shape, const std::string& file,
               std::span<std::string> head, std::span<std::string> tail, std::int16_t& tailCount);

// The bytes of a table: head lines, then tail lines 0..tailCount-1, each followed by CR LF.
std::string writeTable(std::span<const std::string> head, std::span<const std::string> tail,
                       std::int16_t tailCount);

// Appends one line and its CR LF to `out`.
void appendLine(std::string& out, std::string_view line);

}  // namespace shell
