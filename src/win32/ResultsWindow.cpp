#include "win32/ResultsWindow.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>

#include "win32/Dpi.h"
#include "win32/Text.h"

namespace win32 {

namespace {

constexpr wchar_t kClassName[] = L"TestEditorResults";
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr int kWidth = 960, kHeight = 720;  // at 96 dots per inch
constexpr int kWidestColumn = 360;
constexpr COLORREF kProblemColour = RGB(176, 0, 0);
constexpr window::ResultsAction kActions[4] = {window::ResultsAction::SaveXlsx, window::ResultsAction::SaveCsv,
                                              window::ResultsAction::Print, window::ResultsAction::Delete};

void setText(HWND control, const std::wstring& text) { SetWindowTextW(control, text.c_str()); }

}  // namespace

ResultsWindow::ResultsWindow(HINSTANCE instance, HWND editor, Events events) : events_(std::move(events)) {
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
  RegisterClassExW(&type);  // fails harmlessly when a window before this one registered it

  hwnd_ = CreateWindowExW(0, kClassName, L"", kStyle, CW_USEDEFAULT, CW_USEDEFAULT, kWidth, kHeight, editor, nullptr,
                          instance, this);
  dpi_ = windowDpi(hwnd_);
  const auto add = [&](const wchar_t* kind, DWORD style, int id, std::string_view caption = {}, DWORD extended = 0) {
    HWND control = CreateWindowExW(extended, kind, fromUtf8(caption).c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0,
                                   hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    return control;
  };
  const DWORD list = LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP;
  thisTest_ = add(L"BUTTON", BS_AUTORADIOBUTTON | WS_TABSTOP | WS_GROUP, kThisTest, window::dialog::kResultsThisTest);
  allTests_ = add(L"BUTTON", BS_AUTORADIOBUTTON, kAllTests, window::dialog::kResultsAllTests);
  problem_ = add(L"STATIC", SS_LEFT | SS_NOPREFIX, kProblem);
  lessonsHeading_ = add(L"STATIC", SS_LEFT | SS_NOPREFIX, kLessonsHeading, window::dialog::kResultsLessons);
  lessons_ = add(WC_LISTVIEWW, list | WS_GROUP, kLessons, {}, WS_EX_CLIENTEDGE);
  rowsHeading_ = add(L"STATIC", SS_LEFT | SS_NOPREFIX, kRowsHeading, window::dialog::kResultsTable);
  rows_ = add(WC_LISTVIEWW, list, kRows, {}, WS_EX_CLIENTEDGE);
  statisticsHeading_ = add(L"STATIC", SS_LEFT | SS_NOPREFIX, kStatisticsHeading, window::dialog::kResultsStatistics);
  notes_ = add(L"STATIC", SS_LEFT | SS_NOPREFIX, kNotes);
  statistics_ = add(WC_LISTVIEWW, list, kStatistics, {}, WS_EX_CLIENTEDGE);
  const std::string_view captions[4] = {window::dialog::kResultsSaveXlsx, window::dialog::kResultsSaveCsv,
                                        window::dialog::kResultsPrint, window::dialog::kResultsDelete};
  for (int i = 0; i < 4; ++i) buttons_[i] = add(L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, kSaveXlsx + i, captions[i]);
  for (HWND table : {lessons_, rows_, statistics_}) {
    // A cell cut short shows whole under the mouse.
    SendMessageW(table, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_LABELTIP);
  }
  SendMessageW(thisTest_, BM_SETCHECK, BST_CHECKED, 0);
  makeFonts();
  const RECT frame = frameAround({0, 0, scaled(kWidth), scaled(kHeight)}, kStyle, 0, dpi_);
  RECT owner;
  GetWindowRect(editor, &owner);
  SetWindowPos(hwnd_, nullptr, owner.left + scaled(60), owner.top + scaled(30), frame.right - frame.left,
               frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
  layout();
}

ResultsWindow::~ResultsWindow() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
  if (font_ != nullptr) DeleteObject(font_);
}

int ResultsWindow::scaled(int pixels) const { return MulDiv(pixels, static_cast<int>(dpi_), 96); }

void ResultsWindow::makeFonts() {
  const HFONT old = font_;
  font_ = CreateFontW(-static_cast<int>(std::lround(9.0 * dpi_ / 72.0)), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                      DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                      DEFAULT_PITCH | FF_SWISS, L"Segoe UI");
  for (HWND control = GetWindow(hwnd_, GW_CHILD); control != nullptr; control = GetWindow(control, GW_HWNDNEXT)) {
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
  }
  HDC dc = GetDC(hwnd_);
  const HGDIOBJ previous = SelectObject(dc, font_);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, previous);
  ReleaseDC(hwnd_, dc);
  lineHeight_ = metrics.tmHeight + metrics.tmExternalLeading;
  if (old != nullptr) DeleteObject(old);
}

// Top to bottom: the switch, the problem when there is one, the lessons, the chosen lesson's
// table, the notes and the statistics sharing the room left, the buttons at the bottom.
void ResultsWindow::layout() {
  RECT client;
  GetClientRect(hwnd_, &client);
  const int margin = scaled(10), gap = scaled(4);
  const int width = std::max<int>(0, client.right - 2 * margin);
  const int buttonHeight = lineHeight_ + scaled(12);
  const int buttonTop = client.bottom - margin - buttonHeight;
  int y = margin;
  const auto place = [&](HWND control, int height) {
    SetWindowPos(control, nullptr, margin, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    y += height + gap;
  };
  const int radio = lineHeight_ + scaled(6);
  SetWindowPos(thisTest_, nullptr, margin, y, scaled(180), radio, SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(allTests_, nullptr, margin + scaled(190), y, scaled(180), radio, SWP_NOZORDER | SWP_NOACTIVATE);
  y += radio + gap;
  if (IsWindowVisible(problem_)) place(problem_, 2 * lineHeight_);
  const int fixed = 3 * (lineHeight_ + gap) + static_cast<int>(noteLines_) * lineHeight_ + 3 * gap;
  const int room = std::max(0, buttonTop - gap - y - fixed);
  place(lessonsHeading_, lineHeight_);
  place(lessons_, room * 3 / 10);
  place(rowsHeading_, lineHeight_);
  place(rows_, room * 35 / 100);
  place(statisticsHeading_, lineHeight_);
  if (noteLines_ > 0) place(notes_, static_cast<int>(noteLines_) * lineHeight_);
  place(statistics_, std::max(0, buttonTop - gap - y));
  const int buttonWidth = scaled(170);
  for (int i = 0; i < 4; ++i) {
    SetWindowPos(buttons_[i], nullptr, margin + i * (buttonWidth + scaled(8)), buttonTop, buttonWidth, buttonHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

// The list's columns and rows anew, every column as wide as its texts and its caption but none so
// wide that the next ones go out of sight; a marked row keeps its mark in its item's data.
void ResultsWindow::fill(HWND list, const std::vector<std::string>& columns,
                         const std::vector<std::vector<std::string>>& rows, const std::vector<bool>& marked) {
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
  HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  for (int n = header != nullptr ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0; n > 0; --n) {
    SendMessageW(list, LVM_DELETECOLUMN, 0, 0);
  }
  for (std::size_t c = 0; c < columns.size(); ++c) {
    std::wstring text = fromUtf8(columns[c]);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = scaled(80);
    column.pszText = text.data();
    SendMessageW(list, LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&column));
  }
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (std::size_t c = 0; c < rows[r].size() && c < columns.size(); ++c) {
      std::wstring text = fromUtf8(rows[r][c]);
      LVITEMW item{};
      item.iItem = static_cast<int>(r);
      item.iSubItem = static_cast<int>(c);
      item.pszText = text.data();
      if (c == 0) {
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.lParam = r < marked.size() && marked[r] ? 1 : 0;
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
      } else {
        item.mask = LVIF_TEXT;
        SendMessageW(list, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
      }
    }
  }
  for (std::size_t c = 0; c < columns.size(); ++c) {
    int width = 0;
    if (!rows.empty()) {
      SendMessageW(list, LVM_SETCOLUMNWIDTH, c, LVSCW_AUTOSIZE);
      width = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, c, 0));
    }
    const std::wstring caption = fromUtf8(columns[c]);
    const int text = static_cast<int>(SendMessageW(list, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(caption.c_str())));
    SendMessageW(list, LVM_SETCOLUMNWIDTH, c, std::min(std::max(width, text + scaled(16)), scaled(kWidestColumn)));
  }
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

int ResultsWindow::selectedRow(HWND list) const {
  return static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void ResultsWindow::show(const window::ResultsView& view) {
  if (hwnd_ == nullptr) return;
  drawing_ = true;
  setText(hwnd_, fromUtf8(view.title));
  SendMessageW(thisTest_, BM_SETCHECK, view.allTests ? BST_UNCHECKED : BST_CHECKED, 0);
  SendMessageW(allTests_, BM_SETCHECK, view.allTests ? BST_CHECKED : BST_UNCHECKED, 0);
  setText(problem_, fromUtf8(view.problem));
  ShowWindow(problem_, view.problem.empty() ? SW_HIDE : SW_SHOWNOACTIVATE);
  fill(lessons_, view.lessonColumns, view.lessons, {});
  if (view.chosen >= 0) {
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(lessons_, LVM_SETITEMSTATE, static_cast<WPARAM>(view.chosen), reinterpret_cast<LPARAM>(&state));
    SendMessageW(lessons_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(view.chosen), FALSE);
  }
  std::vector<std::vector<std::string>> rows;
  std::vector<bool> marked;
  for (const auto& row : view.rows) {
    rows.push_back(row.cells);
    marked.push_back(row.marked);
  }
  fill(rows_, view.columns, rows, marked);
  std::wstring notes;
  for (const auto& note : view.notes) notes += (notes.empty() ? L"" : L"\r\n") + fromUtf8(note);
  setText(notes_, notes);
  noteLines_ = view.notes.size();
  ShowWindow(notes_, view.notes.empty() ? SW_HIDE : SW_SHOWNOACTIVATE);
  fill(statistics_, view.statisticsColumns, view.statistics, {});
  for (int i = 0; i < 3; ++i) EnableWindow(buttons_[i], view.exportable ? TRUE : FALSE);
  EnableWindow(buttons_[3], view.deletable ? TRUE : FALSE);
  layout();
  drawing_ = false;
  if (!IsWindowVisible(hwnd_)) ShowWindow(hwnd_, SW_SHOW);
}

void ResultsWindow::raise() {
  if (hwnd_ == nullptr) return;
  if (IsIconic(hwnd_)) ShowWindow(hwnd_, SW_RESTORE);
  SetForegroundWindow(hwnd_);
  SetFocus(lessons_);
}

bool ResultsWindow::preTranslate(MSG& message) {
  if (hwnd_ == nullptr || (message.hwnd != hwnd_ && !IsChild(hwnd_, message.hwnd))) return false;
  // Enter on a question shows it, before the dialog's keys take Enter for a default button.
  if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN && message.hwnd == statistics_) {
    if (const int row = selectedRow(statistics_); row >= 0) events_.question(row);
    return true;
  }
  return IsDialogMessageW(hwnd_, &message) != FALSE;
}

LRESULT CALLBACK ResultsWindow::windowProc(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<ResultsWindow*>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<ResultsWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(hwnd, message, w, l);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    return DefWindowProcW(hwnd, message, w, l);
  }
  return self->onMessage(message, w, l);
}

LRESULT ResultsWindow::onMessage(UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_COMMAND: {
      const int id = LOWORD(w);
      if (drawing_ || HIWORD(w) != BN_CLICKED) return 0;
      if (id == kThisTest || id == kAllTests) {
        events_.scope(id == kAllTests);
      } else if (id >= kSaveXlsx && id <= kDelete) {
        events_.action(kActions[id - kSaveXlsx]);
      }
      return 0;
    }
    case WM_CLOSE: {
      // The driver forgets what it read for the window; the window goes.
      const auto closed = events_.closed;
      DestroyWindow(hwnd_);
      closed();
      return 0;
    }
    case WM_SIZE:
      layout();
      return 0;
    case WM_GETMINMAXINFO: {
      auto* limits = reinterpret_cast<MINMAXINFO*>(l);
      limits->ptMinTrackSize = {scaled(640), scaled(480)};
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
      if (header->hwndFrom == lessons_ && header->code == LVN_ITEMCHANGED) {
        const auto* change = reinterpret_cast<const NMLISTVIEW*>(l);
        if (!drawing_ && (change->uNewState & LVIS_SELECTED) != 0 && (change->uOldState & LVIS_SELECTED) == 0) {
          events_.chosen(change->iItem);
        }
        return 0;
      }
      if (header->hwndFrom == statistics_ && header->code == NM_DBLCLK) {
        const int row = reinterpret_cast<const NMITEMACTIVATE*>(l)->iItem;
        if (!drawing_ && row >= 0) events_.question(row);
        return 0;
      }
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
