#pragma once

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "lesson/Lesson.h"
#include "lesson/SqliteStore.h"
#include "lifecycle/Editor.h"
#include "lifecycle/RecentTests.h"
#include "lifecycle/Seams.h"
#include "pictures/Image.h"
#include "window/Fields.h"
#include "window/Commands.h"
#include "window/Results.h"

namespace window {

// A control of the window, by its position in the design table (controls()).
using ControlId = std::size_t;

// The position of a control in the design table by its name; the name must be there.
ControlId controlId(std::string_view name);

// The controls that take the focus, in the order of their tab indices.
std::span<const ControlId> tabOrder();

// The rule of a text field (by where its line goes), or CodePage for any other control.
FieldRule fieldRule(ControlId control);

struct Rgb {
  int red, green, blue;
  bool operator==(const Rgb&) const = default;
};

// What a toolkit does for the driver: primitives on its own controls, which it finds by their
// position in the design table. A view knows nothing of the editor, and a primitive that changes
// a control raises nothing the driver takes for the user's doing (the driver ignores every event
// while it is in one).
class View {
 public:
  virtual ~View() = default;
  // The text the user sees in a text field, and a new one for a field or a label.
  virtual std::u16string text(ControlId field) const = 0;
  virtual void setText(ControlId control, const std::u16string& text) = 0;
  // A list's rows, none of them selected, and the row selected (-1: none).
  virtual void setRows(ControlId list, const std::vector<std::u16string>& rows) = 0;
  virtual void select(ControlId list, int row) = 0;
  virtual bool enabled(ControlId control) const = 0;
  virtual void setEnabled(ControlId control, bool enabled) = 0;
  virtual void setChecked(ControlId option, bool checked) = 0;
  virtual void setTextColour(ControlId field, Rgb colour) = 0;
  // The picture these bytes hold, or none for empty bytes or bytes that are no picture.
  virtual void setPicture(ControlId image, const std::string& bytes) = 0;
  // The focus, as the Tab key gives it (a text field's text selected).
  virtual void focus(ControlId control) = 0;
  // The box of an error that ends the editor (UTF-8), titled as the window.
  virtual void showError(const std::string& message) = 0;
  // The system's file dialog: the file chosen, or nothing when the teacher cancelled.
  virtual std::optional<std::filesystem::path> chooseFile(const FileDialog& dialog) = 0;
  // The import's dialog, until the teacher presses one of its buttons or closes it (Отмена).
  virtual ImportAnswer importDialog(const ImportDialog& dialog) = 0;
  // The history's dialog: the row whose point the teacher chose to bring the test back to, or
  // nothing when the dialog was closed.
  virtual std::optional<std::size_t> historyDialog(const HistoryDialog& dialog) = 0;
  // The window goes and the program is to end with this status.
  virtual void quit(int status) = 0;
  // The system's dialog that chooses a folder: the folder chosen, or nothing when cancelled.
  virtual std::optional<std::filesystem::path> chooseFolder(const FolderDialog& dialog) = 0;
  // A list in a dialog, until the teacher chooses a row (its index) or closes it (nothing).
  virtual std::optional<std::size_t> listDialog(const ListDialog& dialog) = 0;
  // A menu item's caption ("&" before the letter that chooses it, "&&" for an "&" itself); an
  // empty caption hides the item, "-" shows a separator line.
  virtual void setItem(ControlId item, const std::u16string& caption) = 0;
  // The lesson's window (LessonTable in window/Commands.h), not modal: opened with this table, or
  // the one open shown with it. Its button «Закончить урок» and its frame's close go to
  // Driver::endLesson.
  virtual void showLesson(const LessonTable& table) = 0;
  // The lesson's window in front of the others, with the focus.
  virtual void raiseLesson() = 0;
  // The lesson's window goes, without a question.
  virtual void closeLesson() = 0;
  // Called on the lesson's own thread, the one primitive that is: posts one event to the
  // window's loop, which calls Driver::lessonNews on the window's own thread.
  virtual void postLessonNews() = 0;
  // The results window (ResultsView in window/Results.h), not modal: opened with this view, or
  // the one open shown with it. Its switch, its list of lessons, its buttons, a question of its
  // statistics chosen (a double-click or Enter) and its frame's close go to the driver's
  // results… calls.
  virtual void showResults(const ResultsView& view) = 0;
  // The results window in front of the others, with the focus.
  virtual void raiseResults() = 0;
  // The image the system's clipboard holds now, decoded into pixels; nothing when it holds none
  // (a view with no clipboard never has one).
  virtual std::optional<pictures::Image> clipboardImage() { return std::nullopt; }
};

// What a lesson needs of the program: the disk the test is read through (none: no lesson is
// given), where its results are kept (asked when a lesson starts, which it may refuse with a
// shell::ShellError; by default lesson::SqliteStore::defaultFile()), and its server's options.
struct LessonSetup {
  shell::Disk* disk = nullptr;
  std::function<std::filesystem::path()> storeFile;
  lesson::LessonOptions options;
};

// What a program gives its window's driver beyond the editor: how an editor is made for another
// test's folder (to open it in the same window), the list of the tests opened last (none: nothing
// is remembered), the teacher's documents folder, where the printable page is offered, and what a
// lesson needs.
struct Program {
  std::function<std::unique_ptr<lifecycle::Editor>(const std::filesystem::path& folder)> makeEditor;
  lifecycle::RecentTests* recent = nullptr;
  std::filesystem::path documents;
  LessonSetup lesson;
  // Where pages written only to be printed go (the printed results); by default the system's
  // temporary folder's "test-editor".
  std::filesystem::path temporary = {};
};

// Everything of the window that is not a toolkit's: for every event of the user it copies the
// fields' texts into the editor's Form, runs the handler bound to the control, and shows the
// Form again, control by control, through the view. An error that a handler throws ends the
// editor at once: its box is shown and the window goes with status 1, without the shutdown of
// Form_Unload. Events that arrive while one is handled (raised by the view's own changes, or by
// a modal box) are ignored.
class Driver {
 public:
  Driver(View& view, lifecycle::Dialogs& dialogs);
  ~Driver();  // a lesson still running stops; the view is not called any more
  Driver(const Driver&) = delete;
  Driver& operator=(const Driver&) = delete;

