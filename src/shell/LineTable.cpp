#include "shell/LineTable.h"

#include <algorithm>

#include "shell/ShellError.h"
#include "shell/Russian.h"

namespace shell {

std::vector<std::string> splitLines(std::string_view bytes) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  const std::size_t n = bytes.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (bytes[i] != '\r') continue;
    lines.emplace_back(bytes.substr(start, i - start));
    if (i + 1 < n && bytes[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < n) lines.emplace_back(bytes.substr(start));
  return lines;
}

void readTable(std::string_view bytes, TableShape shape, const std::string& file,
               std::span<std::string> head, std::span<std::string> tail, std::int16_t& tailCount) {
  std::vector<std::string> lines = splitLines(bytes);
  const std::size_t most = shape.head + shape.tailCapacity;
  for (std::size_t i = 0; i < std::min(shape.head, lines.size()); ++i) {
    if (lines[i].find('\n') != std::string::npos) {
      throw ShellError(file, "строка " + std::to_string(i + 1) +
                                 " содержит перевод строки LF без CR; редактор читает строки, "
                                 "оканчивающиеся на CR LF (файл сохранён в формате Unix?)");
    }
  }
  if (lines.size() < shape.head) {
    throw ShellError(file, countOf(lines.size(), "строка", "строки", "строк") +
                               ", а нужно не меньше " + std::to_string(shape.head));
  }
  if (lines.size() > most) {
    throw ShellError(file, countOf(lines.size(), "строка", "строки", "строк") +
                               ", а допускается не больше " + std::to_string(most));
  }
  std::move(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(shape.head), head.begin());
  const std::size_t count = lines.size() - shape.head;
  std::move(lines.begin() + static_cast<std::ptrdiff_t>(shape.head), lines.end(), tail.begin());
  std::fill(tail.begin() + static_cast<std::ptrdiff_t>(count), tail.end(), std::string());
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
