#include "win32/LessonWindow.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>

#include "win32/Dpi.h"
#include "win32/Text.h"

namespace win32 {

namespace {

constexpr wchar_t kClassName[] = L"TestEditorLesson";
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr int kWidth = 900, kHeight = 560;  // at 96 dots per inch
constexpr int kWidestColumn = 360;
constexpr COLORREF kProblemColour = RGB(176, 0, 0);

HFONT makeFont(double points, bool bold, UINT dpi) {
  return CreateFontW(-static_cast<int>(std::lround(points * dpi / 72.0)), 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE,
                     FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_SWISS, L"Segoe UI");
}

int lineHeight(HWND hwnd, HFONT font) {
  HDC dc = GetDC(hwnd);
  const HGDIOBJ previous = SelectObject(dc, font);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, previous);
  ReleaseDC(hwnd, dc);
  return metrics.tmHeight + metrics.tmExternalLeading;
}

void setText(HWND control, const std::wstring& text) { SetWindowTextW(control, text.c_str()); }

}  // namespace

LessonWindow::LessonWindow(HINSTANCE instance, HWND editor, std::function<void()> end) : ending_(std::move(end)) {
  INITCOMMONCONTROLSEX common{sizeof common, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&common);
  WNDCLASSEXW type{};
  type.cbSize = sizeof type;
  type.lpfnWndProc = windowProc;
  type.hInstance = instance;
  type.hIcon = reinterpret_cast<HICON>(GetClassLongPtrW(editor, GCLP_HICON));
  type.hIconSm = reinterpret_cast<HICON>(GetClassLongPtrW(editor, GCLP_HICONSM));
  type.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  type.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  type.lpszClassName = kClassName;
  RegisterClassExW(&type);  // fails harmlessly when a lesson before this one registered it

  // Owned by the editor's window: above it, and gone with it; not a child, so it moves freely.
  hwnd_ = CreateWindowExW(0, kClassName, L"", kStyle, CW_USEDEFAULT, CW_USEDEFAULT, kWidth, kHeight, editor, nullptr,
                          instance, this);
  dpi_ = windowDpi(hwnd_);
  const auto add = [&](const wchar_t* kind, DWORD style, int id, DWORD extended = 0) {
    return CreateWindowExW(extended, kind, L"", WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, hwnd_,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  };
  heading_ = add(L"STATIC", SS_LEFT | SS_NOPREFIX, kHeading);
  addresses_ = add(L"EDIT", ES_MULTILINE | ES_READONLY | WS_TABSTOP, kAddresses);
  finished_ = add(L"STATIC", SS_LEFT | SS_NOPREFIX, kFinished);
  problem_ = add(L"STATIC", SS_LEFT | SS_NOPREFIX, kProblem);
  ShowWindow(problem_, SW_HIDE);
  rows_ = add(WC_LISTVIEWW, LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP, kRows, WS_EX_CLIENTEDGE);
  // A cell cut short shows whole under the mouse.
  SendMessageW(rows_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_LABELTIP);
  end_ = add(L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, kEnd);
  setText(end_, fromUtf8(window::dialog::kLessonEnd));
  makeFonts();
  // The outer size of the designed client area at this DPI, over the editor's window.
  const RECT frame = frameAround({0, 0, scaled(kWidth), scaled(kHeight)}, kStyle, 0, dpi_);
  RECT owner;
  GetWindowRect(editor, &owner);
  SetWindowPos(hwnd_, nullptr, owner.left + scaled(40), owner.top + scaled(40), frame.right - frame.left,
               frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
  layout();
}

LessonWindow::~LessonWindow() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
  for (HFONT font : {font_, big_, bold_}) {
    if (font != nullptr) DeleteObject(font);
  }
}

int LessonWindow::scaled(int pixels) const { return MulDiv(pixels, static_cast<int>(dpi_), 96); }

void LessonWindow::makeFonts() {
  const HFONT old[] = {font_, big_, bold_};
  font_ = makeFont(9, false, dpi_);
  // Large enough to read from the back of the class off a projector.
  big_ = makeFont(22, true, dpi_);
  bold_ = makeFont(9, true, dpi_);
  for (HWND control : {heading_, problem_, rows_, end_}) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
  SendMessageW(addresses_, WM_SETFONT, reinterpret_cast<WPARAM>(big_), TRUE);
  SendMessageW(finished_, WM_SETFONT, reinterpret_cast<WPARAM>(bold_), TRUE);
  lineHeight_ = lineHeight(hwnd_, font_);
  bigLineHeight_ = lineHeight(hwnd_, big_);
  for (HFONT font : old) {
    if (font != nullptr) DeleteObject(font);
  }
}

// Top to bottom: the heading, the addresses, the count, the problem when there is one, the table
// in all the room left, the button at the bottom right.
void LessonWindow::layout() {
  RECT client;
  GetClientRect(hwnd_, &client);
  const int margin = scaled(10), gap = scaled(6);
  const int width = std::max<int>(0, client.right - 2 * margin);
  int y = margin;
  const auto place = [&](HWND control, int height) {
    SetWindowPos(control, nullptr, margin, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    y += height + gap;
  };
  place(heading_, lineHeight_);
  place(addresses_, bigLineHeight_ * static_cast<int>(addressLines_) + scaled(4));
  place(finished_, lineHeight_);
  if (IsWindowVisible(problem_)) place(problem_, 2 * lineHeight_);
  const int buttonHeight = lineHeight_ + scaled(12), buttonWidth = scaled(180);
  const int buttonTop = client.bottom - margin - buttonHeight;
  SetWindowPos(rows_, nullptr, margin, y, width, std::max(0, buttonTop - gap - y), SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(end_, nullptr, client.right - margin - buttonWidth, buttonTop, buttonWidth, buttonHeight,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void LessonWindow::show(const window::LessonTable& table) {
  if (hwnd_ == nullptr) return;
  setText(hwnd_, fromUtf8(table.title));
  setText(heading_, fromUtf8(table.heading));
  std::wstring addresses;
  for (const auto& address : table.addresses) addresses += (addresses.empty() ? L"" : L"\r\n") + fromUtf8(address);
  setText(addresses_, addresses);
  addressLines_ = std::max<std::size_t>(1, table.addresses.size());
  setText(finished_, fromUtf8(table.finished));
  setText(problem_, fromUtf8(table.problem));
  ShowWindow(problem_, table.problem.empty() ? SW_HIDE : SW_SHOWNOACTIVATE);

  SendMessageW(rows_, WM_SETREDRAW, FALSE, 0);
  if (table.columns != shownColumns_) {
    for (; columns_ > 0; --columns_) SendMessageW(rows_, LVM_DELETECOLUMN, 0, 0);
    for (const auto& caption : table.columns) {
      std::wstring text = fromUtf8(caption);
      LVCOLUMNW column{};
      column.mask = LVCF_TEXT | LVCF_WIDTH;
      column.cx = scaled(80);
      column.pszText = text.data();
      SendMessageW(rows_, LVM_INSERTCOLUMNW, columns_++, reinterpret_cast<LPARAM>(&column));
    }
    shownColumns_ = table.columns;
  }
  const int top = static_cast<int>(SendMessageW(rows_, LVM_GETTOPINDEX, 0, 0));
  SendMessageW(rows_, LVM_DELETEALLITEMS, 0, 0);
  for (std::size_t r = 0; r < table.rows.size(); ++r) {
    const window::LessonRow& row = table.rows[r];
    for (std::size_t c = 0; c < row.cells.size() && c < columns_; ++c) {
      std::wstring text = fromUtf8(row.cells[c]);
      LVITEMW item{};
      item.iItem = static_cast<int>(r);
      item.iSubItem = static_cast<int>(c);
      item.pszText = text.data();
      if (c == 0) {
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.lParam = row.marked ? 1 : 0;
        SendMessageW(rows_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
      } else {
        item.mask = LVIF_TEXT;
        SendMessageW(rows_, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
      }
    }
  }
  // Every column as wide as its texts and its caption (measured here: not every list view counts
  // the caption in), but none so wide that the next ones go out of sight.
  for (std::size_t c = 0; c < columns_; ++c) {
    int width = 0;
    if (!table.rows.empty()) {
      SendMessageW(rows_, LVM_SETCOLUMNWIDTH, c, LVSCW_AUTOSIZE);
      width = static_cast<int>(SendMessageW(rows_, LVM_GETCOLUMNWIDTH, c, 0));
    }
    const std::wstring caption = fromUtf8(table.columns[c]);
    const int header = static_cast<int>(SendMessageW(rows_, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(caption.c_str())));
    width = std::min(std::max(width, header + scaled(16)), scaled(kWidestColumn));
    SendMessageW(rows_, LVM_SETCOLUMNWIDTH, c, width);
  }
  if (top > 0 && !table.rows.empty()) {
    SendMessageW(rows_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(std::min<std::size_t>(top, table.rows.size() - 1)), FALSE);
  }
  SendMessageW(rows_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(rows_, nullptr, TRUE);
  layout();
  if (!IsWindowVisible(hwnd_)) ShowWindow(hwnd_, SW_SHOW);
}

void LessonWindow::raise() {
  if (hwnd_ == nullptr) return;
  if (IsIconic(hwnd_)) ShowWindow(hwnd_, SW_RESTORE);
  SetForegroundWindow(hwnd_);
  SetFocus(end_);
}

void LessonWindow::close() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);  // clears hwnd_ as it goes
}

bool LessonWindow::preTranslate(MSG& message) {
  if (hwnd_ == nullptr || (message.hwnd != hwnd_ && !IsChild(hwnd_, message.hwnd))) return false;
  return IsDialogMessageW(hwnd_, &message) != FALSE;
}

LRESULT CALLBACK LessonWindow::windowProc(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<LessonWindow*>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<LessonWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(hwnd, message, w, l);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    return DefWindowProcW(hwnd, message, w, l);
  }
  return self->onMessage(message, w, l);
}

LRESULT LessonWindow::onMessage(UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(w) == kEnd && HIWORD(w) == BN_CLICKED) ending_();
      return 0;
    case WM_CLOSE:
      // The lesson goes on until the teacher has said so; the window goes when it ends.
      ending_();
      return 0;
    case WM_SIZE:
      layout();
      return 0;
    case WM_GETMINMAXINFO: {
      auto* limits = reinterpret_cast<MINMAXINFO*>(l);
      limits->ptMinTrackSize = {scaled(480), scaled(320)};
      return 0;
    }
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(l) == problem_) {
        SetTextColor(reinterpret_cast<HDC>(w), kProblemColour);
        SetBkColor(reinterpret_cast<HDC>(w), GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
      }
      return DefWindowProcW(hwnd_, message, w, l);
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(l);
      if (header->hwndFrom != rows_ || header->code != NM_CUSTOMDRAW) return DefWindowProcW(hwnd_, message, w, l);
      auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(l);
      if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
      if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT && draw->nmcd.lItemlParam != 0) {
        draw->clrTextBk = RGB(window::kMarkedRowRgb[0], window::kMarkedRowRgb[1], window::kMarkedRowRgb[2]);
      }
      return CDRF_DODEFAULT;
    }
    case WM_DPICHANGED: {
      dpi_ = HIWORD(w);
      makeFonts();
      const auto* suggested = reinterpret_cast<const RECT*>(l);
      SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      layout();
      return 0;
    }
    default:
      return DefWindowProcW(hwnd_, message, w, l);
  }
}

}  // namespace win32
