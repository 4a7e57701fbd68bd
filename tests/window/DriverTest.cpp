// The driver on a view that only records what it is told, over a real editor on a fixture shell:
// what each event runs, what comes back to the controls, how a run ends.

#include <gtest/gtest.h>

#include <map>

#include "shell/Layout.h"
#include "support/Fixtures.h"
#include "window/About.h"
#include "window/CodePage.h"
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

}  // namespace
