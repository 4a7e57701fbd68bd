#include "win32/MessageBoxes.h"

#include "win32/Text.h"
#include "window/CodePage.h"
#include "window/Layout.h"

namespace win32 {

namespace {

std::wstring boxText(const std::string& text) {
  const std::wstring utf16 = fromUtf8(text);
  return wide(window::boxText(units(utf16), u"\r\n"));
}

}  // namespace

bool MessageBoxes::confirm(const std::string& text, const std::string& title) {
  return MessageBoxW(owner_, boxText(text).c_str(), fromUtf8(title).c_str(),
                     MB_OKCANCEL | MB_DEFBUTTON1) == IDOK;
}

void MessageBoxes::inform(const std::string& text, const std::string& title) {
  MessageBoxW(owner_, boxText(text).c_str(), fromUtf8(title).c_str(), MB_OK);
}

void showError(HWND owner, const std::string& message) {
  MessageBoxW(owner, boxText(message).c_str(), fromUtf8(window::kWindowCaption).c_str(),
              MB_OK | MB_ICONERROR);
}

}  // namespace win32
