#pragma once

#include <windows.h>

#include <string>

#include "lifecycle/Seams.h"

namespace win32 {

// The editor's modal message boxes: plain system boxes without an icon, owned by the window.
class MessageBoxes final : public lifecycle::Dialogs {
 public:
  void setOwner(HWND owner) { owner_ = owner; }
  bool confirm(const std::string& text, const std::string& title) override;
  void inform(const std::string& text, const std::string& title) override;
  Answer ask(const std::string& text, const std::string& title) override;

 private:
  HWND owner_ = nullptr;
};

// The box that reports an error that ends the editor, titled as the window.
void showError(HWND owner, const std::string& message);

}  // namespace win32
