#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "workbench/QuestionText.h"

namespace window {

// The dialogs of the menu's commands as plain data, which each toolkit draws (View in
// window/Driver.h) and answers with the teacher's choice, deciding nothing itself.

// The commands whose dialogs the driver shows around the editor's handlers: the help box, the
// import of questions from a text file (the file, then the import's dialog, then the import),
// and the test's questions written out as text (the file, then the writing).
// The test as a whole: another test opened in the window (by the folder dialog, or one of the
// tests opened last), the test printed with its key, and the test checked for slips.
// The lesson: the test served to the class and the lesson's window (or that window brought to
// the front while the lesson runs), and the lesson's address for the results written into the
// test. The results of the lessons kept, in a window of their own.
// A new picture for the question shown: from an image file (the file dialog), from the
// clipboard's image, or in the place of the picture shown (the file dialog, then the editor's
// question). With all nine names taken, the pictures no question shows are offered in a list.
enum class Command {
  About,
  ImportQuestions,
  ExportQuestions,
  OpenTest,
  OpenRecent,
  PrintTest,
  CheckTest,
  History,
  Lesson,
  LessonAddress,
  Results,
  AddPicture,
  PastePicture,
  ReplacePicture
};

// The system's dialog that chooses a file: one to read, which must exist, or one to write, where
// the system asks before an existing file is replaced.
struct FileDialog {
  bool save = false;
  std::string title;  // UTF-8, as every text here
  // A kind's name and its patterns, separated by spaces ("*.png *.jpg").
  std::vector<std::pair<std::string, std::string>> filters;
  std::filesystem::path folder;                             // where the dialog opens
  std::string name;       // the file name offered for writing
  std::string extension;  // added to a name typed without one ("txt")
};

// What an import from a start will do, in words, and whether it may be done.
struct ImportPreview {
  std::string summary;
  bool importable = false;
};

// The import's dialog: the file read, the first question the file's questions go to (a stage of
// 1..stages and a question of 1..10 in it), what the import does from there, which it asks of
// `preview` whenever the teacher chooses another start, and the buttons Импортировать (while the
// preview allows it), Прочитать заново and Отмена.
struct ImportDialog {
  std::string file;
  int stages = 1;
  workbench::Position start{1, 1};
  std::function<ImportPreview(workbench::Position)> preview;
};

struct ImportAnswer {
  enum Choice { Import, ReadAgain, Cancel } choice = Cancel;
  workbench::Position start{1, 1};  // as the teacher left it
};

// The system's dialog that chooses a folder, opening at `folder`.
struct FolderDialog {
  std::string title;
  std::filesystem::path folder;
};

// A list in a dialog: a line over it, the names of its columns and its rows, each row a cell a
// column (UTF-8). The teacher chooses a row by a double-click, by Enter or by the button
// `choose`, which closes the dialog; closing it otherwise chooses none.
struct ListDialog {
  std::string title, heading;
  std::vector<std::string> columns;
  std::vector<std::vector<std::string>> rows;
  std::string choose;
};
// The history's dialog: the points of the test's history, newest first, each with when and what
// (UTF-8), whether it was taken back and whether the test is there now; the teacher chooses one
// and the button Вернуть тест к этому месту (not offered for the point the test is at), or closes
// the dialog.
struct HistoryRow {
  std::string time, what;
  bool undone = false, current = false;
};
struct HistoryDialog {
  std::vector<HistoryRow> rows;
};
// A moment of the history as the teacher reads it, in local time ("05.03.2025 14:07").
std::string historyTime(std::int64_t secondsSince1970);

// The lesson's window, not modal: where the pupils open the test (the addresses, large, under a
// line that says what they are), how many have finished, and the table of their results, the
// newest first, a row the teacher should look at marked (its cells say why). `problem` is a
// result that could not be kept, or the table that could not be read; empty when all is well.
// Its button «Закончить урок» and its frame's close ask the driver to end the lesson.
struct LessonRow {
  std::vector<std::string> cells;
  bool marked = false;
  bool operator==(const LessonRow&) const = default;
};
struct LessonTable {
  std::string title, heading;
  std::vector<std::string> addresses;
  std::string finished;
  std::vector<std::string> columns;
  std::vector<LessonRow> rows;
  std::string problem;
  bool operator==(const LessonTable&) const = default;
};
// The background of a marked row.
inline constexpr int kMarkedRowRgb[3] = {255, 214, 204};

// How many pupils have finished, as a sentence's subject and verb ("3 ученика закончили тест").
std::string pupilsFinished(std::size_t count);

// The dialogs' own texts, the same in every window.
namespace dialog {
inline constexpr std::string_view kImportTitle = "Импорт вопросов из текста";
inline constexpr std::string_view kExportTitle = "Сохранить вопросы в текст";
inline constexpr std::string_view kFile = "Файл:";
inline constexpr std::string_view kStartStage = "Загрузить, начиная с этапа";
inline constexpr std::string_view kStartQuestion = "вопроса";
inline constexpr std::string_view kImport = "&Импортировать";
inline constexpr std::string_view kReadAgain = "&Прочитать заново";
inline constexpr std::string_view kCancel = "Отмена";
inline constexpr std::string_view kClose = "Закрыть";
inline constexpr std::string_view kOpenTitle = "Открыть тест: выберите папку теста (с файлами index.html и 1.js)";
inline constexpr std::string_view kPrintTitle = "Печать вопросов и ключа";
inline constexpr std::string_view kCheckTitle = "Проверка теста";
inline constexpr std::string_view kShowQuestion = "&Показать вопрос";
inline constexpr std::string_view kNoFindings = "Ошибок не найдено";
inline constexpr std::string_view kHistoryTitle = "История изменений";
inline constexpr std::string_view kHistoryTime = "Когда";
inline constexpr std::string_view kHistoryWhat = "Изменение";
inline constexpr std::string_view kHistoryNow = "← тест сейчас здесь";
inline constexpr std::string_view kHistoryUndone = "(отменено)";
inline constexpr std::string_view kHistoryStart = "начало истории: тест до этих изменений";
inline constexpr std::string_view kHistoryReturn = "&Вернуть тест к этому месту";
inline constexpr std::string_view kLessonTitle = "Урок";
inline constexpr std::string_view kLessonEnd = "&Закончить урок";
inline constexpr std::string_view kLessonAddresses = "Ученики открывают в браузере этот адрес:";
inline constexpr std::string_view kLessonAddressesMany = "Ученики открывают в браузере один из этих адресов:";
inline constexpr std::string_view kLessonNoNetwork =
    "Сеть не найдена: тест открывается только на этом компьютере, по адресу:";
inline constexpr std::string_view kLessonFinished = "Закончили тест: ";
inline constexpr std::string_view kLessonNotKept = "Результат ученика не сохранён: ";
inline constexpr std::string_view kLessonEndQuestion =
    "Закончить урок? Ученики, которые ещё не закончили тест, не смогут отправить результат.";
inline constexpr std::string_view kLessonRunning = "Идёт урок: ";
inline constexpr std::string_view kLessonThenExit = ". Закончить урок и выйти из редактора?";
inline constexpr std::string_view kLessonThenOpen = ". Закончить урок и открыть другой тест?";
inline constexpr std::string_view kPictureTitle = "Рисунок для вопроса";
inline constexpr std::string_view kReplaceTitle = "Заменить рисунок";
inline constexpr std::string_view kReplaceChoose = "&Заменить";
inline constexpr std::string_view kClipboardName = "рисунок из буфера обмена";
inline constexpr std::string_view kNoClipboardImage =
    "В буфере обмена нет рисунка. Скопируйте рисунок (например, снимок экрана или рисунок из "
    "другой программы) и вставьте его снова.";
}  // namespace dialog

// The dialog that chooses a file of questions to import, opening in `folder`.
FileDialog importFileDialog(const std::filesystem::path& folder);
// The dialog that names the file the test is written to, opening in `folder` with the course
// name (its line's bytes) as the file's name.
FileDialog exportFileDialog(const std::filesystem::path& folder, const std::string& course);

// The dialog that names the printable page, opening in `folder` with the course name as the
// file's name.
FileDialog printFileDialog(const std::filesystem::path& folder, const std::string& course);

// The dialog that chooses an image file for a picture, opening in `folder`; `title` says what
// for (a new picture, or the one that replaces a picture).
FileDialog pictureFileDialog(const std::filesystem::path& folder, std::string title);

// The list that offers the pictures no question shows (their digits) when all nine names are
// taken: the one chosen is replaced by the new picture.
ListDialog replaceListDialog(const std::vector<int>& unused);

// A file name made of a course name: the characters no file name may hold left out, the spaces
// and dots at its ends too, at most 100 characters; "Вопросы теста" when nothing is left.
std::string fileNameOf(const std::string& course);

}  // namespace window
