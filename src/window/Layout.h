#pragma once

#include <span>
#include <string_view>

namespace window {

// The design of the window frmEdit: every control with its kind, container, caption, place and
// size in twips (relative to its container), tab index and font. Both windows (Qt and Win32)
// are built from this table alone, and scaled from it (see their scaleWindow).

enum class Kind {
  Frame,
  Label,
  BorderLabel,  // a label with a border, its text centred
  TextBox,      // one line
  MultiLineBox,
  ListBox,
  FileList,
  FolderList,
  Button,
  Option,
  Image,
  Menu,      // a menu of the window's menu bar
  MenuItem,  // an item of a menu; the caption "-" draws a separator line
};

enum class FontId { A7_5, A7_5b, A9, A9b, A10_5, S8_25, S8_25b, None };

struct FontDesign {
  std::string_view family;
  double points;
  bool bold;
};

// State of a control when the window opens, where it is not simply enabled.
enum class Initial { Normal, Disabled, Selected };

struct ControlDesign {
  std::string_view name;       // "Text1(3)" for a member of a control array
  std::string_view container;  // kWindowName, the name of a frame, or a menu's for its items
  Kind kind;
  std::string_view caption;    // UTF-8; empty where the control has none. In a menu's caption
                               // "&" marks the letter that Alt chooses it by ("&&" is an "&")
  int left, top, width, height;
  int tab;  // -1: takes no focus
  FontId font;
  Initial initial = Initial::Normal;
  std::string_view shortcut = {};  // a menu item's key, as "F1" or "Ctrl+Z"; empty for none
};

inline constexpr std::string_view kWindowName = "frmEdit";
inline constexpr std::string_view kWindowCaption = "Редактор теста";
// What the teacher reads when the editor itself fails (not the test's files): the library's
// own words, in English, go to the error output only.
inline constexpr std::string_view kInternalError =
    "Внутренняя ошибка редактора: действие не выполнено, и редактор закрывается. "
    "Изменения, сохранённые до этого, остались в тесте.";
inline constexpr int kClientWidth = 10320;  // twips
inline constexpr int kClientHeight = 7650;
inline constexpr FontId kWindowFont = FontId::A7_5;

// Window background, and the background of the frames, of the labels in frames and of the
// option buttons.
inline constexpr int kWindowRgb[3] = {153, 170, 153};
inline constexpr int kFrameRgb[3] = {170, 170, 170};

FontDesign fontDesign(FontId id);

// Every control, in the order the controls are created: the children of the window first, then
// those of each frame, then the menus of the menu bar, each followed by its items. A container
// always comes before what it holds. The menu bar lies above the client area, which keeps its
// designed size and every control its place: the menus add their height to the window.
std::span<const ControlDesign> controls();

// The design of one control by name, or nullptr.
const ControlDesign* findControl(std::string_view name);

// Whether a label wraps its caption at word boundaries: a label as high as two lines of its
// font does; a one-line label keeps its caption on its line, where a few pixels too many are
// cut at the edge rather than the rest of the line pushed out of sight.
bool wrapsCaption(const ControlDesign& design);

// The width a one-line label is given, in pixels: as designed, or as wide as its caption where a
// font draws the caption wider than the design allowed for (a few pixels with the fonts that
// stand in for Arial); a caption is never cut. The label keeps its left edge.
int labelWidth(int designed, int caption);

// Whether a menu item is the line between groups of items.
bool isSeparator(const ControlDesign& design);

}  // namespace window
