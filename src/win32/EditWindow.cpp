#include "win32/EditWindow.h"

#include <algorithm>
#include <cmath>

#include "shell/Layout.h"
#include "win32/CommandDialogs.h"
#include "win32/Dpi.h"
#include "win32/LessonWindow.h"
#include "win32/ResultsWindow.h"
#include "win32/MessageBoxes.h"
#include "win32/Picture.h"
#include "win32/Text.h"
#include "window/Bindings.h"
#include "window/Layout.h"

namespace win32 {

using window::ControlDesign;
using window::FontId;
using window::Kind;

namespace {

constexpr wchar_t kClassName[] = L"TestEditorWindow";
constexpr wchar_t kOldProc[] = L"TestEditorOldProc";
constexpr wchar_t kPageLineProp[] = L"TestEditorPageLine";  // set on a field of FieldRule::References
constexpr UINT kRefusedMessage = WM_APP + 1;  // a field left out a character: w the field, l it
constexpr UINT kLessonNews = WM_APP + 2;      // posted by the lesson's thread: results were kept
constexpr UINT_PTR kNoteTimer = 1;
constexpr int kFirstId = 100;  // control ids: kFirstId + position in the design table
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

COLORREF colour(const int (&c)[3]) { return RGB(c[0], c[1], c[2]); }

LRESULT callOld(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
  auto old = reinterpret_cast<WNDPROC>(GetPropW(hwnd, kOldProc));
  return CallWindowProcW(old, hwnd, message, w, l);
}

// The last message of a subclassed control: the toolkit's procedure ends it, then the control
// forgets ours.
LRESULT endSubclass(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
  const LRESULT result = callOld(hwnd, message, w, l);
  RemovePropW(hwnd, kOldProc);
  return result;
}

void subclass(HWND hwnd, WNDPROC proc) {
  SetPropW(hwnd, kOldProc, reinterpret_cast<HANDLE>(SetWindowLongPtrW(hwnd, GWLP_WNDPROC,
                                                                      reinterpret_cast<LONG_PTR>(proc))));
}

// A frame holds controls of its own: what they tell their parent goes on to the window, and
// the frame is filled with its background colour before it draws its line and caption. Its
// whole area is its own, so what lies under it stays hidden (File1 and Dir1 under Frame2).
LRESULT CALLBACK frameProc(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_COMMAND:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
      return SendMessageW(GetAncestor(hwnd, GA_ROOT), message, w, l);
    case WM_ERASEBKGND: {
      RECT rect;
      GetClientRect(hwnd, &rect);
      auto brush = reinterpret_cast<HBRUSH>(
          SendMessageW(GetAncestor(hwnd, GA_ROOT), WM_CTLCOLORSTATIC, w, reinterpret_cast<LPARAM>(hwnd)));
      FillRect(reinterpret_cast<HDC>(w), &rect, brush);
      return 1;
    }
    case WM_NCHITTEST:
      return HTCLIENT;
    case WM_NCDESTROY:
      return endSubclass(hwnd, message, w, l);
    default:
      return callOld(hwnd, message, w, l);
  }
}

window::FieldRule ruleOf(HWND field) {
  return GetPropW(field, kPageLineProp) != nullptr ? window::FieldRule::References
                                                   : window::FieldRule::CodePage;
}

// A beep, and the window's note under the field that says why the character was left out.
void refuse(HWND field, char32_t c) {
  MessageBeep(MB_OK);
  SendMessageW(GetAncestor(field, GA_ROOT), kRefusedMessage, reinterpret_cast<WPARAM>(field),
               static_cast<LPARAM>(c));
}

// Pastes the clipboard's text, mended for a field; a refused character is told of.
void pasteMended(HWND edit) {
  if (!OpenClipboard(edit)) return;
  std::u16string text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = units(chars);
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  char32_t refused = 0;
  const std::wstring mended = wide(window::mendInput(text, ruleOf(edit), &refused));
  if (!mended.empty()) SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(mended.c_str()));
  if (refused != 0) refuse(edit, refused);
}

