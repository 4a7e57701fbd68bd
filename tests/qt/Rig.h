#pragma once

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "lifecycle/Editor.h"
#include "support/Fixtures.h"
#include "qt/EditWindow.h"
#include "qt/ImageReader.h"

namespace qttest {

namespace fs = std::filesystem;

// The real window on an editor with recording seams: a disk that logs every operation, boxes
// answered from a queue, and errors collected instead of shown.
struct Rig {
  explicit Rig(const fs::path& root);
  support::FailingDisk disk;
  support::RecordingDialogs dialogs;
  support::FixedClock clock;
  support::ScriptedRandom random;
  qt::ImageReader images;  // the program's own decoder
  std::vector<QString> errors;
  qt::EditWindow window;
  lifecycle::Editor editor;

  template <class T>
  T* get(const std::string& name) const {
    return qobject_cast<T*>(window.control(name));
  }
  QAbstractButton* button(const std::string& name) const { return get<QAbstractButton>(name); }
  QListWidget* list(const std::string& name) const { return get<QListWidget>(name); }

  // Writes of a file of the shell since the start.
  int writesOf(const fs::path& file) const;
  int writes() const;
};

// A shell in a temporary folder with a started window on it.
struct Started {
  explicit Started(const support::ShellPlan& plan = {},
                   const std::function<void(const fs::path&)>& change = {});
  support::TempDir dir;
  std::unique_ptr<Rig> rig;
  const fs::path& root() const { return dir.path(); }
};

// What the user does, through the toolkit's own events.
void click(QWidget* widget);
void clickRow(QListWidget* list, int row);
// Clicks the stage in List1, then the question in List2 (choosing a stage alone shows the
// question the editor picks).
void choose(Rig& rig, int stage, int question);
void typeInto(QWidget* field, const QString& text);  // at the end of the field's text
void pasteInto(QWidget* field, const QString& text);  // at the end of the field's text
QString textOf(const QWidget* field);

// A dialog the test waits for, owned by the test: from the moment it is made, every 20 ms the
// modal dialog up (or none) is handed to `step` until `step` says it is done. A dialog that does
// not come within half a minute fails the test, and the modal dialog shown then is closed, so that
// nothing waits for ever; one that has not come when the wait goes (at the end of its scope)
// fails the test too. The wait stops when it goes, whatever came: nothing of it outlives the test.
class ModalWait {
 public:
  enum Step { Waiting, Acting, Done };  // not come yet; come and acted on, more to do; over
  // `step` gets the active modal widget, or null.
  ModalWait(std::string what, std::function<Step(QWidget*)> step);
  ModalWait(ModalWait&&) noexcept;
  ~ModalWait();
  bool came() const;
  // The test has seen another answer come instead (a box where a list may come): the wait ends
  // without failing the test.
  void forgo();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Acts once on the next modal dialog that `is` recognises, once it is up.
[[nodiscard]] ModalWait whenModal(std::function<bool(QWidget*)> is, std::function<void(QWidget*)> act,
                                  std::string what = "the dialog the test waited for");
bool isFileDialog(QWidget* dialog);
// The next file dialog answered with this file.
[[nodiscard]] ModalWait answerFile(const fs::path& file);
bool isImportDialog(QWidget* dialog);
// A key as a keyboard with the letter gives it (shortcuts first, as the system's keys go).
void press(QWidget* to, char16_t letter, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// A menu's item chosen by the keyboard: Alt and the menu's letter, then the item's letter.
void chooseItem(QWidget* window, char16_t menu, char16_t item);
// The answers the next file dialog and the next import dialog give: the file, then the start
// chosen and Импортировать pressed. `summary` receives what the import's dialog said.
[[nodiscard]] std::vector<ModalWait> answerImport(const fs::path& file, int stage, int question,
                                                  QString* summary = nullptr);

// Windows-1251 bytes spelled out, for comparing with the files.
std::string bytes(std::initializer_list<unsigned char> codes);

}  // namespace qttest
