#include "shell/LineTable.h"

#include <algorithm>

#include "shell/ShellError.h"
#include "shell/Russian.h"

namespace shell {


std::vector<std::string> splitLines(std::string_view bytes) {
  std::vector<std::string> lines;
  forEachLine(bytes, [&](std::string_view line) { lines.emplace_back(line); });
  return lines;
}

const std::vector<std::string_view>& checkTable(std::string_view bytes, TableShape shape,
                                                const std::string& file) {
  // One buffer of views per thread, reused from file to file: reading a table allocates only
  // the strings of its lines.
  thread_local std::vector<std::string_view> lines;
  lines.clear();
  forEachLine(bytes, [&](std::string_view line) { lines.push_back(line); });
  for (std::size_t i = 0; i < std::min(shape.head, lines.size()); ++i) {
    if (lines[i].find('\n') != std::string_view::npos) {
      throw ShellError(file, "строка " + std::to_string(i + 1) +
                                 " содержит перевод строки LF без CR; редактор читает строки, "
                                 "оканчивающиеся на CR LF (файл сохранён в формате Unix?)");
    }
  }
  if (lines.size() < shape.head) {
    throw ShellError(file, countOf(lines.size(), "строка", "строки", "строк") +
                               ", а нужно не меньше " + std::to_string(shape.head));
  }
  const std::size_t most = shape.head + shape.tailCapacity;
  if (lines.size() > most) {
    throw ShellError(file, countOf(lines.size(), "строка", "строки", "строк") +
                               ", а допускается не больше " + std::to_string(most));
  }
  return lines;
}

void readTable(std::string_view bytes, TableShape shape, const std::string& file,
               std::span<std::string> head, std::span<std::string> tail, std::int16_t& tailCount) {
  readTableInto(
      bytes, shape, file, [&](std::size_t i) -> std::string& { return head[i]; }, tail, tailCount);
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