// A text field takes in only what its rule lets it hold and never a line break, typed or
// pasted: Enter types a space in a multi-line field and nothing in a one-line one.
LRESULT CALLBACK fieldProc(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_CHAR: {
      const auto c = static_cast<char16_t>(w);
      if (c == u'\r' || c == u'\n') {
        if ((GetWindowLongPtrW(hwnd, GWL_STYLE) & ES_MULTILINE) == 0) return 0;
        return callOld(hwnd, message, L' ', l);
      }
      // A character beyond the first plane comes as its two halves, one message each.
      static char16_t high = 0;
      const window::FieldRule rule = ruleOf(hwnd);
      if (c >= 0xD800 && c < 0xDC00) {
        high = c;
        return rule == window::FieldRule::References ? callOld(hwnd, message, w, l) : 0;
      }
      char32_t whole = c;
      if (c >= 0xDC00 && c < 0xE000 && high != 0) {
        whole = 0x10000 + ((high - 0xD800u) << 10) + (c - 0xDC00u);
      }
      high = 0;
      if (!window::fits(whole, rule)) {
        refuse(hwnd, whole);
        return 0;
      }
      return callOld(hwnd, message, w, l);
    }
    case WM_PASTE:
      pasteMended(hwnd);
      return 0;
    case WM_NCDESTROY:
      RemovePropW(hwnd, kPageLineProp);
      return endSubclass(hwnd, message, w, l);
    default:
      return callOld(hwnd, message, w, l);
  }
}

}  // namespace

EditWindow::EditWindow(HINSTANCE instance, lifecycle::Dialogs& dialogs)
    : instance_(instance), driver_(*this, dialogs) {
  windowBrush_ = CreateSolidBrush(colour(window::kWindowRgb));
  frameBrush_ = CreateSolidBrush(colour(window::kFrameRgb));
  icon_ = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, 16, 16, 0));

  WNDCLASSEXW type{};
  type.cbSize = sizeof type;
  type.lpfnWndProc = windowProc;
  type.hInstance = instance;
  type.hIcon = icon_;
  type.hIconSm = icon_;
  type.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  type.hbrBackground = windowBrush_;
  type.lpszClassName = kClassName;
  RegisterClassExW(&type);

  hwnd_ = CreateWindowExW(0, kClassName, fromUtf8(window::kWindowCaption).c_str(), kStyle,
                          CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, nullptr, nullptr, instance, this);
  dpi_ = windowDpi(hwnd_);
  build();
  // As designed: 12 twips per pixel, fonts at their own sizes, until start-up scales it.
  place();
}

EditWindow::~EditWindow() {
  // A lesson still running stops first, so that no news comes from it any more.
  driver_.stopLesson();
  if (hwnd_ != nullptr && IsWindow(hwnd_)) DestroyWindow(hwnd_);
  if (keys_ != nullptr) DestroyAcceleratorTable(keys_);
  picture_.reset();
  for (HFONT font : fonts_) DeleteObject(font);
  DeleteObject(windowBrush_);
  DeleteObject(frameBrush_);
  if (icon_ != nullptr) DestroyIcon(icon_);
}

