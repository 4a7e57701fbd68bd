#pragma once

#include <windows.h>

#include <memory>
#include <string>

namespace win32 {

// The picture preview (Image1): a box with a one-pixel border that shows one picture, decoded
// by GDI+, or nothing. The picture is scaled to fit the box, keeping its aspect ratio, and
// centred in it. GDI+ must be started before the first picture is shown.
class Picture {
 public:
  // Creates the box as a child of `parent`, filled with `background` around the picture.
  Picture(HINSTANCE instance, HWND parent, COLORREF background);
  ~Picture();
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;

  HWND handle() const { return box_; }

  // Shows the picture these bytes hold; empty bytes, or bytes that are no picture GDI+ can
  // read, leave the box empty.
  void show(const std::string& bytes);
  bool empty() const { return image_ == nullptr; }

 private:
  struct Image;
  static LRESULT CALLBACK boxProc(HWND hwnd, UINT message, WPARAM w, LPARAM l);
  void paint(HDC dc) const;

  HWND box_ = nullptr;
  COLORREF background_;
  std::string bytes_;
  std::unique_ptr<Image> image_;
};

}  // namespace win32
