#include <string_view>

#include "results/Export.h"

namespace results {

namespace {

// Whether a spreadsheet opening the file would read the text as something else than text: a
// formula (and run it), or a number or a date ("1,3", "9-1", "0012", "12:34") that loses what was
// typed.
bool readAsOther(std::string_view text) {
  if (text.empty()) return false;
  if (std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos) return true;
  if (text.front() < '0' || text.front() > '9') return false;
  return text.find_first_not_of("0123456789 .,:/-eE%") == std::string_view::npos;
}

void appendField(std::string& out, std::string_view text) {
  out += '"';
  for (const char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

}  // namespace

std::string csvBytes(const Table& table) {
  std::string out = "\xEF\xBB\xBF";
  const auto row = [&out](const auto& fields, auto textOf) {
    bool first = true;
    for (const auto& field : fields) {
      if (!first) out += ';';
      first = false;
      appendField(out, textOf(field));
    }
    out += "\r\n";
  };
  row(table.captions, [](const std::string& caption) { return validUtf8(caption); });
  for (const std::vector<Cell>& cells : table.rows) {
    row(cells, [](const Cell& cell) {
      std::string text = validUtf8(cell.shown());
      return cell.sent && readAsOther(text) ? "'" + text : text;
    });
  }
  return out;
}

}  // namespace results