  // Connects the editor and shows its Form.
  void attach(lifecycle::Editor& editor);
  // What opening another test, remembering the tests opened and printing need; without it the
  // window edits its one test.
  void setProgram(Program program);
  // Runs start-up and focuses the first control that takes the focus; false when it failed,
  // the error having been reported.
  bool load();

  // The user's events: a button, an option button or a menu item clicked, a list's row chosen (by
  // a click or an arrow key; -1 for none), and the window asked to close. closing() tells whether
  // the window may go: the answer Отмена to the question about an unsaved question keeps it.
  void clicked(ControlId control);
  void chosen(ControlId list, int row);
  bool closing();

  // The control the Tab key moves the focus to from `from` (forward, or back with Shift): the
  // next in the tab order that is enabled.
  ControlId nextFocus(ControlId from, bool back) const;

  // The editor the window shows now: the one attached, or one the driver made for another test.
  const lifecycle::Editor* editor() const { return editor_; }

  // The lesson. A result kept (or refused by the store) is news the lesson's thread posts through
  // the view, once until the window has taken it: lessonNews, on the window's thread, shows the
  // table again. endLesson is the teacher's «Закончить урок» or the lesson's window closed:
  // asked first, false when the teacher goes on with the lesson. stopLesson ends it without a
  // question and closes its window. While a lesson runs, the editor's exit and another test
  // opened ask first and end it.
  void lessonNews();
  bool endLesson();
  void stopLesson();
  // The lesson running now (none when none runs), and the file its results are kept in.
  const lesson::Lesson* lesson() const { return lesson_.get(); }
  const std::filesystem::path& lessonStore() const { return storeFile_; }

