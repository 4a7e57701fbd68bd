#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "lifecycle/EditorState.h"
#include "lifecycle/Form.h"
#include "lifecycle/Seams.h"
#include "shell/Disk.h"

namespace lifecycle {

// The editor: its state, the model of its window's controls, and the handlers of the window's
// events under the names of the events. Every handler works on `state` and `form` and on the
// shell through `disk`; an error is thrown as shell::ShellError and ends the run.
class Editor {
 public:
  struct Seams {
    shell::Disk& disk;
    Dialogs& dialogs;
    Clock& clock;
    Random& random;
    Screen* screen = nullptr;  // none when the editor runs without a window
  };

  Editor(const Seams& seams, fs::path shellRoot);

  EditorState state;
  Form form;

  // Start-up.
  void Form_Load();

 private:
  shell::Disk& disk_;
  Dialogs& dialogs_;
  Clock& clock_;
  Random& random_;
  Screen* screen_;
  fs::path shellRoot_;

  // Start-up.
  void listRoot();
  void rebuildStageList();
  void readAnswerKey();
  void repairStageCount();
  void readRootPages();

  // The shell's files as the state holds them.
  fs::path rootFile(const char* name) const;
  std::string shown(const fs::path& path) const;  // a path as messages name it
};

}  // namespace lifecycle
