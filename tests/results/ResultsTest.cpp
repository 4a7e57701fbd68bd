// A lesson's results afterwards: the statistics of a known class, the cells every export takes
// from the results (a pupil's text stays text), the CSV bytes, the printed page, and the files
// written through a temporary beside them or refused. The .xlsx and the CSV file written here are
// read back by Python (check_export.py, run by ctest after this program).

#include <gtest/gtest.h>

#include <cstdio>
#include <set>

#ifdef _WIN32
#include <windows.h>
#endif

#include "lesson/Rows.h"
#include "lesson/Score.h"
#include "results/Export.h"
#include "results/Statistics.h"
#include "shell/LineTable.h"
#include "shell/Russian.h"
#include "shell/ShellError.h"
#include "support/Fixtures.h"

namespace results {
namespace {

using lesson::LessonRecord;
using lesson::ResultRecord;
using support::TempDir;

const std::string kCourse = "Информатика √";

// A lesson of one stage whose key is `answers` (ten lines), its questions named by their number.
LessonRecord lessonWithKey(const std::vector<std::string>& answers, const std::string& folder = "/школа/тест") {
  std::vector<std::string> lines = support::answerKeyLines(1);
  for (std::size_t slot = 0; slot < answers.size(); ++slot) lines[10 + 2 * slot] = answers[slot];
  LessonRecord l{7, folder, kCourse, "2024-05-14T08:30:00Z", support::crlfJoin(lines), 1, "60", {}};
  for (std::size_t slot = 0; slot < 10; ++slot) {
    l.questions.push_back({"Вопрос " + std::to_string(slot + 1) + " <b>x²</b>", {"один", "два", "три", "четыре"}});
  }
  return l;
}

// A result of the lesson as the quiz posts it, scored as the lesson scores it.
ResultRecord sent(const LessonRecord& l, const std::string& student, const std::string& group, const std::string& answers,
                  int minute, const std::string& course = kCourse) {
  ResultRecord r;
  r.lesson = l.id;
  r.posted.course = course;
  r.posted.student = student;
  r.posted.group = group;
  r.posted.questions = "10";
  r.posted.answers = answers;
  r.posted.elapsed = "754";
  r.score = lesson::scoreAgain(lesson::readKey(l.key), l.course, r.posted);
  r.posted.right = std::to_string(r.score.right);
  r.posted.percent = std::to_string(r.score.percent);
  r.score = lesson::scoreAgain(lesson::readKey(l.key), l.course, r.posted);
  r.received = "2024-05-14T08:" + std::to_string(40 + minute) + ":00Z";
  return r;
}

TEST(Statistics, AKnownClassIsCountedPerAnswerAndWhatCannotBeLaidAgainstTheTestIsSetApart) {
  const LessonRecord l = lessonWithKey({"1", "2", "3", "4", "1", "2", "3", "4", "1", "2"});
  // The newest first. Петров's first try is not his result; three results cannot be counted.
  const std::vector<ResultRecord> results = {
      sent(l, "Сидоров", "9А", "3,1,2,4,1,2,3,4,1,0", 9),
      sent(l, "Петров", "9А", "2,2,1,4,1,2,3,4,1,0", 8),
      sent(l, "Иванов", "9А", "1,2,3,4,1,2,3,4,1,2", 7),
      sent(l, "Козлов", "9Б", "1,2,3,4,1,2,3,4,1,2", 6, "История"),
      sent(l, "Орлов", "9Б", "1,2,3,4,1,2,3,4,1", 5),
      sent(l, "Лисин", "9Б", "1,2,3,4,1,2,3,4,1,5", 4),
      sent(l, "Петров", "9А", "4,4,4,4,4,4,4,4,4,4", 3),
  };
  const Statistics s = statistics(l, results);
  EXPECT_EQ(s.counted, 3);
  EXPECT_TRUE(s.texts);
  ASSERT_EQ(s.questions.size(), 10u);
  const auto question = [](int slot, int right, int percent, std::array<int, 5> chosen, std::vector<int> wrong) {
    QuestionStatistics q;
    q.slot = slot;
    q.text = "Вопрос " + std::to_string(slot + 1) + " <b>x²</b>";
    q.right = std::string(1, "1234123412"[slot]);
    q.counted = 3;
    q.rightCount = right;
    q.percent = percent;
    q.chosen = chosen;
    q.commonWrong = std::move(wrong);
    return q;
  };
  // One of three: 33 %, each wrong answer once (a tie); two of three: 67 %, rounded up.
  EXPECT_EQ(s.questions[0], question(0, 1, 33, {0, 1, 1, 1, 0}, {2, 3}));
  EXPECT_EQ(s.questions[1], question(1, 2, 67, {0, 1, 2, 0, 0}, {1}));
  EXPECT_EQ(s.questions[2], question(2, 1, 33, {0, 1, 1, 1, 0}, {1, 2}));
  EXPECT_EQ(s.questions[3], question(3, 3, 100, {0, 0, 0, 0, 3}, {}));
  // Left without an answer is missed but no wrong answer chosen.
  EXPECT_EQ(s.questions[9], question(9, 1, 33, {2, 0, 1, 0, 0}, {}));
  EXPECT_EQ(s.missedMost, (std::vector<std::size_t>{0, 2, 9, 1, 3, 4, 5, 6, 7, 8}));
  ASSERT_EQ(s.apart.size(), 3u);
  EXPECT_EQ(s.apart[0].student, "Козлов");
  EXPECT_NE(s.apart[0].why.find("форма другого теста: курс «История»"), std::string::npos) << s.apart[0].why;
  EXPECT_EQ(s.apart[1], (SetApart{"Орлов", "9Б", "ответов 9, а вопросов 10"}));
  EXPECT_EQ(s.apart[2], (SetApart{"Лисин", "9Б", "есть ответ не от 0 до 4"}));

  // The tables say the same, with the questions' places in the test.
  const Table questions = questionsTable(s);
  EXPECT_EQ(questions.rows[1], (std::vector<Cell>{Cell::of(2.0), Cell::of(1.0), Cell::of(2.0), Cell::of(s.questions[1].text),
                                                  Cell::of("2"), Cell::of(3.0), Cell::of(2.0), Cell::of(67.0), Cell::of(1.0),
                                                  Cell::of(2.0), Cell::of(0.0), Cell::of(0.0), Cell::of(0.0), Cell::of("1")}));
  EXPECT_EQ(questions.rows[0].back(), Cell::of("2, 3"));
  EXPECT_EQ(questions.rows[9].back(), Cell::of("—"));
  const Table missed = missedTable(s);
  EXPECT_EQ(missed.rows[2][1], Cell::of(10.0));  // third place: question 10
  EXPECT_EQ(missed.rows[2][5], Cell::of(2.0));
  const std::vector<std::string> notes = statisticsNotes(s);
  ASSERT_EQ(notes.size(), 5u);
  EXPECT_EQ(notes[0].rfind("Учтено учеников: 3 ", 0), 0u) << notes[0];
  EXPECT_EQ(notes[1].rfind("Не учтено учеников: 3 ", 0), 0u) << notes[1];
  EXPECT_EQ(notes[3], "Орлов, 9Б: ответов 9, а вопросов 10");

  // A lesson of an older store kept no texts, and says so; a class of none counts nothing.
  LessonRecord old = l;
  old.questions.clear();
  const Statistics none = statistics(old, {});
  EXPECT_EQ(none.counted, 0);
  EXPECT_EQ(none.questions[0].text, "");
  EXPECT_EQ(none.questions[0].percent, 0);
  EXPECT_NE(statisticsNotes(none).back().find("не сохранены"), std::string::npos);
}

// Excel's escape of a character, as typed `n` times.
std::string escapes(int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += "_x0041_";
  return out;
}

// Characters of UTF-8 text.
std::size_t characters(const std::string& utf8) {
  std::size_t n = 0;
  for (const char c : utf8) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}

// The pupils every export of the tests below shows: what a spreadsheet would take for a formula,
// a number or a date, markup, Cyrillic and emoji, Excel's own escape, a name too long for a cell.
std::vector<ResultRecord> hostileClass(const LessonRecord& l) {
  return {sent(l, "=1+1", "9А", "1,2,3,4,1,2,3,4,1,2", 9),
          sent(l, "+7", "1,3", "2,2,3,4,1,2,3,4,1,0", 8),
          sent(l, "-5", "9-1", "1,2,3,4,1,2,3,4,1,2", 7),
          sent(l, "@x", "0012", "1,2,3,4,1,2,3,4,1,2", 6),
          sent(l, "Ёжиков \"Ёж\" 😀 <script>alert(1)</script>", "10 Б", "0,0,0,0,0,0,0,0,0,0", 5),
          sent(l, "_x0041_", "9А", "1,2,3,4,1,2,3,4,1,2", 4),
          sent(l, "=HYPERLINK(\"http://x\";\"y\")", "9А", "1,2,3,4,1,2,3,4", 3),
          sent(l, std::string(40000, 'w'), "9А", "9,2,3,4,1,2,3,4,1,2", 2),
          sent(l, escapes(5000), "9А", "1,2,3,4,1,2,3,4,1,2", 1)};
}

TEST(Export, APupilsTextStaysTextInEveryExport) {
  const LessonRecord l = lessonWithKey({"1", "2", "3", "4", "1", "2", "3", "4", "1", "2"});
  std::vector<ResultRecord> results = hostileClass(l);
  results[0].posted.elapsed = "=2+2";
  const Table t = resultsTable(l, results);
  ASSERT_EQ(t.captions.size(), 18u);
  EXPECT_EQ(t.captions[8], "В1");
  EXPECT_EQ(t.captions[17], "В10");
  // In the order of class and name; every text a pupil's computer sent is a text cell, marked so.
  ASSERT_EQ(t.rows.size(), 9u);
  EXPECT_EQ(t.rows[0][1], Cell::of("0012", true));
  EXPECT_EQ(t.rows[1][1], Cell::of("1,3", true));
  EXPECT_EQ(t.rows[2][0], Cell::of("Ёжиков \"Ёж\" 😀 <script>alert(1)</script>", true));
  EXPECT_EQ(t.rows[3][1], Cell::of("9-1", true));
  EXPECT_EQ(t.rows[4][0], Cell::of("=1+1", true));
  EXPECT_EQ(t.rows[5][0], Cell::of("=HYPERLINK(\"http://x\";\"y\")", true));
  const auto row = [&t](const std::string& student) {
    for (const auto& r : t.rows) {
      if (r[0].text == student) return r;
    }
    ADD_FAILURE() << "no row of " << student;
    return std::vector<Cell>{};
  };
  const std::vector<Cell> formula = row("=1+1");
  EXPECT_EQ(formula[3], Cell::of("=2+2", true));
  EXPECT_EQ(row("+7")[3], Cell::of("12:34"));  // seconds, made a time here
  EXPECT_EQ(formula[4], Cell::of(10.0));
  EXPECT_EQ(formula[5], Cell::of(100.0));
  EXPECT_EQ(formula[6], Cell::of("да"));
  EXPECT_EQ(formula[8], Cell::of("1 ✓"));
  EXPECT_EQ(formula[2], Cell::of(*localTime("2024-05-14T08:49:00Z")));
  const std::vector<Cell> none = row(t.rows[2][0].text);
  EXPECT_EQ(none[8], Cell::of("— ✗"));
  EXPECT_EQ(none[6], Cell::of("нет"));
  EXPECT_EQ(row("+7")[8], Cell::of("2 ✗"));
  // Eight answers of ten: the last two questions blank, the mark telling why.
  const std::vector<Cell> short8 = row("=HYPERLINK(\"http://x\";\"y\")");
  EXPECT_EQ(short8[16], Cell::of(""));
  EXPECT_EQ(short8[7], Cell::of("ответов 8, а вопросов 10", true));
  // An answer that is no number from 0 to 4 is what the pupil's computer sent.
  EXPECT_EQ(row(std::string(40000, 'w'))[8], Cell::of("9 ✗", true));

  // The spreadsheet's text: at most Excel's 32767 characters, Excel's escape kept as typed,
  // malformed UTF-8 and characters XML cannot carry replaced, the rest as it is.
  const std::string cut = cellText(std::string(40000, 'w'));
  EXPECT_EQ(cut, std::string(32766, 'w') + "…");
  EXPECT_EQ(cellText(std::string(32767, 'w')), std::string(32767, 'w'));
  EXPECT_EQ(cellText("_x0041_ and _x00_"), "_x005F_x0041_ and _x00_");
  // The limit counts the characters written, escapes and all.
  const std::string escaped = cellText(escapes(5000));
  EXPECT_LE(characters(escaped), 32767u);
  EXPECT_GT(characters(escaped), 32700u);
  EXPECT_EQ(escaped.substr(escaped.size() - 3), "…");
  EXPECT_EQ(cellText(std::string("a\xFF\xC0\xAF\xED\xA0\x80\xEF\xBF\xBF", 10) + std::string(1, '\0') + "b"),
            "a" + [] {
              std::string replaced;
              for (int i = 0; i < 10; ++i) replaced += "\xEF\xBF\xBD";
              return replaced;
            }() + "b");
  EXPECT_EQ(cellText("Ёж 😀 √"), "Ёж 😀 √");

  // The CSV file: the same table, byte for byte as a spreadsheet in a Russian system reads it.
  Table small;
  small.captions = {"Ученик", "Класс", "Получен", "Правильных", "В1"};
  small.rows = {{Cell::of("=1+1", true), Cell::of("1,3", true), Cell::of(LocalTime{2024, 5, 14, 9, 41, 7}),
                 Cell::of(12.0), Cell::of("2 ✓")},
                {Cell::of("Он \"Ёж\"; 😀\r\nвторая", true), Cell::of("9А", true), Cell::of("когда-то", true),
                 Cell::of(0.5), Cell::of("— ✗")},
                {Cell::of("+7", true), Cell::of("-5", true), Cell::of("@x", true), Cell::of("\t1", true),
                 Cell::of("9-1", false)}};
  EXPECT_EQ(csvBytes(small),
            "\xEF\xBB\xBF\"Ученик\";\"Класс\";\"Получен\";\"Правильных\";\"В1\"\r\n"
            "\"'=1+1\";\"'1,3\";\"14.05.2024 09:41:07\";\"12\";\"2 ✓\"\r\n"
            "\"Он \"\"Ёж\"\"; 😀\r\nвторая\";\"9А\";\"когда-то\";\"0,5\";\"— ✗\"\r\n"
            "\"'+7\";\"'-5\";\"'@x\";\"'\t1\";\"9-1\"\r\n");

  // The printed page: every text escaped, the class listed, the statistics beside it.
  const std::string page = resultsPage(l, results);
  EXPECT_EQ(page.find("<script>"), std::string::npos);
  EXPECT_NE(page.find("Ёжиков &quot;Ёж&quot; 😀 &lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
  EXPECT_NE(page.find("<h1>Результаты урока по курсу «Информатика √»</h1>"), std::string::npos);
  EXPECT_NE(page.find("Вопрос 1 &lt;b&gt;x²&lt;/b&gt;"), std::string::npos);
  EXPECT_NE(page.find("Учеников: <b>9</b>"), std::string::npos);
  EXPECT_NE(page.find("@page { size: A4;"), std::string::npos);
  EXPECT_NE(page.find("<td class=\"text\">=1+1</td>"), std::string::npos);
  EXPECT_NE(page.find("Не учтено учеников: 2"), std::string::npos);
}

// JSON text of UTF-8 bytes.
std::string json(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') out += std::string("\\") + c;
    else if (u < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", u);
      out += escape;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

// A cell's text as a reader of the spreadsheet gets it back: Excel's escape of an underscore read.
std::string readBack(const std::string& text) {
  std::string out = cellText(text);
  for (std::size_t at; (at = out.find("_x005F_")) != std::string::npos;) out.replace(at, 7, "_");
  return out;
}

// What the file should hold, for check_export.py: each sheet's cells where writeXlsx lays them
// (a title, the notes, the captions, the rows, an empty row between sections), with their kinds,
// and the CSV file's rows.
std::string expected(const std::vector<Sheet>& sheets, const Table& csv) {
  std::string out = "{\"sheets\": [";
  for (std::size_t s = 0; s < sheets.size(); ++s) {
    out += (s ? ", " : "") + std::string("{\"name\": ") + json(sheets[s].name) + ", \"frozenColumns\": " +
           std::to_string(sheets[s].frozenColumns) + ", \"cells\": [";
    int row = 0;
    bool first = true;
    const auto cell = [&](int r, std::size_t c, const char* kind, const std::string& value) {
      out += (first ? "" : ", ") + std::string("[") + std::to_string(r) + ", " + std::to_string(c) + ", \"" + kind +
             "\", " + value + "]";
      first = false;
    };
    int captionsRow = -1;
    for (const Section& section : sheets[s].sections) {
      if (!section.title.empty()) cell(row++, 0, "s", json(section.title));
      for (const std::string& note : section.notes) cell(row++, 0, "s", json(readBack(note)));
      if (captionsRow < 0) captionsRow = row;
      for (std::size_t c = 0; c < section.table.captions.size(); ++c) {
        if (!section.table.captions[c].empty()) cell(row, c, "s", json(section.table.captions[c]));
      }
      ++row;
      for (const auto& cells : section.table.rows) {
        for (std::size_t c = 0; c < cells.size(); ++c) {
          const Cell& x = cells[c];
          if (x.kind == Cell::Kind::Number) {
            char number[32];
            std::snprintf(number, sizeof number, "%.17g", x.number);
            cell(row, c, "n", number);
          }
          if (x.kind == Cell::Kind::Text && !x.text.empty()) cell(row, c, "s", json(readBack(x.text)));
          if (x.kind == Cell::Kind::Moment) {
            char iso[32];
            std::snprintf(iso, sizeof iso, "%04d-%02d-%02dT%02d:%02d:%02d", x.moment.year, x.moment.month, x.moment.day,
                          x.moment.hour, x.moment.minute, x.moment.second);
            cell(row, c, "d", json(iso));
          }
        }
        ++row;
      }
      ++row;
    }
    out += "], \"captionsRow\": " + std::to_string(captionsRow) + "}";
  }
  out += "], \"csv\": [";
  const std::string bytes = csvBytes(csv);
  out += json(bytes);
  return out + "]}\n";
}

TEST(Export, FilesAreWrittenThroughATemporaryBesideThemOrRefusedWithNothingChanged) {
  TempDir tmp;
  const fs::path test = tmp.path() / shell::fromUtf8("тест 9А");
  fs::create_directories(test);
  const LessonRecord l = lessonWithKey({"1", "2", "3", "4", "1", "2", "3", "4", "1", "2"}, shell::utf8(test));
  const std::vector<ResultRecord> results = hostileClass(l);
  const fs::path folder = tmp.path() / shell::fromUtf8("Документы учителя");
  fs::create_directories(folder);
  const fs::path store = tmp.path() / "results.sqlite";
  support::writeBytes(store, "the store");
  shell::RealDisk disk;

  // Each format under a Cyrillic name, in place of an older file of that name.
  const std::pair<Format, const char*> formats[] = {
      {Format::Xlsx, "Урок 9А 😀.xlsx"}, {Format::Csv, "Урок 9А 😀.csv"}, {Format::Page, "Урок 9А 😀.html"}};
  for (const auto& [format, name] : formats) {
    const fs::path target = folder / shell::fromUtf8(name);
    support::writeBytes(target, "older");
    saveResults(disk, target, format, l, results, store);
  }
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(shell::utf8(entry.path().filename()));
  EXPECT_EQ(names, (std::set<std::string>{"Урок 9А 😀.csv", "Урок 9А 😀.html", "Урок 9А 😀.xlsx"}));
  const std::string xlsx = support::readBytes(folder / shell::fromUtf8("Урок 9А 😀.xlsx"));
  EXPECT_EQ(xlsx.substr(0, 4), std::string("PK\x03\x04", 4));
  EXPECT_EQ(support::readBytes(folder / shell::fromUtf8("Урок 9А 😀.csv")), csvBytes(resultsTable(l, results)));
  EXPECT_EQ(support::readBytes(folder / shell::fromUtf8("Урок 9А 😀.html")), resultsPage(l, results));
  EXPECT_EQ(support::readBytes(store), "the store");

  // For Python to read back: the files and what they should hold.
  const fs::path out = RESULTS_OUT_DIR;
  fs::create_directories(out);
  saveResults(disk, out / shell::fromUtf8("Урок 9А.xlsx"), Format::Xlsx, l, results, store);
  saveResults(disk, out / shell::fromUtf8("Урок 9А.csv"), Format::Csv, l, results, store);
  support::writeBytes(out / "expected.json", expected(lessonSheets(l, results), resultsTable(l, results)));

  // Never into the test, whose folder pupils can read; never over the store of every lesson.
  const auto refused = [&](const fs::path& target, const std::string& why) {
    try {
      saveResults(disk, target, Format::Csv, l, results, store);
      ADD_FAILURE() << "not refused: " << shell::utf8(target);
    } catch (const shell::ShellError& e) {
      EXPECT_EQ(e.file(), shell::utf8(target));
      EXPECT_NE(e.problem().find(why), std::string::npos) << e.what();
    }
  };
  refused(test / "results.csv", "не записываются в папку теста");
  refused(test / "0" / "results.csv", "не записываются в папку теста");
  refused(store, "файл базы результатов");
  refused(tmp.path() / "results.sqlite-wal", "файл базы результатов");
  EXPECT_EQ(support::readBytes(store), "the store");
  EXPECT_FALSE(fs::exists(test / "results.csv"));
  // A folder that is not there: the spreadsheet's own writer says so, nothing is left.
  try {
    saveResults(disk, tmp.path() / "нет" / "r.xlsx", Format::Xlsx, l, results, store);
    ADD_FAILURE() << "written where no folder is";
  } catch (const shell::ShellError& e) {
    EXPECT_EQ(e.file(), shell::utf8(tmp.path() / "нет" / "r.xlsx"));
    EXPECT_NE(e.problem().find("не удалось создать файл"), std::string::npos) << e.what();
  }
#ifdef _WIN32
  // A file open in another program that shares no deletion, as Excel holds a workbook.
  const fs::path open = folder / shell::fromUtf8("Урок 9А 😀.xlsx");
  HANDLE held = ::CreateFileW(open.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  refused(open, "занят другой программой; закройте его");
  ::CloseHandle(held);
  EXPECT_EQ(support::readBytes(open), xlsx);
#endif

  // Every disk operation failed in turn: the target is the old file or, once renamed, the new
  // one, and no temporary stays.
  for (const Format format : {Format::Csv, Format::Xlsx}) {
    const fs::path target = folder / shell::fromUtf8("сбой");
    for (int at = 1;; ++at) {
      support::writeBytes(target, "older");
      support::FailingDisk failing(at);
      failing.onlyChanges = true;
      try {
        saveResults(failing, target, format, l, results, store);
        EXPECT_NE(support::readBytes(target), "older");
        break;
      } catch (const shell::ShellError& e) {
        EXPECT_EQ(e.file(), shell::utf8(target));
        const bool renamed = failing.log().back().name == "syncFolder";
        EXPECT_EQ(support::readBytes(target) == "older", !renamed) << e.what();
        EXPECT_NE(e.problem().find(renamed ? "файл записан, но" : "Файл не изменён"), std::string::npos) << e.what();
      }
      EXPECT_FALSE(fs::exists(folder / shell::fromUtf8(".сбой.tmp"))) << "failed at " << at;
      ASSERT_LT(at, 10);
    }
  }
}

}  // namespace
}  // namespace results
