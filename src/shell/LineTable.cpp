#include "shell/LineTable.h"

#include <cstring>

#include "shell/ShellError.h"
#include "shell/Russian.h"

namespace shell {

namespace {

// Calls `line` for each line of the bytes, in order, with the line's bytes.
template <typename Line>
void forEachLine(std::string_view bytes, Line line) {
  const char* p = bytes.data();
  const char* end = p + bytes.size();
  while (p < end) {
    const char* cr = static_cast<const char*>(std::memchr(p, '\r', static_cast<std::size_t>(end - p)));
    if (cr == nullptr) {
      line(std::string_view(p, static_cast<std::size_t>(end - p)));
      return;
    }
    line(std::string_view(p, static_cast<std::size_t>(cr - p)));
    p = cr + 1;
    if (p < end && *p == '\n') ++p;
  }
}

}  // namespace

std::vector<std::string> splitLines(std::string_view bytes) {
  std::vector<std::string> lines;
  forEachLine(bytes, [&](std::string_view line) { lines.emplace_back(line); });
  return lines;
}

void readTable(std::string_view bytes, TableShape shape, const std::string& file,
               std::span<std::string> head, std::span<std::string> tail, std::int16_t& tailCount) {
  // A first pass counts the lines and finds a head line with a bare line feed, so that the
  // table is only filled from a file that fits it.
  std::size_t lines = 0;
  std::size_t bareLineFeed = 0;  // 1-based number of the first such head line, 0 for none
  forEachLine(bytes, [&](std::string_view line) {
    ++lines;
    if (bareLineFeed == 0 && lines <= shape.head && line.find('\n') != std::string_view::npos) {
      bareLineFeed = lines;
    }
  });
  if (bareLineFeed != 0) {
    throw ShellError(file, "строка " + std::to_string(bareLineFeed) +
                               " содержит перевод строки LF без CR; редактор читает строки, "
                               "оканчивающиеся на CR LF (файл сохранён в формате Unix?)");
  }
  if (lines < shape.head) {
    throw ShellError(file, countOf(lines, "строка", "строки", "строк") +
                               ", а нужно не меньше " + std::to_string(shape.head));
  }
  const std::size_t most = shape.head + shape.tailCapacity;
  if (lines > most) {
    throw ShellError(file, countOf(lines, "строка", "строки", "строк") +
                               ", а допускается не больше " + std::to_string(most));
  }
  std::size_t i = 0;
  forEachLine(bytes, [&](std::string_view line) {
    if (i < shape.head) head[i].assign(line);
    else tail[i - shape.head].assign(line);
    ++i;
  });
  const std::size_t count = lines - shape.head;
  for (std::size_t t = count; t < tail.size(); ++t) tail[t].clear();
  tailCount = static_cast<std::int16_t>(count);
}

void appendLine(std::string& out, std::string_view line) {
  out.append(line);
  out.append("\r\n");
}

std::string writeTable(std::span<const std::string> head, std::span<const std::string> tail,
                       std::int16_t tailCount) {
  std::size_t size = 0;
  for (const auto& line : head) size += line.size() + 2;
  for (std::int16_t i = 0; i < tailCount; ++i) size += tail[static_cast<std::size_t>(i)].size() + 2;
  std::string out;
  out.reserve(size);
  for (const auto& line : head) appendLine(out, line);
  for (std::int16_t i = 0; i < tailCount; ++i) appendLine(out, tail[static_cast<std::size_t>(i)]);
  return out;
}

}  // namespace shell
