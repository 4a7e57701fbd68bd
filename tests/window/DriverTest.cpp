// The driver on a view that only records what it is told, over a real editor on a fixture shell:
// what each event runs, what comes back to the controls, how a run ends.

#include <gtest/gtest.h>

#include <atomic>
#include <utility>
#include <ctime>
#include <deque>
#include <map>

#include "lifecycle/RecentTests.h"
#include "shell/Layout.h"
#include "shell/Russian.h"
#include "support/Fixtures.h"
#include "support/Pictures.h"
#include "support/Pupil.h"
#include "window/About.h"
#include "window/Fields.h"
#include "window/Commands.h"
#include "window/Bindings.h"
#include "window/Driver.h"
#include "window/Layout.h"
#include "workbench/PrintPage.h"

namespace {

namespace fs = std::filesystem;
using window::ControlId;
using window::controlId;

// The controls as a toolkit would hold them. A list changed by the driver raises its change, as a
// toolkit's list does; the driver is to take that for no choice of the user.
struct FakeView final : window::View {
  struct Control {
    std::u16string text;
    std::vector<std::u16string> rows;
    int selected = -1;
    bool enabled = true, checked = false;
    window::Rgb colour{0, 0, 0};
    std::string picture;
  };
  std::map<ControlId, Control> c;
  window::Driver* driver = nullptr;
  ControlId focused = 0;
  std::vector<std::string> errors;
  int quitWith = -1;
  int raised = 0;

  FakeView() {
    const auto designs = window::controls();
    for (ControlId i = 0; i < designs.size(); ++i) {
      c[i].enabled = designs[i].initial != window::Initial::Disabled;
    }
  }
  Control& operator[](std::string_view name) { return c[controlId(name)]; }

  std::u16string text(ControlId field) const override { return c.at(field).text; }
  void setText(ControlId control, const std::u16string& text) override { c[control].text = text; }
  // Given rows, a list makes its first row current, as Qt's does when it has the focus.
  void setRows(ControlId list, const std::vector<std::u16string>& rows) override {
    c[list].rows = rows;
    select(list, rows.empty() ? -1 : 0);
  }
  void select(ControlId list, int row) override {
    c[list].selected = row;
    ++raised;
    driver->chosen(list, row);
  }
  bool enabled(ControlId control) const override { return c.at(control).enabled; }
  void setEnabled(ControlId control, bool enabled) override { c[control].enabled = enabled; }
  void setChecked(ControlId option, bool checked) override { c[option].checked = checked; }
  void setTextColour(ControlId field, window::Rgb colour) override { c[field].colour = colour; }
  void setPicture(ControlId image, const std::string& bytes) override { c[image].picture = bytes; }
  void focus(ControlId control) override { focused = control; }
  void showError(const std::string& message) override { errors.push_back(message); }
  void quit(int status) override { quitWith = status; }

