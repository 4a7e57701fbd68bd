#pragma once

#include <QString>
#include <string>

#include "lifecycle/Seams.h"

class QWidget;

namespace qt {

// The editor's modal message boxes: plain boxes without an icon, centred on the window.
class MessageBoxes final : public lifecycle::Dialogs {
 public:
  void setParentWidget(QWidget* parent) { parent_ = parent; }
  bool confirm(const std::string& text, const std::string& title) override;
  void inform(const std::string& text, const std::string& title) override;
  Answer ask(const std::string& text, const std::string& title) override;

 private:
  QWidget* parent_ = nullptr;
};

// A message's text as a box shows it: a carriage return (alone or before a line feed) breaks
// the line.
QString boxText(const std::string& text);

// The box that reports an error that ends the editor.
void showError(QWidget* parent, const QString& message);

}  // namespace qt
