#include <xlsxwriter.h>

#include <algorithm>
#include <cctype>
#include <string_view>

#include "results/Export.h"
#include "results/Statistics.h"
#include "shell/Russian.h"
#include "shell/ShellError.h"

namespace results {

namespace {

// Excel's most characters in a cell.
constexpr std::size_t kCellCharacters = 32767;

bool isHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

// Whether the text at `i` is "_xHHHH_", which a spreadsheet reads as the character HHHH.
bool escapeAt(std::string_view text, std::size_t i) {
  return text.size() - i >= 7 && text[i] == '_' && (text[i + 1] == 'x') && isHex(text[i + 2]) && isHex(text[i + 3]) &&
         isHex(text[i + 4]) && isHex(text[i + 5]) && text[i + 6] == '_';
}

// The reason of a failed libxlsxwriter call, in Russian.
std::string reasonOf(lxw_error error) {
  switch (error) {
    case LXW_ERROR_CREATING_XLSX_FILE:
      return "не удалось создать файл (нет прав на запись в эту папку, её нет, или диск защищён от записи)";
    case LXW_ERROR_CREATING_TMPFILE:
      return "не удалось создать временный файл в папке временных файлов системы (нет места или прав)";
    case LXW_ERROR_MEMORY_MALLOC_FAILED: return "не хватило памяти";
    case LXW_ERROR_ZIP_FILE_OPERATION:
    case LXW_ERROR_ZIP_FILE_ADD:
    case LXW_ERROR_ZIP_CLOSE:
    case LXW_ERROR_ZIP_PARAMETER_ERROR:
    case LXW_ERROR_ZIP_BAD_ZIP_FILE:
    case LXW_ERROR_ZIP_INTERNAL_ERROR:
    case LXW_ERROR_READING_TMPFILE:
      return "ошибка записи на диск (нет места, или диск отключён)";
    default:
      return "книга Excel не записана: её библиотека отказала (код " + std::to_string(static_cast<int>(error)) + ")";
  }
}

// The workbook open, closed whatever happens.
class Workbook {
 public:
  explicit Workbook(const fs::path& file) : file_(file) {
    lxw_workbook_options options{};
    book_ = workbook_new_opt(shell::utf8(file).c_str(), &options);
    if (book_ == nullptr) throw shell::ShellError(shell::utf8(file), reasonOf(LXW_ERROR_MEMORY_MALLOC_FAILED));
  }
  ~Workbook() {
    if (book_ != nullptr) workbook_close(book_);
  }
  Workbook(const Workbook&) = delete;
  Workbook& operator=(const Workbook&) = delete;

  lxw_workbook* get() const { return book_; }
  // Any error of a call on the workbook; the first one is the one told.
  void check(lxw_error error) {
    if (error != LXW_NO_ERROR && first_ == LXW_NO_ERROR) first_ = error;
  }
  void close() {
    lxw_workbook* book = book_;
    book_ = nullptr;
    check(workbook_close(book));
    if (first_ != LXW_NO_ERROR) throw shell::ShellError(shell::utf8(file_), reasonOf(first_));
  }

