#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <filesystem>
#include <string>
#include <vector>

#include "lifecycle/EditorState.h"
#include "lifecycle/Form.h"
#include "lifecycle/Seams.h"
#include "shell/Change.h"
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

  // Start-up and shutdown. Closing the window by its frame runs Form_Unload; the exit button
  // runs cmdEnd_Click, which cleans up the root first and then unloads. Either first asks
  // whether to save the question shown when it was changed and not saved; the answer Отмена
  // leaves the editor open, and unloaded() then stays false.
  void Form_Load();
  void Form_Unload();
  void cmdEnd_Click();

  // Choosing and saving a question, and its picture.
  void List1_Click();
  void List2_Click();
  void cmdSave_Click();
  void optIm_Click(std::int16_t Index);
  void File2_Click();

  // The volume and order of the test.
  void cmdNewL_Click();
  void cmdNewN_Click();
  void cmdDelLast_Click();
  void RemoveLastStage();
  void cmdMix_Click();

  // Selecting a row or an option from code, which has the effect of the user's click: when
  // the selection changes, the control's click handler runs at once. Each returns whether it
  // ran. The window routes the user's own selections through these too.
  bool selectList1(int row);
  bool selectList2(int row);
  bool selectOptIm(int index);
  bool selectFile2(int row);

  // True once the window has been unloaded: the program is to end.
  bool unloaded() const { return unloaded_; }

 private:
  // The change of the click being handled. A handler that another handler calls adds to its
  // caller's change; the change lands whole when the outermost handler commits it, and is
  // dropped, with nothing of it in the test, when a handler stops on an error.
  class Batch {
   public:
    explicit Batch(Editor& editor);
    ~Batch();
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;
    void commit();

   private:
    Editor& editor_;
    bool outer_;
  };
  std::unique_ptr<shell::Change> change_;
  shell::Change& change() { return *change_; }

  shell::Disk& disk_;
  Dialogs& dialogs_;
  Clock& clock_;
  Random& random_;
  Screen* screen_;
  fs::path shellRoot_;
  bool unloaded_ = false;

  // Start-up.
  void refuseNoTest();
  void listRoot();
  std::vector<std::string> testFolders();
  void refuseOutsideLinks();
  void warnIfReadOnly();
  void rebuildStageList();
  void readAnswerKey();
  void repairStageCount();
  void readRootPages();

  // The shell's files as the state holds them.
  fs::path rootFile(const char* name) const;
  std::string shown(const fs::path& path) const;  // a path as messages name it, UTF-8
  enum class Address { AsRead, Typed };
  void takeSettings(int stages, Address address);
  void writeRootPages();
  void writeAnswerKey();

  // Shutdown.
  bool settleQuestion();
  void unload();

  // Question editing. The question as it was shown or last saved: its six fields and the
  // picture line a save would write; leaving the editor asks about a question that differs.
  struct QuestionView {
    decltype(Form::Text1) fields;
    std::string picture;
    bool operator==(const QuestionView&) const = default;
  };
  QuestionView savedQuestion_;
  QuestionView questionView() const;
  std::string pictureLine() const;
  void fillQuestionRows(int last);
  void readPage();
  void showPicture();
  void loadPicture(const fs::path& file);

  // Volume and order.
  void applyVolumeLimits();
  void cleanRoot();
  void forgetQuestion();
};

}  // namespace lifecycle