void EditWindow::build() {
  int id = kFirstId;
  menuBar_ = CreateMenu();
  for (const ControlDesign& d : window::controls()) {
    if (d.kind == Kind::Menu || d.kind == Kind::MenuItem) {
      addMenuEntry(d, id++);
      continue;
    }
    menus_.push_back(nullptr);
    HWND parent = d.container == window::kWindowName ? hwnd_ : control(d.container);
    const std::wstring caption = fromUtf8(d.caption);
    const DWORD child = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    const wchar_t* type = L"STATIC";
    DWORD style = child;
    DWORD extended = 0;
    switch (d.kind) {
      case Kind::Frame:
        type = L"BUTTON";
        style |= BS_GROUPBOX | WS_CLIPCHILDREN;
        break;
      case Kind::Label:
        style |= SS_NOPREFIX | (window::wrapsCaption(d) ? SS_LEFT : SS_LEFTNOWORDWRAP);
        break;
      case Kind::BorderLabel:
        style |= SS_NOPREFIX | SS_CENTER | SS_SUNKEN;
        break;
      case Kind::TextBox:
        type = L"EDIT";
        style |= ES_AUTOHSCROLL;
        extended = WS_EX_CLIENTEDGE;
        break;
      case Kind::MultiLineBox:
        type = L"EDIT";
        style |= ES_MULTILINE | ES_AUTOVSCROLL;
        extended = WS_EX_CLIENTEDGE;
        break;
      case Kind::ListBox:
      case Kind::FileList:
      case Kind::FolderList:
        type = L"LISTBOX";
        style |= LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL;
        extended = WS_EX_CLIENTEDGE;
        break;
      case Kind::Button:
        type = L"BUTTON";
        style |= BS_PUSHBUTTON | BS_MULTILINE | BS_CENTER | BS_VCENTER;
        break;
      case Kind::Option:
        type = L"BUTTON";
        style |= BS_RADIOBUTTON;
        break;
      case Kind::Image:
      case Kind::Menu:
      case Kind::MenuItem:
        break;
    }
    HWND hwnd = nullptr;
    if (d.kind == Kind::Image) {
      picture_ = std::make_unique<Picture>(instance_, parent, colour(window::kFrameRgb));
      hwnd = picture_->handle();
      SetWindowLongPtrW(hwnd, GWLP_ID, id);
    } else {
      hwnd = CreateWindowExW(extended, type, caption.c_str(), style, 0, 0, 0, 0, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
    }
    ++id;
    if (d.kind == Kind::Frame) subclass(hwnd, frameProc);
    if (d.kind == Kind::TextBox || d.kind == Kind::MultiLineBox) subclass(hwnd, fieldProc);
    if (d.kind == Kind::Option) {
      SendMessageW(hwnd, BM_SETCHECK, d.initial == window::Initial::Selected ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    if (d.initial == window::Initial::Disabled) EnableWindow(hwnd, FALSE);
    if (window::fieldRule(controls_.size()) == window::FieldRule::References) {
      SetPropW(hwnd, kPageLineProp, hwnd);
    }
    controls_.push_back(hwnd);
  }
  textColours_.assign(controls_.size(), RGB(0, 0, 0));
  SetMenu(hwnd_, menuBar_);
  note_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_BORDER | SS_LEFT | SS_NOPREFIX, 0, 0, 0,
                          0, hwnd_, nullptr, instance_, nullptr);
}
namespace {

// A key as the design writes it ("F1", "Ctrl+Z", "Ctrl+Shift+S"), for an accelerator table.
ACCEL accelerator(std::string_view keys, WORD command) {
  ACCEL accel{FVIRTKEY, 0, command};
  for (;;) {
    const auto plus = keys.find('+');
    if (plus == std::string_view::npos || plus + 1 == keys.size()) break;
    const std::string_view modifier = keys.substr(0, plus);
    if (modifier == "Ctrl") accel.fVirt |= FCONTROL;
    if (modifier == "Shift") accel.fVirt |= FSHIFT;
    if (modifier == "Alt") accel.fVirt |= FALT;
    keys.remove_prefix(plus + 1);
  }
  if (keys.size() > 1 && keys[0] == 'F') {
    accel.key = static_cast<WORD>(VK_F1 + std::stoi(std::string(keys.substr(1))) - 1);
  } else if (keys.size() == 1) {
    accel.key = static_cast<WORD>(keys[0]);  // a letter or a digit: its virtual key is its code
  }
  return accel;
}

}  // namespace

// A menu of the bar, or an item (or separator) of the menu before it. The letter after "&"
// in a caption is the one Alt chooses it by; an item's key is shown after a tab and goes into
// the window's accelerator table.
void EditWindow::addMenuEntry(const ControlDesign& d, int id) {
  controls_.push_back(nullptr);
  std::wstring caption = fromUtf8(d.caption);
  if (d.kind == Kind::Menu) {
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menuBar_, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(menu), caption.c_str());
    menus_.push_back(menu);
    return;
  }
  HMENU menu = menus_[window::controlId(d.container)];
  menus_.push_back(menu);
  if (window::isSeparator(d)) {
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    return;
  }
  if (!d.shortcut.empty()) {
    caption += L"\t" + fromUtf8(d.shortcut);
    std::vector<ACCEL> keys;
    if (keys_ != nullptr) {
      keys.resize(static_cast<std::size_t>(CopyAcceleratorTableW(keys_, nullptr, 0)));
      CopyAcceleratorTableW(keys_, keys.data(), static_cast<int>(keys.size()));
      DestroyAcceleratorTable(keys_);
    }
    keys.push_back(accelerator(d.shortcut, static_cast<WORD>(id)));
    keys_ = CreateAcceleratorTableW(keys.data(), static_cast<int>(keys.size()));
  }
  AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(id), caption.c_str());
}

