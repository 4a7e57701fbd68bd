#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "lifecycle/Editor.h"
#include "lifecycle/Form.h"
#include "window/Fields.h"
#include "window/Commands.h"

namespace window {

// Which control of the window shows which part of the editor's Form, and which event of which
// control runs which handler of the editor: every wire between the window and the editor, which
// the driver (window/Driver.h) makes for every toolkit.

// A text field, the Form's bytes it shows and edits, and what it may hold beyond the code page
// (by where its line goes: an HTML page, or 1.js and the handler's address).
struct TextBinding {
  std::string_view control;
  std::string& (*slot)(lifecycle::Form&);
  FieldRule rule;
};
std::span<const TextBinding> textFields();

// A button or a menu item and the handler its click runs. cmdAbout is not among them: its help
// box reads and changes nothing, and no handler of the editor runs for it.
struct ClickBinding {
  std::string_view control;
  void (lifecycle::Editor::*handler)();
};
std::span<const ClickBinding> clickHandlers();

// A menu item that does what a button does: chosen, it runs the button's binding, and it is
// offered exactly while the button is.
struct ItemBinding {
  std::string_view item;
  std::string_view button;
};
std::span<const ItemBinding> buttonItems();

// A control and the command its click runs (window/Commands.h).
struct CommandBinding {
  std::string_view control;
  Command command;
};
std::span<const CommandBinding> commands();

// Where a menu item's key works: the controls that must have the focus for it (an empty list:
// anywhere in the window). Ctrl+V pastes a picture only on the picture list and the picture.
struct KeyPlaces {
  std::string_view item;
  std::span<const std::string_view> controls;
};
std::span<const std::string_view> keyPlaces(std::string_view item);

// Whether a question is shown, which a new picture is added to.
bool showsQuestion(const lifecycle::Form& form);
// Whether the picture shown is one of the test's pictures that «Заменить рисунок…» may make anew.
bool showsReplaceablePicture(const lifecycle::Form& form);

// The menu items that offer the tests opened last, in order (the most recent first), and the line
// under them, all shown only while they have a test to offer.
std::span<const std::string_view> recentItems();
inline constexpr std::string_view kRecentBar = "mnuFileOpenBar";

// A list and the selection the user's choice of a row makes (the row, or -1 for none), after
// the question about a question changed and not saved.
struct SelectBinding {
  std::string_view control;
  bool (lifecycle::Editor::*select)(int);
};
std::span<const SelectBinding> listSelections();

// What a redraw shows of the Form, beyond the text fields: each list's rows (in the code page's
// bytes) and selected row, the two counting labels' captions, and which controls are enabled.
struct ListView {
  std::string_view control;
  std::vector<std::string> rows;
  int selected;
};
std::vector<ListView> listViews(const lifecycle::Form& form);

struct CaptionView {
  std::string_view control;
  const std::string& caption;
};
std::vector<CaptionView> captionViews(const lifecycle::Form& form);

// The menu items whose captions the Form holds (UTF-8), as a menu shows them ("&" before the
// letter Alt chooses them by).
struct MenuCaptionView {
  std::string_view control;
  std::string caption;
};
std::vector<MenuCaptionView> menuCaptionViews(const lifecycle::Form& form);

struct EnabledView {
  std::string_view control;
  bool enabled;
};
// Every control whose availability the Form holds, and each menu item that stands for a button.
std::vector<EnabledView> enabledViews(const lifecycle::Form& form);

// Runs one handler at the event boundary. Returns nothing when it went through, else the
// message that ends the editor: a ShellError's own text, or, for a fault of the editor itself,
// the Russian internal-error text (the library's words go to the error output).
std::optional<std::string> runEvent(const std::function<void()>& handler);

// The two option buttons of the picture and the value of the Form's optIm each stands for.
struct OptionBinding {
  std::string_view control;
  int index;
};
std::span<const OptionBinding> options();

// The question's six fields, drawn red while the Form's Text1Red holds, else black.
std::span<const std::string_view> questionFields();

// The picture preview, which shows the Form's Image1.
inline constexpr std::string_view kPicture = "Image1";

}  // namespace window
