// The driver on a view that only records what it is told, over a real editor on a fixture shell:
// what each event runs, what comes back to the controls, how a run ends.

#include <gtest/gtest.h>

#include <deque>
#include <map>

#include "shell/Layout.h"
#include "support/Fixtures.h"
#include "window/About.h"
#include "window/CodePage.h"
#include "window/Bindings.h"
#include "window/Driver.h"
#include "window/Layout.h"

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
  std::optional<fs::path> chooseFile(const window::FileDialog& dialog) override {
    fileDialogs.push_back(dialog);
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

  // Tab skips a disabled control and wraps around; Shift+Tab goes back.
  const auto order = window::tabOrder();
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

// The menu's items that stand for buttons run what the buttons run and are offered as they are;
// the import is not offered while a new stage is entered; the guide opens in the browser.
TEST(Driver, MenuItemsDoWhatTheirButtonsDo) {
  Session r;
  ASSERT_TRUE(r.driver.load());
  for (const auto& item : window::buttonItems()) EXPECT_EQ(r.view[item.item].enabled, r.view[item.button].enabled);
  EXPECT_TRUE(r.view["mnuFileImport"].enabled);

  r.click("mnuTestNewStage");
  ASSERT_TRUE(fs::is_directory(r.dir.path() / "6"));
  for (const char* off : {"mnuTestNewStage", "mnuTestDelLast", "mnuTestMix", "mnuFileImport"}) {
    EXPECT_FALSE(r.view[off].enabled) << off;
  }
  r.click("mnuFileImport");  // a key for an item not offered does nothing
  EXPECT_TRUE(r.view.fileDialogs.empty());
  r.click("mnuTestNewStage");
  EXPECT_FALSE(fs::exists(r.dir.path() / "7"));

  r.choose("List1", 6);
  r.click("cmdSave");
  ASSERT_TRUE(r.view["mnuTestDelLast"].enabled);
  r.click("mnuTestDelLast");  // asks, as the button does
  ASSERT_EQ(r.h->dialogs.shown.size(), 1u);
  EXPECT_TRUE(r.h->dialogs.shown[0].okCancel);
  EXPECT_FALSE(fs::exists(r.dir.path() / "6"));
  EXPECT_TRUE(r.view["mnuFileImport"].enabled);
  EXPECT_TRUE(r.view["mnuTestMix"].enabled);

  r.click("mnuHelpAbout");
  ASSERT_EQ(r.h->dialogs.shown.size(), 2u);
  EXPECT_EQ(r.h->dialogs.shown[1].text, window::aboutText());
  // No guide beside this program: the teacher is told so, and no browser starts.
  r.click("mnuHelpGuide");
  ASSERT_EQ(r.h->dialogs.shown.size(), 3u);
  EXPECT_NE(r.h->dialogs.shown[2].text.find("guide.html"), std::string::npos);
  EXPECT_TRUE(r.h->browser.opened.empty());

  r.click("mnuFileExit");  // exits as the button does, writing the settings
  EXPECT_EQ(r.view.quitWith, 0);
}

TEST(Driver, TheGuideOpensInTheBrowser) {
  support::TempDir program;
  const fs::path guide = program.path() / "guide.html";
  support::writeBytes(guide, "<html></html>");
  support::TempDir dir;
  support::buildShell(dir.path());
  support::Harness h(dir.path(), nullptr, guide);
  h.editor.Form_Load();
  h.editor.mnuHelpGuide_Click();
  EXPECT_EQ(h.browser.opened, (std::vector<std::string>{guide.string()}));
  EXPECT_TRUE(h.dialogs.shown.empty());
  h.browser.starts = false;
  h.editor.mnuHelpGuide_Click();
  ASSERT_EQ(h.dialogs.shown.size(), 1u);
  EXPECT_NE(h.dialogs.shown[0].text.find("Не удалось открыть руководство"), std::string::npos);
}

// The file, the dialog that says what the file holds and what an import from the start chosen
// does (the stage chosen in the list first), the file read again after it was mended, then the
// import from another start; what it replaced and added shows at once.
TEST(Driver, ImportShowsWhatItWillDoAndImportsFromTheStartChosen) {
  Session r;
  ASSERT_TRUE(r.driver.load());
  r.choose("List1", 4);
  const fs::path text = r.dir.path().parent_path() / (r.dir.path().filename().string() + "-questions.txt");
  std::string mistaken = support::questionsText(20);
  mistaken.insert(mistaken.find("Ответ: Б"), "Д) лишний ответ\r\n");
  support::writeBytes(text, mistaken);
  r.view.files = {text};
  std::vector<std::string> seen;
  r.view.imports.push_back([&](const window::ImportDialog& d) {
    EXPECT_EQ(d.stages, 7);
    EXPECT_EQ(d.start, (workbench::Position{5, 1}));
    const auto preview = d.preview(d.start);
    EXPECT_FALSE(preview.importable);
    EXPECT_NE(preview.summary.find("строка 6"), std::string::npos) << preview.summary;
    support::writeBytes(text, support::questionsText(20));  // mended, then read again
    return window::ImportAnswer{window::ImportAnswer::ReadAgain, {6, 1}};
  });
  r.view.imports.push_back([&](const window::ImportDialog& d) {
    EXPECT_EQ(d.start, (workbench::Position{6, 1}));
    EXPECT_TRUE(d.preview({5, 1}).importable);
    EXPECT_FALSE(d.preview({6, 2}).importable);  // 19 questions for a new stage
    const auto preview = d.preview(d.start);
    EXPECT_TRUE(preview.importable);
    seen.push_back(preview.summary);
    return window::ImportAnswer{window::ImportAnswer::Import, d.start};
  });
  r.click("mnuFileImport");
  ASSERT_EQ(r.view.importDialogs, 2);
  ASSERT_EQ(r.view.fileDialogs.size(), 1u);
  EXPECT_FALSE(r.view.fileDialogs[0].save);
  ASSERT_TRUE(r.view.errors.empty());
  EXPECT_NE(seen.at(0).find("Новый этап: 7"), std::string::npos) << seen[0];

  EXPECT_EQ(r.h->state().StageCount, 7);
  EXPECT_EQ(r.view["Label9"].text, u"7");
  EXPECT_EQ(r.view["List1"].rows.size(), 7u);
  EXPECT_EQ(window::fromCodePage(support::crlfLines(r.dir.path() / "5" / "0.html")[5]), u"Вопрос 1");
  EXPECT_EQ(window::fromCodePage(support::crlfLines(r.dir.path() / "6" / "9.html")[5]), u"Вопрос 20");
  EXPECT_EQ(support::crlfLines(r.dir.path() / "1.js")[1], "7");
  // The stage shown, 5, was not replaced; it shows what it held.
  EXPECT_EQ(r.view["Text1(0)"].text, window::fromCodePage(support::pageLines(5, 10)[5]));

  // Cancelled at the file or at the dialog, nothing is written.
  const auto before = support::snapshot(r.dir.path());
  r.click("mnuFileImport");
  r.view.files = {text};
  r.click("mnuFileImport");
  EXPECT_EQ(r.view.importDialogs, 3);
  EXPECT_EQ(support::snapshot(r.dir.path()), before);
  fs::remove(text);
}

// The test written out under the name the course gives, then imported back from its first
// question: no byte of it changes.
TEST(Driver, TheTestWrittenOutAndImportedBackIsTheSame) {
  Session r;
  ASSERT_TRUE(r.driver.load());
  const auto before = support::snapshot(r.dir.path());
  const fs::path text = r.dir.path() / "questions.txt";
  r.view.files = {text, text};
  r.click("mnuFileExport");
  ASSERT_EQ(r.view.fileDialogs.size(), 1u);
  EXPECT_TRUE(r.view.fileDialogs[0].save);
  EXPECT_EQ(r.view.fileDialogs[0].name,
            window::toUtf8(window::fromCodePage(support::titleLines(6)[4], window::FieldRule::References)) + ".txt");
  ASSERT_TRUE(fs::exists(text));
  EXPECT_EQ(support::readBytes(text).substr(0, 3), "\xEF\xBB\xBF");
  r.view.imports.push_back([](const window::ImportDialog& d) {
    EXPECT_TRUE(d.preview({1, 1}).importable);
    return window::ImportAnswer{window::ImportAnswer::Import, {1, 1}};
  });
  r.click("mnuFileImport");
  ASSERT_TRUE(r.view.errors.empty());
  auto after = support::snapshot(r.dir.path());
  after.erase("questions.txt");
  EXPECT_EQ(after, before) << ::testing::PrintToString(support::differences(before, after));
}

}  // namespace