  // The file dialogs answered in turn (none: cancelled), each recorded.
  std::deque<std::optional<fs::path>> files;
  std::vector<window::FileDialog> fileDialogs;
  std::function<void()> whileFileDialog;  // what the teacher does elsewhere while it is up
  std::optional<fs::path> chooseFile(const window::FileDialog& dialog) override {
    fileDialogs.push_back(dialog);
    if (whileFileDialog) std::exchange(whileFileDialog, nullptr)();
    if (files.empty()) return std::nullopt;
    auto file = files.front();
    files.pop_front();
    return file;
  }
  // The import's dialogs answered in turn by a teacher who looks at them; Отмена when none.
  std::deque<std::function<window::ImportAnswer(const window::ImportDialog&)>> imports;
  int importDialogs = 0;
  window::ImportAnswer importDialog(const window::ImportDialog& dialog) override {
    ++importDialogs;
    if (imports.empty()) return {};
    auto answer = imports.front();
    imports.pop_front();
    return answer(dialog);
  }
  // The folder dialogs answered in turn (none: cancelled), the list dialogs by a teacher who
  // reads them (closed when none); a menu item's caption as its text ("" hidden).
  std::deque<std::optional<fs::path>> folders;
  std::vector<window::FolderDialog> folderDialogs;
  std::optional<fs::path> chooseFolder(const window::FolderDialog& dialog) override {
    folderDialogs.push_back(dialog);
    if (folders.empty()) return std::nullopt;
    auto folder = folders.front();
    folders.pop_front();
    return folder;
  }
  std::deque<std::function<std::optional<std::size_t>(const window::ListDialog&)>> lists;
  std::vector<window::ListDialog> listDialogs;
  std::optional<std::size_t> listDialog(const window::ListDialog& dialog) override {
    listDialogs.push_back(dialog);
    if (lists.empty()) return std::nullopt;
    auto answer = lists.front();
    lists.pop_front();
    return answer(dialog);
  }
  void setItem(ControlId item, const std::u16string& caption) override { c[item].text = caption; }
  // The history's dialogs: each recorded, answered with the row queued (none: closed).
  std::vector<window::HistoryDialog> histories;
  std::deque<std::optional<std::size_t>> returns;
  std::optional<std::size_t> historyDialog(const window::HistoryDialog& dialog) override {
    histories.push_back(dialog);
    if (returns.empty()) return std::nullopt;
    auto row = returns.front();
    returns.pop_front();
    return row;
  }
  // The lesson's window: the table it shows (none while it is closed), how often it was brought
  // to the front; the news posted from the lesson's thread, which run when the test says, as the
  // window's loop would run them.
  std::optional<window::LessonTable> lesson;
  int lessonRaised = 0;
  std::atomic<int> posted{0};
  void showLesson(const window::LessonTable& table) override { lesson = table; }
  void raiseLesson() override { ++lessonRaised; }
  void closeLesson() override { lesson.reset(); }
  void postLessonNews() override { ++posted; }
  // The results window: what it shows (none while it is closed), how often it was brought to the
  // front.
  std::optional<window::ResultsView> results;
  int resultsRaised = 0;
  void showResults(const window::ResultsView& view) override { results = view; }
  void raiseResults() override { ++resultsRaised; }
  // The clipboard's image, as the system would hand it over.
  std::optional<pictures::Image> clipboard;
  std::optional<pictures::Image> clipboardImage() override { return clipboard; }
  int runPosted() {
    const int n = posted.exchange(0);
    for (int i = 0; i < n; ++i) driver->lessonNews();
    return n;
  }
};

struct Session {
  explicit Session(const std::function<void(const fs::path&)>& change = {}) : h(started(dir.path(), change)) {
    view.driver = &driver;
    driver.attach(h->editor);
  }
  static std::unique_ptr<support::Harness> started(const fs::path& root,
                                                   const std::function<void(const fs::path&)>& change) {
    support::buildShell(root);
    if (change) change(root);
    return std::make_unique<support::Harness>(root);
  }
  void click(std::string_view name) { driver.clicked(controlId(name)); }
  void choose(std::string_view list, int row) {
    view[list].selected = row;
    driver.chosen(controlId(list), row);
  }
  support::TempDir dir;
  std::unique_ptr<support::Harness> h;
  FakeView view;
  window::Driver driver{view, h->dialogs};
};

TEST(Driver, LoadShowsTheFormAndTheFocusFollowsTheTabOrder) {
  Session r;
  ASSERT_TRUE(r.driver.load());
  EXPECT_EQ(r.view["Text2"].text, window::fromCodePage(support::titleLines(6)[4]));
  EXPECT_EQ(r.view["List1"].rows, (std::vector<std::u16string>{u"1", u"2", u"3", u"4", u"5", u"6"}));
  EXPECT_FALSE(r.view["cmdNewN"].enabled);
  EXPECT_TRUE(r.view["optIm(0)"].checked);
  EXPECT_FALSE(r.view["optIm(1)"].checked);
  // The lists the driver filled raised their changes, and none of them chose a stage.
  EXPECT_GT(r.view.raised, 0);
  EXPECT_EQ(r.h->state().CurStage, 0);
  EXPECT_EQ(r.view.focused, window::tabOrder().front());

  // Tab skips a disabled control and wraps around; Shift+Tab goes back (to the button that adds
  // a picture, last in the order, offered once a question is shown).
  const auto order = window::tabOrder();
  EXPECT_FALSE(r.view["cmdAddPicture"].enabled);
  EXPECT_NE(r.driver.nextFocus(order.front(), true), order.back());
  r.choose("List1", 0);
  ASSERT_EQ(order.back(), controlId("cmdAddPicture"));
  r.view["cmdSave"].enabled = false;
  EXPECT_EQ(r.driver.nextFocus(controlId("cmdEnd"), false), controlId("Text1(0)"));
  EXPECT_EQ(r.driver.nextFocus(order.front(), true), order.back());
  EXPECT_EQ(r.driver.nextFocus(order.back(), false), order.front());
}

TEST(Driver, EventsRunTheirHandlersWithTheFieldsAndShowTheFormAgain) {
  Session r;
  ASSERT_TRUE(r.driver.load());
  r.choose("List1", 1);
  ASSERT_EQ(r.h->state().CurStage, 2);
  ASSERT_EQ(r.view["List2"].rows.size(), 10u);
  r.choose("List2", 2);
  ASSERT_EQ(r.h->state().CurQuestion, 3);
  EXPECT_EQ(r.view["Text1(1)"].text, window::fromCodePage(support::pageLines(2, 3)[7]));

  // The picture: "Да" makes the list available, a row shows its picture.
  r.click("optIm(1)");
  EXPECT_TRUE(r.view["File2"].enabled);
  EXPECT_TRUE(r.view["optIm(1)"].checked);
  EXPECT_FALSE(r.view["optIm(0)"].checked);
  r.choose("File2", 1);
  EXPECT_EQ(r.view["Image1"].picture, support::readBytes(r.dir.path() / "pics" / "2.gif"));

  // A field's text goes in with the click that saves it, a symbol as its reference.
  r.view["Text1(1)"].text += u" √";
  r.click("cmdSave");
  EXPECT_EQ(support::crlfLines(r.dir.path() / "1" / "2.html")[7],
            support::pageLines(2, 3)[7] + " &#8730;");
  EXPECT_EQ(support::crlfLines(r.dir.path() / "1" / "2.html")[3], "2");

  // Help shows its box and runs nothing.
  const auto before = support::snapshot(r.dir.path());
  r.click("cmdAbout");
  ASSERT_EQ(r.h->dialogs.shown.size(), 1u);
  EXPECT_EQ(r.h->dialogs.shown[0].text, window::aboutText());
  EXPECT_EQ(support::snapshot(r.dir.path()), before);

  // A new stage's first question is drawn red.
  r.click("cmdNewL");
  r.choose("List1", 6);
  EXPECT_EQ(r.view["Text1(5)"].colour, (window::Rgb{255, 0, 0}));
  EXPECT_EQ(r.view["Text1(0)"].colour, (window::Rgb{255, 0, 0}));
  EXPECT_TRUE(r.view.errors.empty());
  EXPECT_FALSE(r.driver.ended());
}

TEST(Driver, AnErrorEndsTheRunAndClosingAsksAboutAChangedQuestion) {
  {
    Session r([](const fs::path& root) { fs::remove(root / "2" / "3.html"); });
    ASSERT_TRUE(r.driver.load());
    r.choose("List1", 2);
    r.choose("List2", 3);
    ASSERT_EQ(r.view.errors.size(), 1u);
    EXPECT_NE(r.view.errors[0].find("2/3.html"), std::string::npos) << r.view.errors[0];
    EXPECT_EQ(r.view.quitWith, 1);
    EXPECT_TRUE(r.driver.ended());
    EXPECT_EQ(r.driver.exitCode(), 1);
    // Nothing runs after the end; the window may go without a shutdown.
    r.click("cmdEnd");
    EXPECT_FALSE(r.h->editor.unloaded());
    EXPECT_TRUE(r.driver.closing());
  }
  Session r;
  ASSERT_TRUE(r.driver.load());
  r.choose("List1", 0);
  r.view["Text1(0)"].text += u"!";
  r.h->dialogs.choices = {lifecycle::Dialogs::Answer::Cancel, lifecycle::Dialogs::Answer::No};
  EXPECT_FALSE(r.driver.closing());
  EXPECT_EQ(r.view.quitWith, -1);
  EXPECT_EQ(r.view["Text1(0)"].text.back(), u'!');
  EXPECT_TRUE(r.driver.closing());
  EXPECT_EQ(r.view.quitWith, 0);
  EXPECT_EQ(r.driver.exitCode(), 0);
  // The question shown (question 10, which choosing the stage shows) kept its page.
  EXPECT_EQ(r.h->state().CurQuestion, 10);
  EXPECT_EQ(support::crlfLines(r.dir.path() / "0" / "9.html")[5], support::pageLines(1, 10)[5]);
}

// A question typed and not saved is asked about before another question or stage is shown, and
// before a new stage, a new question, the removal and the mixing: Отмена keeps the question and
// the lists' rows as they were, Нет drops the typing, Да saves it first. An unchanged question
// asks nothing.
TEST(Driver, TypedWorkIsAskedAboutBeforeAnythingElseIsShown) {
  using Answer = lifecycle::Dialogs::Answer;
  Session r;
  ASSERT_TRUE(r.driver.load());
  r.choose("List1", 1);
  r.choose("List2", 2);
  const auto before = support::snapshot(r.dir.path());
  r.view["Text1(0)"].text += u"!";
  const std::u16string typed = r.view["Text1(0)"].text;
  r.h->dialogs.choices = {Answer::Cancel, Answer::Cancel, Answer::Cancel, Answer::Cancel, Answer::Cancel};
  r.choose("List2", 5);
  r.choose("List1", 3);
  r.click("mnuTestMix");
  r.click("cmdDelLast");
  r.click("cmdNewL");
  ASSERT_EQ(r.h->dialogs.shown.size(), 5u);
  EXPECT_NE(r.h->dialogs.shown[0].text.find("Вопрос 3 этапа 2"), std::string::npos) << r.h->dialogs.shown[0].text;
  EXPECT_EQ(r.view["List2"].selected, 2);
  EXPECT_EQ(r.view["List1"].selected, 1);
  EXPECT_EQ(r.h->state().CurStage, 2);
  EXPECT_EQ(r.h->state().CurQuestion, 3);
  EXPECT_EQ(r.view["Text1(0)"].text, typed);
  EXPECT_EQ(support::snapshot(r.dir.path()), before);

  r.h->dialogs.choices = {Answer::No};
  r.choose("List2", 5);
  EXPECT_EQ(r.h->state().CurQuestion, 6);
  r.choose("List2", 2);
  EXPECT_NE(r.view["Text1(0)"].text, typed) << "the typing dropped";
  EXPECT_EQ(support::testFilesOf(support::snapshot(r.dir.path())), support::testFilesOf(before));
  EXPECT_EQ(r.h->dialogs.shown.size(), 6u) << "an unchanged question asks nothing";

  r.view["Text1(0)"].text = typed;
  r.h->dialogs.choices = {Answer::Yes};
  r.choose("List1", 4);
  EXPECT_EQ(r.h->state().CurStage, 5);
  EXPECT_EQ(window::fromCodePage(support::crlfLines(r.dir.path() / "1" / "2.html")[5]), typed);
  EXPECT_EQ(r.view["mnuEditUndo"].text, u"&Отменить: сохранение вопроса 3 этапа 2");
  EXPECT_EQ(r.h->dialogs.shown.size(), 7u);
}

// The menu Правка: the undo and the redo named by what they do, and the history's dialog, whose
// chosen row brings the test back to its point; closed, it changes nothing.
TEST(Driver, TheEditMenuUndoesRedoesAndReturnsToAPoint) {
  Session r;
  ASSERT_TRUE(r.driver.load());
  EXPECT_FALSE(r.view["mnuEditUndo"].enabled);
  const auto base = support::testFilesOf(support::snapshot(r.dir.path()));
  r.choose("List1", 1);
  r.choose("List2", 2);
  r.view["Text1(0)"].text = u"первый";
  r.click("cmdSave");
  r.view["Text1(0)"].text = u"второй";
  r.click("cmdSave");
  const auto saved = support::testFilesOf(support::snapshot(r.dir.path()));
  EXPECT_TRUE(r.view["mnuEditUndo"].enabled);
  r.click("mnuEditUndo");
  EXPECT_EQ(r.view["Text1(0)"].text, u"первый") << "the window shows the test as it now is";
  EXPECT_EQ(r.view["mnuEditRedo"].text, u"&Вернуть: сохранение вопроса 3 этапа 2");
  r.click("mnuEditRedo");
  EXPECT_EQ(support::testFilesOf(support::snapshot(r.dir.path())), saved);

  r.view.returns = {std::nullopt, 2};
  r.click("mnuEditHistory");
  EXPECT_EQ(support::testFilesOf(support::snapshot(r.dir.path())), saved);
  r.click("mnuEditHistory");
  ASSERT_EQ(r.view.histories.size(), 2u);
  const auto& rows = r.view.histories[1].rows;
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_TRUE(rows[0].current);
  EXPECT_EQ(rows[0].what, "сохранение вопроса 3 этапа 2");
  EXPECT_EQ(rows[2].what, std::string(window::dialog::kHistoryStart));
  EXPECT_EQ(support::testFilesOf(support::snapshot(r.dir.path())), base);
  EXPECT_EQ(r.view["Text1(0)"].text, window::fromCodePage(support::pageLines(2, 3)[5]));
  EXPECT_TRUE(r.view.errors.empty());
}

// A menu item runs what its button runs, offered as the button is; the import is not offered
// while a new stage is entered (nor runs by its key then); the guide and About.
TEST(Driver, MenuItemsDoWhatTheirButtonsDo) {
  Session r;
  ASSERT_TRUE(r.driver.load());
  r.click("mnuTestNewStage");
  ASSERT_TRUE(fs::is_directory(r.dir.path() / "6"));
  for (const auto& item : window::buttonItems()) EXPECT_EQ(r.view[item.item].enabled, r.view[item.button].enabled);
  EXPECT_FALSE(r.view["mnuTestMix"].enabled);
  EXPECT_FALSE(r.view["mnuFileImport"].enabled);
  r.click("mnuFileImport");
  r.click("mnuTestDelLast");  // not offered until a question of the new stage is saved
  EXPECT_TRUE(r.view.fileDialogs.empty() && r.h->dialogs.shown.empty());
  r.choose("List1", 6);
  r.click("cmdSave");
  r.click("mnuTestDelLast");  // asks, as the button does
  ASSERT_EQ(r.h->dialogs.shown.size(), 1u);
  EXPECT_FALSE(fs::exists(r.dir.path() / "6"));
  EXPECT_TRUE(r.view["mnuFileImport"].enabled);
  r.click("mnuHelpAbout");
  r.click("mnuHelpGuide");  // no guide beside this program: the teacher is told so
  ASSERT_EQ(r.h->dialogs.shown.size(), 3u);
  EXPECT_EQ(r.h->dialogs.shown[1].text, window::aboutText());
  EXPECT_NE(r.h->dialogs.shown[2].text.find("guide.html"), std::string::npos);
  r.click("mnuFileExit");
  EXPECT_EQ(r.view.quitWith, 0);
}

// The file; the dialog on what it holds, from the stage chosen in the list; the file read again
// once mended; the import from the start the teacher left; the window shows what it changed.
// Cancelled at the file or at the dialog, nothing is written.
TEST(Driver, ImportShowsWhatItWillDoReadsAgainAndImports) {
  Session r;
  ASSERT_TRUE(r.driver.load());
  r.choose("List1", 4);
  support::TempDir out;
  const fs::path text = out.path() / "q.txt";
  std::string mistaken = support::questionsText(20);
  support::writeBytes(text, mistaken.insert(mistaken.find("Ответ: Б"), "Д) лишний\r\n"));
  r.view.files = {text};
  r.view.imports.push_back([&](const window::ImportDialog& d) {
    EXPECT_EQ(d.stages, 7);
    EXPECT_EQ(d.start, (workbench::Position{5, 1}));
    EXPECT_FALSE(d.preview(d.start).importable);
    support::writeBytes(text, support::questionsText(20));
    return window::ImportAnswer{window::ImportAnswer::ReadAgain, {6, 1}};
  });
  r.view.imports.push_back([&](const window::ImportDialog& d) {
    EXPECT_EQ(d.start, (workbench::Position{6, 1}));
    EXPECT_TRUE(d.preview(d.start).importable);
    return window::ImportAnswer{window::ImportAnswer::Import, d.start};
  });
  r.click("mnuFileImport");
  ASSERT_EQ(r.view.importDialogs, 2);
  EXPECT_EQ(r.view["Label9"].text, u"7");
  EXPECT_EQ(r.view["List1"].rows.size(), 7u);
  EXPECT_EQ(window::fromCodePage(support::crlfLines(r.dir.path() / "6" / "9.html")[5]), u"Вопрос 20");

  const auto before = support::snapshot(r.dir.path());
  r.click("mnuFileImport");
  r.view.files = {text};
  r.click("mnuFileImport");
  EXPECT_EQ(r.view.importDialogs, 3);
  EXPECT_EQ(support::snapshot(r.dir.path()), before);
  // Written out, the course's name offered.
  r.view.files = {out.path() / "out.txt"};
  r.click("mnuFileExport");
  EXPECT_EQ(r.view.fileDialogs.back().name,
            window::toUtf8(window::fromCodePage(support::titleLines(6)[4], window::FieldRule::References)) + ".txt");
  EXPECT_EQ(support::readBytes(out.path() / "out.txt").substr(0, 3), "\xEF\xBB\xBF");
}


// The test as a whole. Each Session's editor is made by the harness; another test opened from the
// menu gets an editor of the same seams from the driver's Program.
// A lesson keeps its results in the settings' folder and listens on the loopback alone.
struct WholeSession : Session {
  explicit WholeSession(const std::function<void(const fs::path&)>& change = {}) : Session(change) {
    driver.setProgram(program());
  }
  window::Program program() {
    window::LessonSetup lesson{&h->ownDisk, [this] { return settings.path() / "results.sqlite"; }, {}};
    lesson.options.server.listen = {"127.0.0.1"};
    return {[this](const fs::path& folder) {
              return std::make_unique<lifecycle::Editor>(
                  lifecycle::Editor::Seams{h->ownDisk, h->dialogs, h->clock, h->random, nullptr, &h->browser}, folder);
            },
            &recent, documents.path(), lesson};
  }
  support::TempDir documents, settings;
  lifecycle::RecentTests recent{disk, settings.path() / "test-editor" / "recent-tests.txt"};
  shell::RealDisk disk;
};

// Printed: the file offered in the documents under the course's name, the page the workbench
// makes for the test on disk, then the browser on it. Never into the test's folder; a changed
// question is asked about before the test is read (Отмена: nothing happens).
TEST(Driver, ThePrintedPageIsWrittenOutsideTheTestAndOpenedInTheBrowser) {
  WholeSession r;
  ASSERT_TRUE(r.driver.load());
  const fs::path page = r.documents.path() / "тест.html";
  r.view.files = {page};
  r.click("mnuTestPrint");
  ASSERT_EQ(r.view.fileDialogs.size(), 1u);
  EXPECT_EQ(r.view.fileDialogs[0].folder, r.documents.path());
  EXPECT_TRUE(r.view.fileDialogs[0].save);
  EXPECT_TRUE(r.view.fileDialogs[0].name.ends_with(".html"));
  EXPECT_EQ(support::readBytes(page), workbench::printPage(r.h->editor.readTest()));
  EXPECT_EQ(r.h->browser.opened, std::vector<std::string>{shell::utf8(page)});

  const auto before = support::snapshot(r.dir.path());
  r.view.files = {r.dir.path() / "печать.html", r.dir.path() / "pics" / "печать.html"};
  r.click("mnuTestPrint");
  r.click("mnuTestPrint");
  ASSERT_EQ(r.h->dialogs.shown.size(), 2u);
  EXPECT_NE(r.h->dialogs.shown[1].text.find("не записывается в папку теста"), std::string::npos);
  EXPECT_EQ(support::snapshot(r.dir.path()), before);

  r.choose("List1", 0);
  r.view["Text1(0)"].text += u"!";
  r.h->dialogs.choices = {lifecycle::Dialogs::Answer::Cancel};
  r.click("mnuTestPrint");
  EXPECT_EQ(r.view.fileDialogs.size(), 3u);
  EXPECT_TRUE(r.h->dialogs.shown.back().yesNoCancel);
  EXPECT_EQ(r.h->browser.opened.size(), 1u);
}

// Checked: every slip in a list of stage, question and words; the row chosen shows its question;
// closed, nothing changes; a test without slips says so in a box.
TEST(Driver, TheCheckListsEverySlipAndTheRowChosenShowsItsQuestion) {
  {
    WholeSession r;
    ASSERT_TRUE(r.driver.load());
    r.click("mnuTestCheck");
    EXPECT_TRUE(r.view.listDialogs.empty());
    ASSERT_EQ(r.h->dialogs.shown.size(), 1u);
    EXPECT_EQ(r.h->dialogs.shown[0].text, "Ошибок не найдено");
  }
  WholeSession r([](const fs::path& root) {
    auto page = support::pageLines(2, 3);
    page[7] = "";
    support::writeBytes(root / "1" / "2.html", support::crlfJoin(page));
    auto key = support::answerKeyLines(6, "0");
    key[10 + 2 * 45] = "7";
    support::writeBytes(root / "1.js", support::crlfJoin(key));
  });
  ASSERT_TRUE(r.driver.load());
  const auto before = support::snapshot(r.dir.path());
  r.view.lists = {[](const window::ListDialog& d) {
                    EXPECT_EQ(d.columns.size(), 3u);
                    EXPECT_EQ(d.rows, (std::vector<std::vector<std::string>>{
                                          {"—", "—", "длительность теста должна быть положительным числом минут, а записано «0»"},
                                          {"2", "3", "пустой ответ 1"},
                                          {"2", "3", "правильный ответ 1 пустой"},
                                          {"5", "6", "номер правильного ответа «7» — не число от 1 до 4"}}));
                    return std::optional<std::size_t>{3};
                  },
                  [](const window::ListDialog&) { return std::optional<std::size_t>{0}; },
                  [](const window::ListDialog&) { return std::optional<std::size_t>{}; }};
  r.click("mnuTestCheck");
  EXPECT_EQ(r.h->state().CurStage, 5);
  EXPECT_EQ(r.h->state().CurQuestion, 6);
  EXPECT_EQ(r.view["List2"].selected, 5);
  EXPECT_EQ(r.view["Text1(5)"].text, u"7");
  r.click("mnuTestCheck");  // the settings: the dialog closes, the question stays
  r.click("mnuTestCheck");
  EXPECT_EQ(r.h->state().CurQuestion, 6);
  EXPECT_EQ(r.view.listDialogs.size(), 3u);
  EXPECT_EQ(support::snapshot(r.dir.path()), before);
}

// The browser: the start page, and the page of the question shown; a changed question is asked
// about first: Отмена opens nothing, Нет drops the typing and opens, Да saves, then opens.
TEST(Driver, TheBrowserShowsWhatIsOnDiskAfterTheQuestionAboutAChangedQuestion) {
  WholeSession r;
  ASSERT_TRUE(r.driver.load());
  r.click("mnuTestQuestionBrowser");
  ASSERT_EQ(r.h->dialogs.shown.size(), 1u);  // no question chosen yet
  r.click("mnuTestBrowser");
  EXPECT_EQ(r.h->browser.opened, std::vector<std::string>{shell::utf8(r.dir.path() / "index.html")});
  r.choose("List1", 1);
  r.choose("List2", 2);
  r.view["Text1(0)"].text = u"Новый текст";
  const auto before = support::snapshot(r.dir.path());
  using A = lifecycle::Dialogs::Answer;
  r.h->dialogs.choices = {A::Cancel, A::No, A::Yes};
  r.click("mnuTestQuestionBrowser");
  EXPECT_EQ(r.h->browser.opened.size(), 1u);
  r.click("mnuTestQuestionBrowser");
  EXPECT_EQ(support::snapshot(r.dir.path()), before);
  // Нет dropped the typing: the field shows the page again, and a new edit is asked about anew.
  EXPECT_EQ(r.view["Text1(0)"].text, u"Вопрос 2.3");
  r.view["Text1(0)"].text = u"Новый текст";
  r.click("mnuTestBrowser");
  EXPECT_EQ(r.h->browser.opened, (std::vector<std::string>{shell::utf8(r.dir.path() / "index.html"),
                                                             shell::utf8(r.dir.path() / "1" / "2.html"),
                                                             shell::utf8(r.dir.path() / "index.html")}));
  EXPECT_EQ(window::fromCodePage(support::crlfLines(r.dir.path() / "1" / "2.html")[5]), u"Новый текст");
  EXPECT_EQ(r.h->dialogs.shown.size(), 4u);
}

// Another test: the one shown closed as the exit closes it (Отмена keeps all as it was), the
// chosen folder started; a folder start-up refuses gets its message and the window the test it
// had; the tests opened last under the menu, without the one shown; when even the test it had
// cannot be opened again, the editor ends.
TEST(Driver, AnotherTestOpensAfterTheFirstIsClosedAsTheExitClosesIt) {
  WholeSession r;
  support::TempDir second;
  support::buildShell(second.path(), {.stageFolders = 3});
  ASSERT_TRUE(r.driver.load());
  for (const auto& item : window::recentItems()) EXPECT_EQ(r.view[item].text, u"");
  r.choose("List1", 0);
  r.view["Text1(1)"].text = u"Изменено";
  r.view["txtT"].text = u"35";
  using A = lifecycle::Dialogs::Answer;
  r.h->dialogs.choices = {A::Cancel, A::Yes};
  r.view.folders = {second.path(), second.path()};
  const auto first = support::snapshot(r.dir.path());
  r.click("mnuFileOpen");
  EXPECT_EQ(r.view.folderDialogs.at(0).folder, r.dir.path().parent_path());
  EXPECT_EQ(support::snapshot(r.dir.path()), first);
  EXPECT_EQ(r.view["Text1(1)"].text, u"Изменено");
  EXPECT_EQ(r.driver.editor()->state().ShellPath, r.dir.path());
  r.click("mnuFileOpen");
  // The first test saved its question and its settings, as at the exit.
  EXPECT_EQ(window::fromCodePage(support::crlfLines(r.dir.path() / "0" / "9.html")[7]), u"Изменено");
  EXPECT_EQ(support::crlfLines(r.dir.path() / "1.js")[4], "35");
  EXPECT_EQ(r.view["List1"].rows.size(), 3u);
  EXPECT_EQ(r.view["Text2"].text, window::fromCodePage(support::titleLines(3)[4]));
  EXPECT_EQ(r.view["mnuFileRecent1"].text, u"&1 " + *window::fromUtf8(shell::utf8(r.dir.path())));
  EXPECT_EQ(r.view["mnuFileOpenBar"].text, u"-");
  EXPECT_FALSE(r.driver.ended());
  // The second is edited.
  r.choose("List1", 2);
  r.choose("List2", 0);
  r.view["Text1(0)"].text = u"Второй тест";
  r.click("cmdSave");
  EXPECT_EQ(window::fromCodePage(support::crlfLines(second.path() / "2" / "0.html")[5]), u"Второй тест");

  // A folder without a test: start-up's message, and the second test again.
  support::TempDir empty;
  r.view.folders = {empty.path()};
  r.click("mnuFileOpen");
  ASSERT_NE(r.h->dialogs.shown.back().text.find("нет теста"), std::string::npos);
  EXPECT_NE(r.h->dialogs.shown.back().text.find(shell::utf8(second.path())), std::string::npos);
  EXPECT_EQ(r.driver.editor()->state().ShellPath, second.path());
  EXPECT_EQ(r.view["List1"].rows.size(), 3u);
  // The first, from the list of the tests opened last.
  r.click("mnuFileRecent1");
  EXPECT_EQ(r.driver.editor()->state().ShellPath, r.dir.path());
  EXPECT_EQ(r.view["mnuFileRecent1"].text, u"&1 " + *window::fromUtf8(shell::utf8(second.path())));
  EXPECT_EQ(r.view["mnuFileRecent2"].text, u"");

  // Refused, with no way back: the test it had is gone too.
  r.view.folders = {empty.path()};
  fs::remove_all(r.dir.path() / "pics");
  r.click("mnuFileOpen");
  EXPECT_TRUE(r.driver.ended());
  EXPECT_EQ(r.view.quitWith, 1);
  EXPECT_EQ(r.view.errors.size(), 1u);
}


// A lesson on the test shown (a changed question asked about first, Отмена starting nothing): its
// window with the address pupils open and the table, which a result posted over the network
// reaches through one notification of the window's loop however many results come before the
// window takes it; the menu item brings the window back; the lesson's address written into the
// test as one change that Ctrl+Z takes back, not while a new stage is entered; «Закончить урок»
// asked, and the lesson stopped.
TEST(Driver, ALessonShowsEachResultInItsWindowAndEndsWhenTheTeacherSays) {
  using A = lifecycle::Dialogs::Answer;
  WholeSession r;
  ASSERT_TRUE(r.driver.load());
  EXPECT_EQ(r.view["mnuTestLessonAddress"].text, u"") << "offered only while a lesson runs";
  r.choose("List1", 0);
  r.view["Text1(0)"].text += u"!";
  r.h->dialogs.choices = {A::Cancel, A::No};
  r.click("mnuTestLesson");
  EXPECT_EQ(r.driver.lesson(), nullptr);
  EXPECT_FALSE(r.view.lesson.has_value());
  r.click("mnuTestLesson");
  ASSERT_NE(r.driver.lesson(), nullptr);
  ASSERT_TRUE(r.view.lesson.has_value());
  EXPECT_EQ(r.h->dialogs.shown.size(), 2u);
  const unsigned short port = r.driver.lesson()->port();
  const lesson::Snapshot test = r.driver.lesson()->snapshot();  // a copy: it is used after the lesson ends
  EXPECT_EQ(r.driver.lessonStore(), r.settings.path() / "results.sqlite");
  EXPECT_EQ(r.view.lesson->title, "Урок: " + test.course);
  EXPECT_EQ(r.view.lesson->heading, window::dialog::kLessonNoNetwork) << "the loopback alone reaches no pupil";
  EXPECT_EQ(r.view.lesson->addresses, std::vector<std::string>{"http://127.0.0.1:" + std::to_string(port) + "/"});
  EXPECT_EQ(r.view.lesson->finished, "Закончили тест: 0");
  EXPECT_EQ(r.view.lesson->columns, lesson::tableCaptions());
  EXPECT_EQ(r.view["mnuTestLessonAddress"].text, u"Записать &адрес урока в тест");

  EXPECT_EQ(support::postResult(port, support::resultForm(test, "Иванов", "9А", 0)), 200);
  EXPECT_EQ(support::postResult(port, support::resultForm(test, "Петров", "9Б", 3, 60)), 200);
  EXPECT_EQ(r.view.posted, 1) << "one notification until the window takes it";
  EXPECT_TRUE(r.view.lesson->rows.empty()) << "the table is read on the window's thread only";
  EXPECT_EQ(r.view.runPosted(), 1);
  ASSERT_EQ(r.view.lesson->rows.size(), 2u);
  EXPECT_EQ(r.view.lesson->finished, "Закончили тест: 2");
  const window::LessonRow& forged = r.view.lesson->rows[0];
  EXPECT_EQ(std::vector<std::string>(forged.cells.begin(), forged.cells.begin() + 4),
            (std::vector<std::string>{"Петров", "9Б", "57 из 60", "95 %"}));
  EXPECT_TRUE(forged.marked) << "it claims 60 right answers";
  EXPECT_EQ(r.view.lesson->rows[1].cells[0], "Иванов");
  EXPECT_FALSE(r.view.lesson->rows[1].marked);
  EXPECT_EQ(support::postResult(port, support::resultForm(test, "Сидоров", "9А", 60)), 200);
  EXPECT_EQ(r.view.runPosted(), 1) << "news after the window took the last";
  EXPECT_EQ(r.view.lesson->rows.size(), 3u);
  r.click("mnuTestLesson");
  EXPECT_EQ(r.view.lessonRaised, 1);
  EXPECT_EQ(r.driver.lesson()->port(), port);

  const std::string address = "http://127.0.0.1:" + std::to_string(port) + "/results";
  const auto before = support::testFilesOf(support::snapshot(r.dir.path()));
  r.click("mnuTestLessonAddress");
  auto after = before;
  after["title.html"] = support::crlfJoin([&] {
    auto lines = support::titleLines(6);
    lines[shell::title::kHandler] = address;
    return lines;
  }());
  after["index.html"] = support::crlfJoin([&] {
    auto lines = support::indexLines();
    lines[shell::index::kHandler] = address;
    return lines;
  }());
  EXPECT_EQ(support::testFilesOf(support::snapshot(r.dir.path())), after) << "title.html and index.html alone";
  EXPECT_EQ(r.view["txtAddr"].text, *window::fromUtf8(address));
  EXPECT_EQ(r.view["mnuEditUndo"].text, u"&Отменить: адрес обработчика результатов");
  r.click("mnuTestLessonAddress");
  EXPECT_NE(r.h->dialogs.shown.back().text.find("уже записан"), std::string::npos);
  r.click("mnuEditUndo");
  EXPECT_EQ(support::testFilesOf(support::snapshot(r.dir.path())), before);
  EXPECT_EQ(r.view["txtAddr"].text, window::fromCodePage(support::titleLines(6)[shell::title::kHandler]));
  r.click("cmdNewL");
  EXPECT_FALSE(r.view["mnuTestLessonAddress"].enabled);
  r.click("mnuTestLessonAddress");
  EXPECT_EQ(r.view["txtAddr"].text, window::fromCodePage(support::titleLines(6)[shell::title::kHandler]));

  r.h->dialogs.answers = {false, true};
  const std::size_t boxes = r.h->dialogs.shown.size();
  EXPECT_FALSE(r.driver.endLesson());
  ASSERT_NE(r.driver.lesson(), nullptr);
  EXPECT_TRUE(r.driver.endLesson());
  ASSERT_EQ(r.h->dialogs.shown.size(), boxes + 2);
  EXPECT_EQ(r.h->dialogs.shown.back().text, window::dialog::kLessonEndQuestion);
  EXPECT_EQ(r.driver.lesson(), nullptr);
  EXPECT_FALSE(r.view.lesson.has_value());
  EXPECT_EQ(r.view["mnuTestLessonAddress"].text, u"");
  EXPECT_EQ(support::postResult(port, support::resultForm(test, "Поздний", "9А", 0)), 0) << "nobody listens";
  EXPECT_TRUE(r.view.errors.empty());
  EXPECT_FALSE(r.driver.ended());
}

// While a lesson runs, the exit (its button, its menu item, the window's frame) and another test
// ask first, with how many have finished: Отмена keeps the lesson and the test; ОК ends the lesson
// and goes on as before.
TEST(Driver, TheExitAndAnotherTestAskAboutTheLessonAndEndIt) {
  WholeSession r;
  support::TempDir second;
  support::buildShell(second.path(), {.stageFolders = 3});
  ASSERT_TRUE(r.driver.load());
  r.click("mnuTestLesson");
  ASSERT_NE(r.driver.lesson(), nullptr);
  EXPECT_EQ(support::postResult(r.driver.lesson()->port(), support::resultForm(r.driver.lesson()->snapshot(), "Иванов", "9А", 1)), 200);
  r.h->dialogs.answers = {false, false, false};
  r.click("cmdEnd");
  r.click("mnuFileExit");
  EXPECT_FALSE(r.driver.closing());
  ASSERT_EQ(r.h->dialogs.shown.size(), 3u);
  EXPECT_EQ(r.h->dialogs.shown[0].text, "Идёт урок: 1 ученик закончил тест. Закончить урок и выйти из редактора?");
  EXPECT_EQ(r.view.quitWith, -1);
  EXPECT_FALSE(r.h->editor.unloaded());
  ASSERT_NE(r.driver.lesson(), nullptr);

  r.view.folders = {second.path(), second.path()};
  r.h->dialogs.answers = {false, true};
  r.click("mnuFileOpen");
  EXPECT_EQ(r.driver.editor()->state().ShellPath, r.dir.path());
  ASSERT_NE(r.driver.lesson(), nullptr);
  EXPECT_EQ(r.h->dialogs.shown.back().text, "Идёт урок: 1 ученик закончил тест. Закончить урок и открыть другой тест?");
  r.click("mnuFileOpen");
  EXPECT_EQ(r.driver.editor()->state().ShellPath, second.path());
  EXPECT_EQ(r.driver.lesson(), nullptr);
  EXPECT_FALSE(r.view.lesson.has_value());

  r.click("mnuTestLesson");
  ASSERT_NE(r.driver.lesson(), nullptr);
  EXPECT_EQ(r.driver.lesson()->snapshot().key.stages, 3) << "the test shown now";
  r.h->dialogs.answers = {true};
  EXPECT_TRUE(r.driver.closing());
  EXPECT_EQ(r.h->dialogs.shown.back().text, "Идёт урок: ещё никто не закончил тест. Закончить урок и выйти из редактора?");
  EXPECT_EQ(r.driver.lesson(), nullptr);
  EXPECT_EQ(r.view.quitWith, 0);
  EXPECT_TRUE(r.view.errors.empty());
  EXPECT_EQ(window::pupilsFinished(22), "22 ученика закончили тест");
  EXPECT_EQ(window::pupilsFinished(11), "11 учеников закончили тест");
  EXPECT_EQ(window::pupilsFinished(21), "21 ученик закончил тест");
}

// A lesson that cannot start (its store unusable, no port free, the test unreadable) is told of
// in a box naming the cause, and the editor goes on editing.
TEST(Driver, ALessonThatCannotStartIsToldOfAndTheEditorGoesOn) {
  WholeSession r;
  ASSERT_TRUE(r.driver.load());
  fs::create_directories(r.settings.path() / "results.sqlite");
  r.click("mnuTestLesson");
  fs::remove(r.settings.path() / "results.sqlite");

  lesson::SqliteStore store(r.documents.path() / "other.sqlite");
  lesson::Lesson other;
  lesson::LessonOptions loopback;
  loopback.server.listen = {"127.0.0.1"};
  other.start(r.dir.path(), r.disk, store, {}, loopback);
  window::Program program = r.program();
  program.lesson.options.server.firstPort = program.lesson.options.server.lastPort = other.port();
  r.driver.setProgram(program);
  r.click("mnuTestLesson");
  r.driver.setProgram(r.program());

  const std::string index = support::readBytes(r.dir.path() / "index.html");
  fs::remove(r.dir.path() / "index.html");
  r.click("mnuTestLesson");
  support::writeBytes(r.dir.path() / "index.html", index);

  ASSERT_EQ(r.h->dialogs.shown.size(), 3u);
  EXPECT_NE(r.h->dialogs.shown[0].text.find("results.sqlite"), std::string::npos) << r.h->dialogs.shown[0].text;
  EXPECT_NE(r.h->dialogs.shown[1].text.find(std::to_string(other.port())), std::string::npos) << r.h->dialogs.shown[1].text;
  EXPECT_NE(r.h->dialogs.shown[2].text.find("index.html"), std::string::npos) << r.h->dialogs.shown[2].text;
  for (const auto& box : r.h->dialogs.shown) EXPECT_EQ(box.title, window::dialog::kLessonTitle);
  EXPECT_EQ(r.driver.lesson(), nullptr);
  EXPECT_FALSE(r.view.lesson.has_value());
  EXPECT_TRUE(r.view.errors.empty());
  EXPECT_FALSE(r.driver.ended());
  r.choose("List1", 1);
  r.choose("List2", 0);
  r.view["Text1(0)"].text = u"После урока";
  r.click("cmdSave");
  EXPECT_EQ(window::fromCodePage(support::crlfLines(r.dir.path() / "1" / "0.html")[5]), u"После урока");
  r.click("mnuTestLesson");
  EXPECT_NE(r.driver.lesson(), nullptr) << "once mended, the lesson starts";
}

// The results of the lessons kept: a store that cannot be opened is a box and nothing else; the
// window lists the lessons of this test (or of every test) with their counts, the chosen one's
// table with its marks and its statistics, the most missed question first; the running lesson is
// not offered for deletion; the exports go where the teacher says, under the course and the
// date, and one that cannot be written says so naming the file; none writes the store; the
// printed page goes to the temporary folder and the browser; a question of the statistics is
// shown in the lists, one of another test's lesson is not; a deletion is asked first.
TEST(Driver, TheResultsWindowListsLessonsShowsTheirStatisticsAndExportsAndDeletesThem) {
  WholeSession r;
  ASSERT_TRUE(r.driver.load());
  const fs::path storeFile = r.settings.path() / "results.sqlite";
  fs::create_directories(storeFile);
  r.click("mnuTestResults");
  ASSERT_EQ(r.h->dialogs.shown.size(), 1u);
  EXPECT_NE(r.h->dialogs.shown[0].text.find("results.sqlite"), std::string::npos) << r.h->dialogs.shown[0].text;
  EXPECT_FALSE(r.view.results.has_value());
  EXPECT_FALSE(r.driver.resultsOpen());
  fs::remove(storeFile);

  r.click("mnuTestLesson");
  ASSERT_NE(r.driver.lesson(), nullptr);
  const lesson::Snapshot test = r.driver.lesson()->snapshot();  // beyond the lesson's end
  const unsigned short port = r.driver.lesson()->port();
  EXPECT_EQ(support::postResult(port, support::resultForm(test, "Иванов", "9А", 3)), 200);
  EXPECT_EQ(support::postResult(port, support::resultForm(test, "Петров", "9Б", 5, 60)), 200);
  r.view.runPosted();
  r.click("mnuTestResults");
  ASSERT_TRUE(r.view.results.has_value());
  const window::ResultsView& v = *r.view.results;
  EXPECT_FALSE(v.allTests);
  ASSERT_EQ(v.lessons.size(), 1u);
  EXPECT_EQ(v.chosen, 0);
  EXPECT_EQ(std::vector<std::string>(v.lessons[0].begin() + 2, v.lessons[0].end()),
            (std::vector<std::string>{test.course, "2", "2"}));
  EXPECT_EQ(v.columns, lesson::tableCaptions());
  ASSERT_EQ(v.rows.size(), 2u);
  EXPECT_EQ(v.rows[0].cells[0], "Петров");
  EXPECT_TRUE(v.rows[0].marked) << "it claims 60 right answers, as the lesson's window marks it";
  EXPECT_FALSE(v.rows[1].marked);
  const int questions = test.key.questions();
  ASSERT_EQ(v.statistics.size(), static_cast<std::size_t>(questions));
  // Both missed questions 1 to 3, Петров 4 and 5 too: the first three lead, each 0 % right.
  EXPECT_EQ(std::vector<std::string>(v.statistics[0].begin(), v.statistics[0].begin() + 4),
            (std::vector<std::string>{"1", "1", "1", "1"}));
  EXPECT_EQ(v.statistics[0][6], "0");
  EXPECT_EQ(v.statistics[3][1], "4");
  EXPECT_EQ(v.statistics[3][6], "50");
  EXPECT_TRUE(v.exportable);
  EXPECT_FALSE(v.deletable) << "the lesson running now";
  r.click("mnuTestResults");
  EXPECT_EQ(r.view.resultsRaised, 1);
  const std::size_t boxes = r.h->dialogs.shown.size();
  r.driver.resultsAction(window::ResultsAction::Delete);
  EXPECT_EQ(r.h->dialogs.shown.size(), boxes) << "not even asked";
  EXPECT_EQ(support::postResult(port, support::resultForm(test, "Сидоров", "9А", 0)), 200);
  r.view.runPosted();
  EXPECT_EQ(r.view.results->lessons[0][3], "3") << "the counts follow the running lesson";
  r.h->dialogs.answers = {true};
  EXPECT_TRUE(r.driver.endLesson());
  EXPECT_TRUE(r.view.results->deletable) << "once the lesson has ended";

  // Exported: the spreadsheet and the CSV file under the course and the date, in the documents.
  const auto storeBytes = [&] { return support::readBytes(storeFile); };
  const std::string kept = storeBytes();
  const fs::path folder = r.documents.path() / shell::fromUtf8("Результаты 9А");
  fs::create_directories(folder);
  r.view.files = {folder / shell::fromUtf8("урок.xlsx"), folder / shell::fromUtf8("урок.csv")};
  r.driver.resultsAction(window::ResultsAction::SaveXlsx);
  r.driver.resultsAction(window::ResultsAction::SaveCsv);
  ASSERT_EQ(r.view.fileDialogs.size(), 2u);
  EXPECT_EQ(r.view.fileDialogs[0].folder, r.documents.path());
  char today[16];
  const std::time_t now = std::time(nullptr);
  std::strftime(today, sizeof today, " %Y-%m-%d", std::localtime(&now));
  const std::string day = test.course + today;
  EXPECT_EQ(r.view.fileDialogs[0].name, day + ".xlsx");
  EXPECT_EQ(r.view.fileDialogs[1].name, day + ".csv");
  EXPECT_EQ(support::readBytes(folder / shell::fromUtf8("урок.xlsx")).substr(0, 2), "PK");
  EXPECT_EQ(support::readBytes(folder / shell::fromUtf8("урок.csv")).substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_NE(support::readBytes(folder / shell::fromUtf8("урок.csv")).find("Сидоров"), std::string::npos);
  EXPECT_EQ(r.h->dialogs.shown.size(), boxes + 1) << "only the lesson's end was asked";
  r.view.files = {r.documents.path() / shell::fromUtf8("нет такой папки") / shell::fromUtf8("урок.csv"), r.dir.path() / shell::fromUtf8("урок.csv")};
  r.driver.resultsAction(window::ResultsAction::SaveCsv);
  r.driver.resultsAction(window::ResultsAction::SaveCsv);
  ASSERT_EQ(r.h->dialogs.shown.size(), boxes + 3);
  EXPECT_NE(r.h->dialogs.shown[boxes + 1].text.find("нет такой папки"), std::string::npos) << r.h->dialogs.shown[boxes + 1].text;
  EXPECT_EQ(r.h->dialogs.shown[boxes + 1].text.find("не удалось записать файл: не удалось"), std::string::npos)
      << r.h->dialogs.shown[boxes + 1].text;
  EXPECT_NE(r.h->dialogs.shown[boxes + 2].text.find("урок.csv"), std::string::npos) << r.h->dialogs.shown[boxes + 2].text;
  EXPECT_FALSE(fs::exists(r.dir.path() / shell::fromUtf8("урок.csv"))) << "never into the test";
  EXPECT_EQ(storeBytes(), kept) << "an export never writes the store";

  // Printed: the page in the temporary folder, then in the browser.
  window::Program program = r.program();
  program.temporary = r.documents.path() / shell::fromUtf8("временная");
  r.driver.setProgram(program);
  r.driver.resultsAction(window::ResultsAction::Print);
  ASSERT_EQ(r.h->browser.opened.size(), 1u);
  const std::string& opened = r.h->browser.opened[0];
  const fs::path page(std::u8string(opened.begin(), opened.end()));
  EXPECT_EQ(page.parent_path(), program.temporary);
  EXPECT_NE(support::readBytes(page).find("Иванов"), std::string::npos);

  // The most missed question in the lists, as the check's list shows one.
  r.driver.resultsQuestion(3);
  EXPECT_EQ(r.view["List1"].selected, 0);
  EXPECT_EQ(r.view["List2"].selected, 3);

  // A lesson of another test: listed among every test's, its question not shown.
  {
    lesson::SqliteStore other(storeFile);
    lesson::LessonRecord record = *other.lesson(other.lessonList(std::nullopt).at(0).id);
    record.folder = shell::utf8(r.documents.path() / shell::fromUtf8("другой тест"));
    record.started = "2030-01-02T03:04:05Z";
    other.addLesson(record);
  }
  r.driver.resultsScope(true);
  ASSERT_EQ(r.view.results->lessons.size(), 2u);
  EXPECT_TRUE(r.view.results->allTests);
  EXPECT_EQ(r.view.results->lessons[0][5], shell::utf8(r.documents.path() / shell::fromUtf8("другой тест"))) << "the newest first";
  EXPECT_EQ(r.view.results->chosen, 1) << "the lesson chosen stays chosen";
  r.driver.resultsChosen(0);
  EXPECT_EQ(r.view.results->chosen, 0);
  EXPECT_TRUE(r.view.results->rows.empty());
  r.choose("List1", 1);
  r.driver.resultsQuestion(0);
  EXPECT_NE(r.h->dialogs.shown.back().text.find("другому тесту"), std::string::npos) << r.h->dialogs.shown.back().text;
  EXPECT_EQ(r.view["List1"].selected, 1) << "the lists as they were";
  r.driver.resultsScope(false);
  ASSERT_EQ(r.view.results->lessons.size(), 1u);

  // Deleted after the question, which names the lesson and its counts; Отмена keeps it.
  r.h->dialogs.answers = {false};
  r.driver.resultsAction(window::ResultsAction::Delete);
  EXPECT_EQ(r.view.results->lessons.size(), 1u);
  const std::string asked = r.h->dialogs.shown.back().text;
  EXPECT_NE(asked.find("«" + test.course + "»"), std::string::npos) << asked;
  EXPECT_NE(asked.find("результатов: 3, учеников: 3"), std::string::npos) << asked;
  r.h->dialogs.answers = {true};
  r.driver.resultsAction(window::ResultsAction::Delete);
  EXPECT_TRUE(r.view.results->lessons.empty());
  EXPECT_EQ(r.view.results->problem, window::dialog::kResultsNone);
  EXPECT_FALSE(r.view.results->exportable);
  r.driver.resultsScope(true);
  EXPECT_EQ(r.view.results->lessons.size(), 1u) << "the other test's lesson stays";
  // The window closed while the save dialog is up: the file is still written, of what was chosen.
  r.view.whileFileDialog = [&] { r.driver.resultsClosed(); };
  r.view.files = {folder / shell::fromUtf8("другой.csv")};
  r.driver.resultsAction(window::ResultsAction::SaveCsv);
  EXPECT_FALSE(r.driver.resultsOpen());
  EXPECT_EQ(support::readBytes(folder / shell::fromUtf8("другой.csv")).substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_TRUE(r.view.errors.empty());
  EXPECT_FALSE(r.driver.ended());
}

}  // namespace

namespace {

// A picture for the question shown: from an image file chosen in the dialog (the folder of the
// last one offered next), from the clipboard (an empty one is told of), replaced in the place of
// the one shown after the editor's question; with all nine names taken, the pictures no question
// shows offered in a list, the one chosen replaced. Nothing is offered without a question, and a
// file that is no image changes nothing.
TEST(Driver, APictureComesFromAFileOrTheClipboardOrTakesThePlaceOfOneNoQuestionShows) {
  Session r([](const fs::path& root) {
    // 1.gif .. 3.gif are the fixture's; 4, 5 and 8 no question shows, 9.GIF takes the 9; 6 and 7
    // are free.
    for (const int digit : {4, 5, 8, 9}) {
      support::writeBytes(root / "pics" / (std::to_string(digit) + (digit == 9 ? ".GIF" : ".gif")),
                          support::readBytes(root / "pics" / "1.gif"));
    }
  });
  ASSERT_TRUE(r.driver.load());
  const fs::path pics = r.dir.path() / "pics";
  const support::TempDir outside;
  const fs::path photo = outside.path() / shell::fromUtf8("фото.bmp");
  support::writeBytes(photo, support::bmpBytes(support::solidImage(64, 48, {200, 20, 20})));
  const fs::path broken = outside.path() / shell::fromUtf8("сломан.bmp");
  support::writeBytes(broken, support::bmpBytes(support::solidImage(64, 48, {0, 0, 0})).substr(0, 70));

  // Nothing to add a picture to while a new stage waits for its first question.
  r.click("cmdNewL");
  EXPECT_FALSE(r.view["cmdAddPicture"].enabled);
  EXPECT_FALSE(r.view["mnuEditAddPicture"].enabled);
  EXPECT_FALSE(r.view["mnuEditPastePicture"].enabled);
  r.h->dialogs.answers = {true};
  r.click("cmdDelLast");
  ASSERT_FALSE(fs::exists(r.dir.path() / "6"));

  r.choose("List1", 1);
  r.choose("List2", 3);
  ASSERT_TRUE(r.view["cmdAddPicture"].enabled);
  r.view["Text1(0)"].text = u"Вопрос с новым рисунком";  // typed, saved with the picture
  r.view.files = {photo};
  r.click("cmdAddPicture");
  ASSERT_EQ(r.view.fileDialogs.size(), 1u);
  EXPECT_FALSE(r.view.fileDialogs[0].save);
  EXPECT_EQ(r.view.fileDialogs[0].title, window::dialog::kPictureTitle);
  EXPECT_NE(r.view.fileDialogs[0].filters.at(0).second.find("*.jpg"), std::string::npos);
  const std::string six = support::readBytes(pics / "6.gif");
  const auto page = support::crlfLines(r.dir.path() / "1" / "3.html");
  EXPECT_EQ(page.at(shell::page::kPicture), "6");
  EXPECT_EQ(page.at(shell::page::field(0)), window::toCodePage(u"Вопрос с новым рисунком", window::FieldRule::References).value());
  EXPECT_EQ(r.view["Image1"].picture, six);
  const auto& list = r.view["File2"];
  ASSERT_GE(list.selected, 0);
  EXPECT_EQ(list.rows.at(static_cast<std::size_t>(list.selected)), u"6.gif");
  EXPECT_TRUE(r.view["optIm(1)"].checked);
  EXPECT_TRUE(r.view["mnuEditReplacePicture"].enabled);
  EXPECT_EQ(r.view["mnuEditUndo"].text, u"&Отменить: новый рисунок 6.gif для вопроса 4 этапа 2");

  // The clipboard: empty, told of; an image, the next free name; a file that is no image, told of
  // by its name, and nothing written.
  r.choose("List2", 4);
  const auto before = support::snapshot(r.dir.path());
  r.click("mnuEditPastePicture");
  EXPECT_EQ(r.h->dialogs.shown.back().text, window::dialog::kNoClipboardImage);
  r.view.files = {broken};
  r.click("mnuEditAddPicture");
  EXPECT_EQ(r.view.fileDialogs.back().folder, outside.path()) << "where the last image was chosen";
  EXPECT_NE(r.h->dialogs.shown.back().text.find("«" + shell::utf8(broken) + "»"), std::string::npos)
      << r.h->dialogs.shown.back().text;
  r.view.files = {};
  r.click("cmdAddPicture");  // cancelled
  EXPECT_EQ(support::differences(before, support::snapshot(r.dir.path())), std::vector<std::string>{});
  r.view.clipboard = support::solidImage(30, 20, {10, 200, 10});
  r.click("mnuEditPastePicture");
  EXPECT_EQ(support::crlfLines(r.dir.path() / "1" / "4.html").at(shell::page::kPicture), "7");
  const auto pasted = support::readGif(support::readBytes(pics / "7.gif"));
  ASSERT_TRUE(pasted.has_value());
  EXPECT_EQ(support::pixelAt(pasted->image, 157, 136), (pictures::Rgb{10, 200, 10}));

  // The picture shown made anew: the editor asks, and Отмена keeps it.
  r.view.files = {photo};
  r.h->dialogs.answers = {false};
  r.click("mnuEditReplacePicture");
  EXPECT_NE(r.view.fileDialogs.back().title.find("7.gif"), std::string::npos);
  EXPECT_NE(r.h->dialogs.shown.back().text.find("Заменить рисунок 7.gif"), std::string::npos);
  EXPECT_EQ(support::readGif(support::readBytes(pics / "7.gif"))->image.rgba, pasted->image.rgba);
  r.view.files = {photo};
  r.click("mnuEditReplacePicture");
  EXPECT_EQ(support::pixelAt(support::readGif(support::readBytes(pics / "7.gif"))->image, 157, 136),
            (pictures::Rgb{200, 20, 20}));
  EXPECT_EQ(r.view["Image1"].picture, support::readBytes(pics / "7.gif"));

  // All nine taken: the pictures no question shows listed (told first), the one chosen replaced
  // after the editor's question, and the question shows it; a list closed changes nothing.
  r.choose("List2", 5);
  const auto full = support::snapshot(r.dir.path());
  r.view.files = {photo};
  r.click("cmdAddPicture");
  ASSERT_EQ(r.view.listDialogs.size(), 1u);
  EXPECT_NE(r.h->dialogs.shown.back().text.find("не показаны ни в одном вопросе"), std::string::npos);
  EXPECT_EQ(r.view.listDialogs[0].rows,
            (std::vector<std::vector<std::string>>{{"4.gif"}, {"5.gif"}, {"8.gif"}}));
  EXPECT_EQ(support::differences(full, support::snapshot(r.dir.path())), std::vector<std::string>{});
  r.view.clipboard = support::solidImage(30, 20, {10, 10, 200});
  r.view.lists = {[](const window::ListDialog& dialog) { return dialog.rows.size() - 1; }};
  const std::size_t asked = r.h->dialogs.shown.size();
  r.click("mnuEditPastePicture");
  ASSERT_EQ(r.h->dialogs.shown.size(), asked + 2) << "told, then asked";
  EXPECT_TRUE(r.h->dialogs.shown.back().okCancel);
  EXPECT_NE(r.h->dialogs.shown.back().text.find("Заменить рисунок 8.gif рисунком «рисунок из буфера обмена»"),
            std::string::npos)
      << r.h->dialogs.shown.back().text;
  EXPECT_EQ(support::crlfLines(r.dir.path() / "1" / "5.html").at(shell::page::kPicture), "8");
  EXPECT_EQ(support::pixelAt(support::readGif(support::readBytes(pics / "8.gif"))->image, 157, 136),
            (pictures::Rgb{10, 10, 200}));
  EXPECT_EQ(r.view["Image1"].picture, support::readBytes(pics / "8.gif"));
  EXPECT_TRUE(r.view.errors.empty());
}

}  // namespace