void EditWindow::makeFonts() {
  for (HFONT font : fonts_) DeleteObject(font);
  fonts_.clear();
  for (int id = 0; id < static_cast<int>(FontId::None); ++id) {
    const window::FontDesign design = window::fontDesign(static_cast<FontId>(id));
    const int height = -static_cast<int>(std::lround(design.points * factor_ * dpi_ / 72.0));
    fonts_.push_back(CreateFontW(height, 0, 0, 0, design.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE,
                                 FALSE, RUSSIAN_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                 DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                                 fromUtf8(design.family).c_str()));
  }
}

// Every control at its designed twips x factor / twips per pixel, in pixels of 96 per inch
// times the screen's DPI / 96, and every font at its designed points x factor.
void EditWindow::place() {
  const double pixelsPerTwip = factor_ / twipsPerPixelY() * dpi_ / 96.0;
  auto px = [pixelsPerTwip](int twips) { return static_cast<int>(std::lround(twips * pixelsPerTwip)); };
  std::vector<HFONT> old = std::move(fonts_);
  fonts_.clear();
  makeFonts();

  const int width = px(window::kClientWidth), height = px(window::kClientHeight);
  const RECT frame = frameAround({0, 0, width, height}, kStyle, 0, dpi_);
  SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // The menu bar takes its height from the client area: the window grows by what it took.
  RECT client;
  GetClientRect(hwnd_, &client);
  if (client.right != width || client.bottom != height) {
    SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left + width - client.right,
                 frame.bottom - frame.top + height - client.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  const auto designs = window::controls();
  const HFONT windowFont = fonts_[static_cast<std::size_t>(window::kWindowFont)];
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    const ControlDesign& d = designs[i];
    if (controls_[i] == nullptr) continue;
    const HFONT font = d.font == FontId::None ? windowFont : fonts_[static_cast<std::size_t>(d.font)];
    int shownWidth = px(d.width);
    if (d.kind == Kind::Label && !window::wrapsCaption(d)) {
      HDC dc = GetDC(controls_[i]);
      const HGDIOBJ previous = SelectObject(dc, font);
      const std::wstring caption = fromUtf8(d.caption);
      SIZE extent{};
      GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
      SelectObject(dc, previous);
      ReleaseDC(controls_[i], dc);
      shownWidth = window::labelWidth(shownWidth, extent.cx + 1);
    }
    SetWindowPos(controls_[i], nullptr, px(d.left), px(d.top), shownWidth, px(d.height),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(controls_[i], WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  for (HFONT font : old) DeleteObject(font);
  fitRows();
  InvalidateRect(hwnd_, nullptr, TRUE);
}

// The stage and question lists show all their rows, ten at most, without scrolling, as they do
// in the window's design: a row is one line of the list's font high, or less where ten such
// lines would not fit.
void EditWindow::fitRows() {
  for (const char* name : {"List1", "List2"}) {
    HWND list = control(name);
    HDC dc = GetDC(list);
    const HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, previous);
    ReleaseDC(list, dc);
    RECT inside;
    GetClientRect(list, &inside);
    const int rows = std::max(shell::kMaxStages, shell::kQuestionsPerStage);
    const int height = std::min<int>(metrics.tmHeight, (inside.bottom - inside.top) / rows);
    SendMessageW(list, LB_SETITEMHEIGHT, 0, std::max(height, 1));
  }
}

// Logical pixels of 96 per inch, as the Qt window reports on any screen; the DPI of the
// screen scales the window on top of them.
double EditWindow::twipsPerPixelY() const { return 1440.0 / 96.0; }

void EditWindow::scaleWindow(double factor) {
  factor_ = factor;
  place();
}

HWND EditWindow::control(std::string_view name) const { return controls_[window::controlId(name)]; }

int EditWindow::indexOf(HWND hwnd) const {
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    if (controls_[i] == hwnd) return static_cast<int>(i);
  }
  return -1;
}

LRESULT CALLBACK EditWindow::windowProc(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<EditWindow*>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<EditWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(hwnd, message, w, l);
  return self->onMessage(message, w, l);
}

LRESULT EditWindow::onMessage(UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_COMMAND:
      if (l != 0) {
        onCommand(reinterpret_cast<HWND>(l), HIWORD(w));
      } else if (const int i = LOWORD(w) - kFirstId;
                 i >= 0 && i < static_cast<int>(controls_.size()) &&
                 window::controls()[static_cast<std::size_t>(i)].kind == Kind::MenuItem) {
        driver_.clicked(static_cast<window::ControlId>(i));  // a menu item, or its key
      }
      return 0;
    case WM_CTLCOLORSTATIC:
      return colourStatic(reinterpret_cast<HDC>(w), reinterpret_cast<HWND>(l));
    case WM_CTLCOLOREDIT: {
      const LRESULT brush = DefWindowProcW(hwnd_, message, w, l);
      const int i = indexOf(reinterpret_cast<HWND>(l));
      if (i >= 0) SetTextColor(reinterpret_cast<HDC>(w), textColours_[static_cast<std::size_t>(i)]);
      return brush;
    }
    case WM_CLOSE:
      // Closing by the frame unloads the editor once (the window goes when it has); the answer
      // Отмена to the question about an unsaved question leaves it as it is.
      if (driver_.closing() && IsWindow(hwnd_)) DestroyWindow(hwnd_);
      return 0;
    case kRefusedMessage:
      showNote(reinterpret_cast<HWND>(w), static_cast<char32_t>(l));
      return 0;
    case kLessonNews:
      driver_.lessonNews();
      return 0;
    case WM_TIMER:
      if (w != kNoteTimer) return DefWindowProcW(hwnd_, message, w, l);
      KillTimer(hwnd_, kNoteTimer);
      ShowWindow(note_, SW_HIDE);
      return 0;
    case WM_DESTROY:
      destroyed_ = true;
      PostQuitMessage(exitCode());
      return 0;
    case WM_DPICHANGED: {
      dpi_ = HIWORD(w);
      place();
      const auto* suggested = reinterpret_cast<const RECT*>(l);
      SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    default:
      return DefWindowProcW(hwnd_, message, w, l);
  }
}

// Labels, options and frames on the window's colour or on their frame's.
LRESULT EditWindow::colourStatic(HDC dc, HWND hwnd) {
  if (hwnd == note_) {
    SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
    SetBkColor(dc, GetSysColor(COLOR_INFOBK));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_INFOBK));
  }
  const int i = indexOf(hwnd);
  if (i < 0) return DefWindowProcW(hwnd_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd));
  const ControlDesign& d = window::controls()[static_cast<std::size_t>(i)];
  if (d.kind == Kind::TextBox || d.kind == Kind::MultiLineBox) {
    return DefWindowProcW(hwnd_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd));
  }
  const bool onWindow = d.container == window::kWindowName && d.kind != Kind::Frame;
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  SetBkColor(dc, colour(onWindow ? window::kWindowRgb : window::kFrameRgb));
  return reinterpret_cast<LRESULT>(onWindow ? windowBrush_ : frameBrush_);
}

