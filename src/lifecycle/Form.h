#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <vector>

namespace lifecycle {

namespace fs = std::filesystem;

// A plain model of the window's controls that the logic reads and writes, named as the window
// names them. Texts are the bytes of the shell's code page; the window converts them for
// display. The window copies what the user typed into this model before every handler and
// redraws itself from it afterwards.

struct Control {
  bool Enabled = true;
};

struct Label : Control {
  std::string Caption;
};

// A list box. Rows are set by index; a row one past the end is appended; rows are blanked but
// never removed during a run. ListIndex -1 means no row is selected.
struct ListBox : Control {
  std::vector<std::string> Rows;
  int ListIndex = -1;

  const std::string& selectedText() const {
    static const std::string kEmpty;
    return ListIndex >= 0 && ListIndex < static_cast<int>(Rows.size())
               ? Rows[static_cast<std::size_t>(ListIndex)]
               : kEmpty;
  }
  void setRow(int i, std::string text) {
    if (i < 0) return;
    if (i >= static_cast<int>(Rows.size())) Rows.resize(static_cast<std::size_t>(i) + 1);
    Rows[static_cast<std::size_t>(i)] = std::move(text);
  }
};

// A file list: the names of one folder's files that match a pattern, in name order.
struct FileListBox : Control {
  fs::path Path;
  std::string Pattern;
  std::vector<std::string> Names;
  int ListIndex = -1;
};

// The folder list: the subfolders of one folder, as full paths, in name order.
struct DirListBox : Control {
  fs::path Path;
  std::vector<fs::path> Entries;
  int ListIndex = -1;
};

// The picture preview: the file shown and its bytes, or nothing.
struct ImageBox {
  fs::path Path;
  std::string Bytes;
  bool empty() const { return Path.empty(); }
  void clear() {
    Path.clear();
    Bytes.clear();
  }
};

struct Form {
  // Settings of the test.
  std::string Text2;    // course name
  std::string Text3;    // inspecting body
  std::string txtAddr;  // result handler address
  std::string txtT;     // duration in minutes
  std::string txtMin;   // pass mark in percent

  // The question.
  std::array<std::string, 6> Text1;  // question text, answers 1..4, right-answer number
  bool Text1Red = false;             // all six shown red, else black

  ListBox List1;  // stages
  ListBox List2;  // questions of the chosen stage
  FileListBox File1{{}, {}, "*.html", {}, -1};
  DirListBox Dir1;

  // The picture: option 0 "Нет", option 1 "Да"; exactly one is selected.
  int optIm = 0;
  FileListBox File2{{false}, {}, "?.gif", {}, -1};
  ImageBox Image1;

  Control cmdSave, cmdEnd, cmdAbout, cmdMix, cmdNewL, cmdNewN, cmdDelLast;
  // The menu's import of questions, not offered while a new stage is entered. The menu's other
  // items are offered always, or as the buttons they stand for.
  Control mnuFileImport;
  // The lesson's address written into the test as the result handler's: offered by the window
  // only while a lesson runs, and by the editor not while a new stage is entered.
  Control mnuTestLessonAddress;
  // The menu Правка: the undo and the redo, each captioned with what it takes back or brings
  // again (UTF-8, unlike the texts above), offered only where they lead to a whole test; and the
  // history's list of changes.
  Label mnuEditUndo{{false}, "Отменить"}, mnuEditRedo{{false}, "Вернуть"};
  Control mnuEditHistory{false};
  Label Label9;                  // number of stages
  Label Label11{{true}, "10"};   // questions of the last stage
};

}  // namespace lifecycle