 private:
  fs::path file_;
  lxw_workbook* book_ = nullptr;
  lxw_error first_ = LXW_NO_ERROR;
};

}  // namespace

std::string cellText(std::string_view text) {
  const std::string valid = validUtf8(text);
  std::string out;
  out.reserve(valid.size());
  // Characters as written into the file, which is what the limit counts.
  std::size_t characters = 0;
  for (std::size_t i = 0; i < valid.size();) {
    const unsigned char lead = static_cast<unsigned char>(valid[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    // The underscore of a run that reads as an escape is itself escaped, so that it reads back
    // as typed.
    const bool escaped = escapeAt(valid, i);
    const std::size_t written = escaped ? 7 : 1;
    const bool last = i + length >= valid.size();
    if (characters + written > kCellCharacters - (last ? 0 : 1)) {
      out += "…";
      break;
    }
    if (escaped) out += "_x005F_";
    else out.append(valid, i, length);
    characters += written;
    i += length;
  }
  return out;
}

std::vector<Sheet> lessonSheets(const lesson::LessonRecord& lesson, const std::vector<lesson::ResultRecord>& newestFirst) {
  const Statistics stats = statistics(lesson, newestFirst);
  std::vector<Sheet> sheets(3);
  sheets[0].name = "Результаты";
  sheets[0].frozenColumns = 1;
  sheets[0].sections.push_back({"", {}, resultsTable(lesson, newestFirst)});
  sheets[1].name = "Статистика";
  sheets[1].sections.push_back({"", statisticsNotes(stats), questionsTable(stats)});
  sheets[1].sections.push_back({"Вопросы, на которые чаще всего отвечали неверно или не отвечали", {}, missedTable(stats)});
  sheets[2].name = "Урок";
  sheets[2].sections.push_back({"", {}, lessonFacts(lesson, newestFirst)});
  sheets[2].sections.push_back({"Ключ и вопросы", {}, keyTable(lesson)});
  return sheets;
}

void writeXlsx(const fs::path& file, const std::vector<Sheet>& sheets) {
  Workbook book(file);
  lxw_workbook* wb = book.get();
  lxw_format* caption = workbook_add_format(wb);
  format_set_bold(caption);
  format_set_text_wrap(caption);
  format_set_align(caption, LXW_ALIGN_VERTICAL_TOP);
  format_set_bottom(caption, LXW_BORDER_THIN);
  format_set_bg_color(caption, 0xEEEEEE);
  lxw_format* title = workbook_add_format(wb);
  format_set_bold(title);
  format_set_font_size(title, 12);
  lxw_format* wrapped = workbook_add_format(wb);
  format_set_text_wrap(wrapped);
  format_set_align(wrapped, LXW_ALIGN_VERTICAL_TOP);
  lxw_format* top = workbook_add_format(wb);
  format_set_align(top, LXW_ALIGN_VERTICAL_TOP);
  lxw_format* moment = workbook_add_format(wb);
  format_set_num_format(moment, "dd.mm.yyyy hh:mm:ss");
  format_set_align(moment, LXW_ALIGN_VERTICAL_TOP);

  for (const Sheet& sheet : sheets) {
    lxw_worksheet* ws = workbook_add_worksheet(wb, sheet.name.c_str());
    if (ws == nullptr) {
      book.check(LXW_ERROR_SHEETNAME_ALREADY_USED);
      continue;
    }
    std::vector<double> widths;
    lxw_row_t row = 0;
    bool frozen = false;
    for (const Section& section : sheet.sections) {
      const Table& table = section.table;
      if (!section.title.empty()) book.check(worksheet_write_string(ws, row++, 0, cellText(section.title).c_str(), title));
      for (const std::string& note : section.notes) book.check(worksheet_write_string(ws, row++, 0, cellText(note).c_str(), nullptr));
      const lxw_row_t captions = row;
      for (std::size_t c = 0; c < table.captions.size(); ++c) {
        const auto column = static_cast<lxw_col_t>(c);
        if (table.captions[c].empty()) book.check(worksheet_write_blank(ws, row, column, caption));
        else book.check(worksheet_write_string(ws, row, column, cellText(table.captions[c]).c_str(), caption));
        if (widths.size() <= c) widths.resize(c + 1, 0);
        if (c < table.widths.size()) widths[c] = std::max(widths[c], table.widths[c]);
      }
      ++row;
      for (const std::vector<Cell>& cells : table.rows) {
        for (std::size_t c = 0; c < cells.size(); ++c) {
          const Cell& cell = cells[c];
          const auto column = static_cast<lxw_col_t>(c);
          const bool wide = c < table.widths.size() && table.widths[c] >= 40;
          switch (cell.kind) {
            case Cell::Kind::Text:
              // Always a string: whatever a pupil typed stays the text typed.
              if (!cell.text.empty()) {
                book.check(worksheet_write_string(ws, row, column, cellText(cell.text).c_str(), wide ? wrapped : top));
              }
              break;
            case Cell::Kind::Number: book.check(worksheet_write_number(ws, row, column, cell.number, top)); break;
            case Cell::Kind::Moment: {
              lxw_datetime when{cell.moment.year, cell.moment.month, cell.moment.day,
                                cell.moment.hour, cell.moment.minute, static_cast<double>(cell.moment.second)};
              book.check(worksheet_write_datetime(ws, row, column, &when, moment));
              break;
            }
          }
        }
        ++row;
      }
      if (!frozen) {
        // The first table's captions stay in sight, and so does its first column where asked; a
        // filter on them sorts and picks rows as the teacher wants.
        worksheet_freeze_panes(ws, captions + 1, static_cast<lxw_col_t>(sheet.frozenColumns));
        if (!table.captions.empty() && !table.rows.empty()) {
          book.check(worksheet_autofilter(ws, captions, 0, row - 1, static_cast<lxw_col_t>(table.captions.size() - 1)));
        }
        frozen = true;
      }
      ++row;
    }
    for (std::size_t c = 0; c < widths.size(); ++c) {
      if (widths[c] > 0) book.check(worksheet_set_column(ws, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c), widths[c], nullptr));
    }
  }
  book.close();
}

}  // namespace results