// A button or an option button clicked, a list's row chosen by the user (with the mouse or the
// arrow keys; the focus alone chooses none).
void EditWindow::onCommand(HWND hwnd, int code) {
  const int i = indexOf(hwnd);
  if (i < 0) return;
  const auto id = static_cast<window::ControlId>(i);
  const Kind kind = window::controls()[id].kind;
  if (code == BN_CLICKED && (kind == Kind::Button || kind == Kind::Option)) {
    driver_.clicked(id);
  } else if (code == LBN_SELCHANGE) {
    driver_.chosen(id, static_cast<int>(SendMessageW(hwnd, LB_GETCURSEL, 0, 0)));
  }
}

// The note under a field that says which character it left out and why, in the window's font,
// two fifths of the window wide (above the field where there is no room under it); it goes
// after a few seconds, or shows the next refusal instead.
void EditWindow::showNote(HWND field, char32_t c) {
  if (indexOf(field) < 0 || note_ == nullptr) return;
  const std::wstring text = fromUtf8(window::refusalText(c, ruleOf(field)));
  const HFONT font = fonts_[static_cast<std::size_t>(window::kWindowFont)];
  SendMessageW(note_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  SetWindowTextW(note_, text.c_str());
  RECT client;
  GetClientRect(hwnd_, &client);
  const int width = client.right * 2 / 5;
  RECT box{0, 0, width - 2, 0};
  HDC dc = GetDC(note_);
  const HGDIOBJ previous = SelectObject(dc, font);
  DrawTextW(dc, text.c_str(), -1, &box, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  SelectObject(dc, previous);
  ReleaseDC(note_, dc);
  const int height = box.bottom + 2;
  RECT at;
  GetWindowRect(field, &at);
  MapWindowPoints(HWND_DESKTOP, hwnd_, reinterpret_cast<POINT*>(&at), 2);
  const int x = std::clamp<int>(at.left, 0, std::max<int>(0, client.right - width));
  const int y = at.bottom + 2 + height <= client.bottom ? at.bottom + 2 : at.top - height - 2;
  SetWindowPos(note_, HWND_TOP, x, y, width, height, SWP_SHOWWINDOW | SWP_NOACTIVATE);
  InvalidateRect(note_, nullptr, TRUE);
  SetTimer(hwnd_, kNoteTimer, 8000, nullptr);
}

std::u16string EditWindow::text(window::ControlId field) const {
  HWND control = controls_[field];
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  return units(text);
}

void EditWindow::setText(window::ControlId control, const std::u16string& text) {
  if (controls_[control] == nullptr) {
    // A menu item: its key stays shown after a tab, its state as it was.
    const auto shortcut = window::controls()[control].shortcut;
    std::wstring caption = wide(text) + (shortcut.empty() ? L"" : L"\t" + fromUtf8(shortcut));
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STRING;
    item.dwTypeData = caption.data();
    SetMenuItemInfoW(menus_[control], static_cast<UINT>(kFirstId + control), FALSE, &item);
    return;
  }
  SetWindowTextW(controls_[control], wide(text).c_str());
}

void EditWindow::setRows(window::ControlId list, const std::vector<std::u16string>& rows) {
  HWND box = controls_[list];
  SendMessageW(box, WM_SETREDRAW, FALSE, 0);
  SendMessageW(box, LB_RESETCONTENT, 0, 0);
  for (const auto& row : rows) {
    SendMessageW(box, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(row).c_str()));
  }
  SendMessageW(box, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(box, nullptr, TRUE);
}

void EditWindow::select(window::ControlId list, int row) {
  HWND box = controls_[list];
  if (SendMessageW(box, LB_GETCURSEL, 0, 0) != row) SendMessageW(box, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
}

bool EditWindow::enabled(window::ControlId control) const {
  if (controls_[control] == nullptr) {
    const UINT state = GetMenuState(menus_[control], static_cast<UINT>(kFirstId + control), MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && (state & (MF_GRAYED | MF_DISABLED)) == 0;
  }
  return IsWindowEnabled(controls_[control]) != FALSE;
}

void EditWindow::setEnabled(window::ControlId control, bool enabled) {
  if (controls_[control] == nullptr) {
    EnableMenuItem(menus_[control], static_cast<UINT>(kFirstId + control),
                   MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    return;
  }
  EnableWindow(controls_[control], enabled ? TRUE : FALSE);
}

void EditWindow::setChecked(window::ControlId option, bool checked) {
  SendMessageW(controls_[option], BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void EditWindow::setTextColour(window::ControlId field, window::Rgb colour) {
  textColours_[field] = RGB(colour.red, colour.green, colour.blue);
  InvalidateRect(controls_[field], nullptr, FALSE);
}

void EditWindow::setPicture(window::ControlId, const std::string& bytes) { picture_->show(bytes); }

// As the Tab key gives the focus: a text field's text selected.
void EditWindow::focus(window::ControlId control) {
  SetFocus(controls_[control]);
  const Kind kind = window::controls()[control].kind;
  if (kind == Kind::TextBox || kind == Kind::MultiLineBox) SendMessageW(controls_[control], EM_SETSEL, 0, -1);
}

void EditWindow::showError(const std::string& message) { win32::showError(hwnd_, message); }

void EditWindow::quit(int) { DestroyWindow(hwnd_); }

std::optional<std::filesystem::path> EditWindow::chooseFile(const window::FileDialog& dialog) {
  return win32::chooseFile(hwnd_, dialog);
}

window::ImportAnswer EditWindow::importDialog(const window::ImportDialog& dialog) {
  return win32::importDialog(instance_, hwnd_, dialog);
}

std::optional<std::filesystem::path> EditWindow::chooseFolder(const window::FolderDialog& dialog) {
  return win32::chooseFolder(hwnd_, dialog);
}

std::optional<std::size_t> EditWindow::listDialog(const window::ListDialog& dialog) {
  return win32::listDialog(instance_, hwnd_, dialog);
}

// A menu cannot hide an item: an item to hide leaves its menu, and comes back at its place among
// the items shown.
void EditWindow::setItem(window::ControlId item, const std::u16string& caption) {
  itemShown_.resize(controls_.size(), true);
  const auto designs = window::controls();
  UINT at = 0;
  for (window::ControlId i = 0; i < item; ++i) {
    if (designs[i].kind == Kind::MenuItem && designs[i].container == designs[item].container && itemShown_[i]) ++at;
  }
  HMENU menu = menus_[item];
  const auto id = static_cast<UINT_PTR>(kFirstId + item);
  const bool separator = caption == u"-";
  const std::wstring text = wide(caption);
  if (caption.empty()) {
    if (itemShown_[item]) RemoveMenu(menu, at, MF_BYPOSITION);
  } else if (!itemShown_[item]) {
    InsertMenuW(menu, at, MF_BYPOSITION | (separator ? MF_SEPARATOR : MF_STRING), id, separator ? nullptr : text.c_str());
  } else if (!separator) {
    ModifyMenuW(menu, at, MF_BYPOSITION | MF_STRING, id, text.c_str());
  }
  itemShown_[item] = !caption.empty();
  DrawMenuBar(hwnd_);
}

std::optional<std::size_t> EditWindow::historyDialog(const window::HistoryDialog& dialog) {
  return win32::historyDialog(instance_, hwnd_, dialog);
}

HWND EditWindow::lessonWindow() const { return lesson_ != nullptr ? lesson_->handle() : nullptr; }

// A window gone (ended by its own button) is replaced here, outside its own messages.
void EditWindow::showLesson(const window::LessonTable& table) {
  if (lesson_ == nullptr || lesson_->handle() == nullptr) {
    lesson_ = std::make_unique<LessonWindow>(instance_, hwnd_, [this] { driver_.endLesson(); });
  }
  lesson_->show(table);
}

void EditWindow::raiseLesson() {
  if (lesson_ != nullptr) lesson_->raise();
}

// Its window goes at once; the object stays until the next lesson, as this may be called from
// the window's own button.
void EditWindow::closeLesson() {
  if (lesson_ != nullptr) lesson_->close();
}

// On the lesson's thread: one message to the window's own thread.
void EditWindow::postLessonNews() { PostMessageW(hwnd_, kLessonNews, 0, 0); }

HWND EditWindow::resultsWindow() const { return results_ != nullptr ? results_->handle() : nullptr; }

// A window gone (closed by its frame) is replaced here, outside its own messages.
void EditWindow::showResults(const window::ResultsView& view) {
  if (results_ == nullptr || results_->handle() == nullptr) {
    ResultsWindow::Events events{[this](bool all) { driver_.resultsScope(all); },
                                 [this](int row) { driver_.resultsChosen(row); },
                                 [this](window::ResultsAction action) { driver_.resultsAction(action); },
                                 [this](int row) {
                                   driver_.resultsQuestion(row);
                                   // The question is shown in the editor's form: the editor comes
                                   // to the front.
                                   if (!ended() && hwnd_ != nullptr) SetForegroundWindow(hwnd_);
                                 },
                                 [this] { driver_.resultsClosed(); }};
    results_ = std::make_unique<ResultsWindow>(instance_, hwnd_, std::move(events));
  }
  results_->show(view);
}

void EditWindow::raiseResults() {
  if (results_ != nullptr) results_->raise();
}

std::optional<pictures::Image> EditWindow::clipboardImage() { return win32::clipboardImage(hwnd_, clipboardImages_); }

// Whether a key of a menu item that works only on some controls (Ctrl+V on the picture list)
// comes from another control, where it is that control's own (a text field's paste).
bool EditWindow::keyElsewhere(const MSG& message) const {
  if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) return false;
  const int at = indexOf(message.hwnd);
  const auto designs = window::controls();
  for (const ControlDesign& d : designs) {
    const auto places = window::keyPlaces(d.name);
    if (d.shortcut.empty() || places.empty()) continue;
    const ACCEL key = accelerator(d.shortcut, 0);
    if (message.wParam != key.key || ((GetKeyState(VK_CONTROL) & 0x8000) != 0) != ((key.fVirt & FCONTROL) != 0) ||
        ((GetKeyState(VK_SHIFT) & 0x8000) != 0) != ((key.fVirt & FSHIFT) != 0) ||
        ((GetKeyState(VK_MENU) & 0x8000) != 0) != ((key.fVirt & FALT) != 0))
      continue;
    for (const std::string_view place : places) {
      if (at >= 0 && static_cast<window::ControlId>(at) == window::controlId(place)) return false;
    }
    return true;
  }
  return false;
}

// Ctrl+Z in a field with typing to take back is the field's own undo; elsewhere, and in a field
// with none, it is the history's (the menu's key).
static bool fieldUndoes(const MSG& message) {
  if (message.message != WM_KEYDOWN || message.wParam != 'Z' || (GetKeyState(VK_CONTROL) & 0x8000) == 0 ||
      (GetKeyState(VK_SHIFT) & 0x8000) != 0 || (GetKeyState(VK_MENU) & 0x8000) != 0) {
    return false;
  }
  wchar_t kind[16] = {};
  GetClassNameW(message.hwnd, kind, 16);
  return lstrcmpiW(kind, L"EDIT") == 0 && SendMessageW(message.hwnd, EM_CANUNDO, 0, 0) != 0;
}

bool EditWindow::preTranslate(MSG& message) {
  if (ended()) return false;
  if (lesson_ != nullptr && lesson_->preTranslate(message)) return true;
  if (results_ != nullptr && results_->preTranslate(message)) return true;
  if (keys_ != nullptr && !fieldUndoes(message) && !keyElsewhere(message) && (message.hwnd == hwnd_ || IsChild(hwnd_, message.hwnd)) &&
      TranslateAcceleratorW(hwnd_, keys_, &message) != 0) {
    return true;
  }
  if (message.message != WM_KEYDOWN) return false;
  if (message.hwnd != hwnd_ && !IsChild(hwnd_, message.hwnd)) return false;
  const int at = indexOf(message.hwnd);
  const auto from = at < 0 ? controls_.size() : static_cast<window::ControlId>(at);
  if (message.wParam == VK_TAB) {
    focus(driver_.nextFocus(from, (GetKeyState(VK_SHIFT) & 0x8000) != 0));
    return true;
  }
  // The arrow keys move between the two option buttons and select the one they reach, as
  // between the buttons of one group.
  const bool arrow = message.wParam == VK_UP || message.wParam == VK_DOWN ||
                     message.wParam == VK_LEFT || message.wParam == VK_RIGHT;
  const auto options = window::options();
  for (std::size_t i = 0; arrow && i < options.size(); ++i) {
    if (from == window::controlId(options[i].control)) {
      const window::ControlId other = window::controlId(options[(i + 1) % options.size()].control);
      SetFocus(controls_[other]);
      driver_.clicked(other);
      return true;
    }
  }
  return false;
}

}  // namespace win32
