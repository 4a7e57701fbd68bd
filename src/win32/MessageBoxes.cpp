#include "win32/MessageBoxes.h"

#include "win32/Text.h"
#include "window/Fields.h"
#include "window/Layout.h"

namespace win32 {

namespace {

std::wstring boxText(const std::string& text) {
  const std::wstring utf16 = fromUtf8(text);
  return wide(window::boxText(units(utf16), u"\r\n"));
}

HHOOK buttonHook = nullptr;

// Names the buttons of the box about to show Да, Нет and Отмена, whatever the system's language.
LRESULT CALLBACK nameButtons(int code, WPARAM w, LPARAM l) {
  if (code == HCBT_ACTIVATE) {
    const auto box = reinterpret_cast<HWND>(w);
    SetDlgItemTextW(box, IDYES, L"Да");
    SetDlgItemTextW(box, IDNO, L"Нет");
    SetDlgItemTextW(box, IDCANCEL, L"Отмена");
  }
  return CallNextHookEx(buttonHook, code, w, l);
}

}  // namespace

MessageBoxes::Answer MessageBoxes::ask(const std::string& text, const std::string& title) {
  buttonHook = SetWindowsHookExW(WH_CBT, nameButtons, nullptr, GetCurrentThreadId());
  const int pressed = MessageBoxW(owner_, boxText(text).c_str(), fromUtf8(title).c_str(),
                                  MB_YESNOCANCEL | MB_DEFBUTTON1);
  if (buttonHook != nullptr) UnhookWindowsHookEx(buttonHook);
  buttonHook = nullptr;
  if (pressed == IDYES) return Answer::Yes;
  if (pressed == IDNO) return Answer::No;
  return Answer::Cancel;
}

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
