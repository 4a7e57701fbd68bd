#pragma once

#include <filesystem>
#include <optional>

#include "window/Commands.h"

class QWidget;

namespace qt {

// The dialogs of the menu's commands in Qt, drawn from their plain data (window/Commands.h): the
// toolkit's own file dialog, and the import's dialog.
std::optional<std::filesystem::path> chooseFile(QWidget* parent, const window::FileDialog& dialog);

// The import's dialog: its parts are named for tests ("file", "stage", "question", "summary" and
// the buttons "import", "readAgain", "cancel").
window::ImportAnswer importDialog(QWidget* parent, const window::ImportDialog& dialog);

// The toolkit's own folder dialog.
std::optional<std::filesystem::path> chooseFolder(QWidget* parent, const window::FolderDialog& dialog);

// A list in a dialog: its parts are named for tests ("heading", "rows" and the buttons "choose"
// and "close"). A double-click on a row, or Enter, chooses the row current then.
std::optional<std::size_t> listDialog(QWidget* parent, const window::ListDialog& dialog);
// The history's dialog: the list "points" (a row for each point, its time, what and state) and
// the buttons "return" and "close".
std::optional<std::size_t> historyDialog(QWidget* parent, const window::HistoryDialog& dialog);

}  // namespace qt
