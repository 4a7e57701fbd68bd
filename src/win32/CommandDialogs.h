#pragma once

#include <windows.h>

#include <filesystem>
#include <optional>

#include "window/Commands.h"

namespace win32 {

// The dialogs of the menu's commands on Windows, drawn from their plain data
// (window/Commands.h): the system's file dialogs, and the import's dialog, built at run time.
std::optional<std::filesystem::path> chooseFile(HWND owner, const window::FileDialog& dialog);
window::ImportAnswer importDialog(HINSTANCE instance, HWND owner, const window::ImportDialog& dialog);
std::optional<std::size_t> historyDialog(HINSTANCE instance, HWND owner, const window::HistoryDialog& dialog);

// The system's folder dialog, opening at the dialog's folder; a path can be typed into it.
std::optional<std::filesystem::path> chooseFolder(HWND owner, const window::FolderDialog& dialog);
// A list in a dialog, built at run time: a double-click on a row, Enter or the button chooses it.
std::optional<std::size_t> listDialog(HINSTANCE instance, HWND owner, const window::ListDialog& dialog);

// The list dialog's controls, for whoever drives it.
enum ListControl { kListHeading = 300, kListColumns, kListRows };

// The import dialog's controls, for whoever drives it.
enum ImportControl { kImportFile = 200, kImportStage, kImportQuestion, kImportSummary, kImportAgain };
// The history dialog's list of points; its buttons are IDOK (the return) and IDCANCEL.
enum HistoryControl { kHistoryPoints = 300 };

}  // namespace win32