  // The results window's events: the lessons of this test or of every test, a lesson chosen in
  // its list (-1 for none), a button, a row of the statistics chosen, and the window closed.
  void resultsScope(bool allTests);
  void resultsChosen(int row);
  void resultsAction(ResultsAction action);
  void resultsQuestion(int row);
  void resultsClosed();
  // Whether the results window is open, and the file of the store it reads.
  bool resultsOpen() const { return results_ != nullptr; }

  bool ended() const { return ended_; }
  int exitCode() const { return exitCode_; }

 private:
  struct Field {
    ControlId control;
    std::string& (*slot)(lifecycle::Form&);
    FieldText text;
  };
  // What the view was last given for a control, so that only what changes is set again. The
  // user changes a list's selection and an option's mark; those are asked again after his event.
  struct Shown {
    std::optional<std::vector<std::u16string>> rows;
    std::optional<int> selected;
    std::optional<std::u16string> caption;
    std::optional<bool> enabled, checked;
    std::optional<Rgb> colour;
    std::optional<std::string> picture;
  };

  template <typename Call>
  void handle(Call call);
  // A dialog of a command, shown while the driver takes no other event.
  template <typename Show>
  auto modal(Show show);
  void run(Command command, ControlId control);
  void importQuestions();
  void exportQuestions();
  // The test as a whole: opened in place of the one shown, printed, checked.
  void openTest(std::optional<std::filesystem::path> folder);
  bool closeTest();
  bool startTest(const std::filesystem::path& folder, const std::filesystem::path* back);
  void shown();
  void showRecent();
  void printTest();
  void checkTest();
  void history();
  // The lesson: started on the test shown, its table read and shown, its address written into
  // the test, the question before it ends (true: it may end), the item offered while it runs.
  void startLesson();
  void newsArrived();
  void showLesson();
  void writeLessonAddress();
  bool lessonMayEnd(std::string_view then);
  void showLessonItems();
  // The results: the window opened on the program's store, the list read again, the chosen
  // lesson read, the view shown, a chosen lesson saved in a format to a file.
  void openResults();
  void readLessons(std::optional<std::int64_t> keep);
  void readChosen(std::int64_t id);
  void showResults();
  void saveResults(ResultsAction action);
  void deleteLesson();
  // A question chosen in the lists as a click chooses it (stage and question from 1).
  void showQuestion(int stage, int question);
  // A new picture for the question shown: from a file the teacher chose or the clipboard's image,
  // offered in the place of a picture no question shows when every name is taken; and the
  // picture shown made anew from a file.
  void addPicture();
  void pastePicture();
  void placePicture(const std::filesystem::path* file, const pictures::Image* image);
  void replacePicture();
  std::filesystem::path pictureFolder() const;
  void collect();
  void redraw();
  void end(int status);

  View& view_;
  lifecycle::Dialogs& dialogs_;
  lifecycle::Editor* editor_ = nullptr;
  Program program_;
  std::unique_ptr<lifecycle::Editor> owned_;   // an editor the driver made for another test
  std::vector<std::filesystem::path> offered_;  // the tests the recent items offer, in order
  std::vector<Field> fields_;
  std::vector<Shown> shown_;  // by control
  int changesShown_ = 0;      // the editor's changesMade() at the last redraw
  bool busy_ = false;
  bool ended_ = false;
  int exitCode_ = 0;
  // The store first: the lesson writes into it until it stops.
  std::unique_ptr<lesson::SqliteStore> store_;
  std::unique_ptr<lesson::Lesson> lesson_;
  std::filesystem::path storeFile_;
  LessonTable shownLesson_;
  std::filesystem::path pictureFolder_;  // where the last image file was chosen
  std::atomic<bool> news_{false};  // posted and not yet taken; set on the lesson's thread
  std::unique_ptr<ResultsState> results_;  // while the results window is open
};

}  // namespace window
