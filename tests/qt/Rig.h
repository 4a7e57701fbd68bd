#pragma once

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "lifecycle/Editor.h"
#include "support/Fixtures.h"
#include "qt/EditWindow.h"

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

// Windows-1251 bytes spelled out, for comparing with the files.
std::string bytes(std::initializer_list<unsigned char> codes);

}  // namespace qttest
