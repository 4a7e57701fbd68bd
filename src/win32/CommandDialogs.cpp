#include "win32/CommandDialogs.h"

#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>
#include <vector>

#include "shell/Layout.h"
#include "win32/Text.h"
#include "window/Fields.h"

namespace win32 {

std::optional<std::filesystem::path> chooseFile(HWND owner, const window::FileDialog& dialog) {
  // "name\0pattern\0" for each kind, then one more "\0".
  std::wstring filters;
  for (const auto& [name, pattern] : dialog.filters) {
    // The system's patterns are separated by ";".
    std::wstring patterns = pattern == "*" ? L"*.*" : fromUtf8(pattern);
    std::replace(patterns.begin(), patterns.end(), L' ', L';');
    filters += fromUtf8(name) + L" (" + fromUtf8(pattern) + L")" + L'\0' + patterns + L'\0';
  }
  filters += L'\0';
  std::wstring file = fromUtf8(dialog.name);
  file.resize(32768, L'\0');
  const std::wstring title = fromUtf8(dialog.title);
  const std::wstring folder = dialog.folder.wstring();
  const std::wstring extension = fromUtf8(dialog.extension);
  OPENFILENAMEW chooser{};
  chooser.lStructSize = sizeof chooser;
  chooser.hwndOwner = owner;
  chooser.lpstrFilter = filters.c_str();
  chooser.nFilterIndex = 1;
  chooser.lpstrFile = file.data();
  chooser.nMaxFile = static_cast<DWORD>(file.size());
  chooser.lpstrInitialDir = folder.c_str();
  chooser.lpstrTitle = title.c_str();
  chooser.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
  chooser.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
  const BOOL chosen = dialog.save ? (chooser.Flags |= OFN_OVERWRITEPROMPT, GetSaveFileNameW(&chooser))
                                  : (chooser.Flags |= OFN_FILEMUSTEXIST, GetOpenFileNameW(&chooser));
  if (!chosen) return std::nullopt;
  return std::filesystem::path(file.c_str());
}

namespace {

int CALLBACK startAt(HWND box, UINT message, LPARAM, LPARAM folder) {
  if (message == BFFM_INITIALIZED) SendMessageW(box, BFFM_SETSELECTIONW, TRUE, folder);
  return 0;
}

}  // namespace

std::optional<std::filesystem::path> chooseFolder(HWND owner, const window::FolderDialog& dialog) {
  // The dialog of the newer style is made of COM objects.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const std::wstring title = fromUtf8(dialog.title);
  const std::wstring start = dialog.folder.wstring();
  wchar_t name[MAX_PATH] = {};
  BROWSEINFOW info{};
  info.hwndOwner = owner;
  info.pszDisplayName = name;
  info.lpszTitle = title.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_EDITBOX;
  info.lpfn = startAt;
  info.lParam = reinterpret_cast<LPARAM>(start.c_str());
  std::optional<std::filesystem::path> folder;
  if (PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info)) {
    wchar_t path[MAX_PATH] = {};
    if (SHGetPathFromIDListW(chosen, path)) folder = std::filesystem::path(path);
    CoTaskMemFree(chosen);
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return folder;
}

namespace {

// What the dialog's procedure works on: the dialog's data, and the teacher's answer.
struct ImportState {
  const window::ImportDialog* dialog;
  window::ImportAnswer answer;
};

// A control of the dialog at its place in dialog units.
HWND add(HWND box, const wchar_t* type, const std::wstring& text, DWORD style, int id, RECT place,
         DWORD extended = 0) {
  MapDialogRect(box, &place);
  HWND control = CreateWindowExW(extended, type, text.c_str(), WS_CHILD | WS_VISIBLE | style, place.left, place.top,
                                 place.right - place.left, place.bottom - place.top, box,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
  SendMessageW(control, WM_SETFONT, SendMessageW(box, WM_GETFONT, 0, 0), FALSE);
  return control;
}

// A dialog over the window it belongs to, not in the middle of the screen.
void centreOverOwner(HWND box) {
  RECT owner, self;
  GetWindowRect(GetWindow(box, GW_OWNER), &owner);
  GetWindowRect(box, &self);
  const int w = self.right - self.left, h = self.bottom - self.top;
  SetWindowPos(box, nullptr, owner.left + (owner.right - owner.left - w) / 2, owner.top + (owner.bottom - owner.top - h) / 2,
               0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

workbench::Position chosen(HWND box) {
  return {static_cast<int>(SendDlgItemMessageW(box, kImportStage, CB_GETCURSEL, 0, 0)) + 1,
          static_cast<int>(SendDlgItemMessageW(box, kImportQuestion, CB_GETCURSEL, 0, 0)) + 1};
}

void showPreview(HWND box, const ImportState& state) {
  const window::ImportPreview preview = state.dialog->preview(chosen(box));
  const std::wstring summary = wide(window::boxText(units(fromUtf8(preview.summary)), u"\r\n"));
  SetDlgItemTextW(box, kImportSummary, summary.c_str());
  EnableWindow(GetDlgItem(box, IDOK), preview.importable ? TRUE : FALSE);
  SendMessageW(box, DM_SETDEFID, preview.importable ? IDOK : kImportAgain, 0);
}

void build(HWND box, const ImportState& state) {
  namespace text = window::dialog;
  const window::ImportDialog& d = *state.dialog;
  SetWindowTextW(box, fromUtf8(text::kImportTitle).c_str());
  add(box, L"STATIC", fromUtf8(text::kFile) + L" " + fromUtf8(d.file), SS_LEFT | SS_NOPREFIX, kImportFile,
      {7, 7, 313, 25});
  add(box, L"STATIC", fromUtf8(text::kStartStage), SS_LEFT | SS_NOPREFIX, -1, {7, 30, 107, 40});
  HWND stage = add(box, L"COMBOBOX", L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_GROUP, kImportStage,
                   {108, 28, 138, 150});
  add(box, L"STATIC", fromUtf8(text::kStartQuestion), SS_LEFT | SS_NOPREFIX, -1, {143, 30, 175, 40});
  HWND question = add(box, L"COMBOBOX", L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, kImportQuestion,
                      {176, 28, 206, 150});
  for (int s = 1; s <= d.stages; ++s) SendMessageW(stage, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::to_wstring(s).c_str()));
  for (int q = 1; q <= shell::kQuestionsPerStage; ++q) {
    SendMessageW(question, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::to_wstring(q).c_str()));
  }
  SendMessageW(stage, CB_SETCURSEL, static_cast<WPARAM>(d.start.stage - 1), 0);
  SendMessageW(question, CB_SETCURSEL, static_cast<WPARAM>(d.start.question - 1), 0);
  add(box, L"EDIT", L"", ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP, kImportSummary,
      {7, 46, 313, 196}, WS_EX_CLIENTEDGE);
  add(box, L"BUTTON", fromUtf8(text::kImport), BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, IDOK, {93, 203, 163, 217});
  add(box, L"BUTTON", fromUtf8(text::kReadAgain), BS_PUSHBUTTON | WS_TABSTOP, kImportAgain, {167, 203, 249, 217});
  add(box, L"BUTTON", fromUtf8(text::kCancel), BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL, {253, 203, 313, 217});
  showPreview(box, state);
  SetFocus(stage);
  centreOverOwner(box);
}

INT_PTR CALLBACK importProc(HWND box, UINT message, WPARAM w, LPARAM l) {
  auto* state = reinterpret_cast<ImportState*>(GetWindowLongPtrW(box, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(box, DWLP_USER, l);
      build(box, *reinterpret_cast<ImportState*>(l));
      return FALSE;  // the focus is set
    case WM_COMMAND: {
      const int id = LOWORD(w);
      if ((id == kImportStage || id == kImportQuestion) && HIWORD(w) == CBN_SELCHANGE) {
        showPreview(box, *state);
        return TRUE;
      }
      if (id == IDOK || id == kImportAgain || id == IDCANCEL) {
        if (id == IDOK && !IsWindowEnabled(GetDlgItem(box, IDOK))) return TRUE;
        state->answer.choice = id == IDOK           ? window::ImportAnswer::Import
                               : id == kImportAgain ? window::ImportAnswer::ReadAgain
                                                    : window::ImportAnswer::Cancel;
        state->answer.start = chosen(box);
        EndDialog(box, id);
        return TRUE;
      }
      return FALSE;
    }
    default:
      return FALSE;
  }
}

// The list dialog's data and the row chosen.
struct ListState {
  const window::ListDialog* dialog;
  std::optional<std::size_t> chosen;
};

std::wstring cells(const std::vector<std::string>& row) {
  std::wstring line;
  for (std::size_t i = 0; i < row.size(); ++i) line += (i == 0 ? L"" : L"\t") + fromUtf8(row[i]);
  return line;
}

void buildList(HWND box, const ListState& state) {
  const window::ListDialog& d = *state.dialog;
  SetWindowTextW(box, fromUtf8(d.title).c_str());
  add(box, L"STATIC", fromUtf8(d.heading), SS_LEFT | SS_NOPREFIX, kListHeading, {7, 7, 413, 25});
  // The columns' names as a list of one row that takes no selection, with the rows' tab stops.
  INT stops[] = {36, 72};
  HWND columns = add(box, L"LISTBOX", L"", LBS_USETABSTOPS | LBS_NOSEL | LBS_NOINTEGRALHEIGHT, kListColumns,
                     {7, 27, 413, 38});
  SendMessageW(columns, LB_SETTABSTOPS, 2, reinterpret_cast<LPARAM>(stops));
  SendMessageW(columns, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(cells(d.columns).c_str()));
  HWND rows = add(box, L"LISTBOX", L"",
                  LBS_USETABSTOPS | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP | WS_GROUP,
                  kListRows, {7, 39, 413, 216}, WS_EX_CLIENTEDGE);
  SendMessageW(rows, LB_SETTABSTOPS, 2, reinterpret_cast<LPARAM>(stops));
  for (const auto& row : d.rows) SendMessageW(rows, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(cells(row).c_str()));
  // Rows longer than the list scroll sideways.
  HDC dc = GetDC(rows);
  const HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(rows, WM_GETFONT, 0, 0)));
  LONG widest = 0;
  for (const auto& row : d.rows) {
    const std::wstring line = cells(row);
    RECT r{0, 0, 0, 0};
    DrawTextW(dc, line.c_str(), static_cast<int>(line.size()), &r, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS | DT_NOPREFIX);
    widest = std::max(widest, r.right);
  }
  SelectObject(dc, previous);
  ReleaseDC(rows, dc);
  SendMessageW(rows, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest + 200), 0);
  SetWindowLongPtrW(rows, GWL_STYLE, GetWindowLongPtrW(rows, GWL_STYLE) | WS_HSCROLL);
  SendMessageW(rows, LB_SETCURSEL, 0, 0);
  add(box, L"BUTTON", fromUtf8(d.choose), BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, IDOK, {259, 221, 349, 235});
  add(box, L"BUTTON", fromUtf8(window::dialog::kClose), BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL, {353, 221, 413, 235});
  SetFocus(rows);
  centreOverOwner(box);
}

INT_PTR CALLBACK listProc(HWND box, UINT message, WPARAM w, LPARAM l) {
  auto* state = reinterpret_cast<ListState*>(GetWindowLongPtrW(box, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(box, DWLP_USER, l);
      buildList(box, *reinterpret_cast<ListState*>(l));
      return FALSE;
    case WM_COMMAND: {
      const int id = LOWORD(w);
      if (id == IDOK || (id == kListRows && HIWORD(w) == LBN_DBLCLK)) {
        const LRESULT row = SendDlgItemMessageW(box, kListRows, LB_GETCURSEL, 0, 0);
        if (row == LB_ERR) return TRUE;
        state->chosen = static_cast<std::size_t>(row);
        EndDialog(box, IDOK);
        return TRUE;
      }
      if (id == IDCANCEL) {
        EndDialog(box, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    }
    default:
      return FALSE;
  }
}

// A dialog's frame as a template in memory, with no controls: they are made when it opens.
INT_PTR runDialog(HINSTANCE instance, HWND owner, short width, short height, DLGPROC procedure, LPARAM state) {
  std::vector<WORD> memory(64, 0);
  auto* frame = reinterpret_cast<DLGTEMPLATE*>(memory.data());
  frame->style = DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU;
  frame->cx = width;
  frame->cy = height;
  // After the frame: no menu, the standard class, an empty title, then the font's size and name.
  std::size_t at = sizeof(DLGTEMPLATE) / sizeof(WORD) + 3;
  memory[at++] = 9;
  for (const wchar_t c : std::wstring(L"Segoe UI")) memory[at++] = static_cast<WORD>(c);
  memory[at] = 0;
  return DialogBoxIndirectParamW(instance, frame, owner, procedure, state);
}

}  // namespace

std::optional<std::size_t> listDialog(HINSTANCE instance, HWND owner, const window::ListDialog& dialog) {
  ListState state{&dialog, std::nullopt};
  runDialog(instance, owner, 420, 242, listProc, reinterpret_cast<LPARAM>(&state));
  return state.chosen;
}

window::ImportAnswer importDialog(HINSTANCE instance, HWND owner, const window::ImportDialog& dialog) {
  ImportState state{&dialog, {}};
  runDialog(instance, owner, 320, 224, importProc, reinterpret_cast<LPARAM>(&state));
  return state.answer;
}

namespace {

struct HistoryState {
  const window::HistoryDialog* dialog;
  std::optional<std::size_t> chosen;
};

int selectedRow(HWND box) { return static_cast<int>(SendDlgItemMessageW(box, kHistoryPoints, LB_GETCURSEL, 0, 0)); }

void offerReturn(HWND box, const HistoryState& state) {
  const int row = selectedRow(box);
  const bool offered = row >= 0 && !state.dialog->rows[static_cast<std::size_t>(row)].current;
  EnableWindow(GetDlgItem(box, IDOK), offered ? TRUE : FALSE);
}

void buildHistory(HWND box, const HistoryState& state) {
  namespace text = window::dialog;
  SetWindowTextW(box, fromUtf8(text::kHistoryTitle).c_str());
  add(box, L"STATIC", fromUtf8(text::kHistoryTime) + L"\t" + fromUtf8(text::kHistoryWhat), SS_LEFT | SS_NOPREFIX, -1,
      {9, 7, 100, 17});
  HWND list = add(box, L"LISTBOX", L"", LBS_NOTIFY | LBS_USETABSTOPS | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP,
                  kHistoryPoints, {7, 18, 353, 196}, WS_EX_CLIENTEDGE);
  const int stops[] = {64, 250};
  SendMessageW(list, LB_SETTABSTOPS, 2, reinterpret_cast<LPARAM>(stops));
  int current = 0;
  for (std::size_t i = 0; i < state.dialog->rows.size(); ++i) {
    const window::HistoryRow& row = state.dialog->rows[i];
    const std::string_view mark = row.current ? text::kHistoryNow : row.undone ? text::kHistoryUndone : "";
    const std::wstring line = fromUtf8(row.time) + L"\t" + fromUtf8(row.what) + L"\t" + fromUtf8(mark);
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    if (row.current) current = static_cast<int>(i);
  }
  SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(current), 0);
  add(box, L"BUTTON", fromUtf8(text::kHistoryReturn), BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, IDOK,
      {173, 203, 297, 217});
  add(box, L"BUTTON", fromUtf8(text::kClose), BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL, {301, 203, 360, 217});
  offerReturn(box, state);
  SetFocus(list);
  centreOverOwner(box);
}

INT_PTR CALLBACK historyProc(HWND box, UINT message, WPARAM w, LPARAM l) {
  auto* state = reinterpret_cast<HistoryState*>(GetWindowLongPtrW(box, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(box, DWLP_USER, l);
      buildHistory(box, *reinterpret_cast<HistoryState*>(l));
      return FALSE;  // the focus is set
    case WM_COMMAND: {
      const int id = LOWORD(w);
      if (id == kHistoryPoints && HIWORD(w) == LBN_SELCHANGE) {
        offerReturn(box, *state);
        return TRUE;
      }
      if (id == IDOK) {
        if (!IsWindowEnabled(GetDlgItem(box, IDOK))) return TRUE;
        state->chosen = static_cast<std::size_t>(selectedRow(box));
        EndDialog(box, id);
        return TRUE;
      }
      if (id == IDCANCEL) {
        EndDialog(box, id);
        return TRUE;
      }
      return FALSE;
    }
    default:
      return FALSE;
  }
}

}  // namespace

std::optional<std::size_t> historyDialog(HINSTANCE instance, HWND owner, const window::HistoryDialog& dialog) {
  HistoryState state{&dialog, std::nullopt};
  runDialog(instance, owner, 367, 224, historyProc, reinterpret_cast<LPARAM>(&state));
  return state.chosen;
}

}  // namespace win32
