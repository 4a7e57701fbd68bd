#include "win32/Picture.h"

#include <objidl.h>
#include <shlwapi.h>
// GDI+ expects min and max from the system headers.
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

namespace win32 {

namespace {

constexpr wchar_t kClassName[] = L"TestEditorPicture";

}  // namespace

// A decoded picture and the stream it was read from, which GDI+ reads again as it needs.
struct Picture::Image {
  IStream* stream = nullptr;
  std::unique_ptr<Gdiplus::Bitmap> bitmap;
  ~Image() {
    bitmap.reset();
    if (stream != nullptr) stream->Release();
  }
};

Picture::Picture(HINSTANCE instance, HWND parent, COLORREF background) : background_(background) {
  WNDCLASSEXW type{};
  if (!GetClassInfoExW(instance, kClassName, &type)) {
    type.cbSize = sizeof type;
    type.lpfnWndProc = boxProc;
    type.hInstance = instance;
    type.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    type.lpszClassName = kClassName;
    RegisterClassExW(&type);
  }
  box_ = CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0,
                         parent, nullptr, instance, nullptr);
  SetWindowLongPtrW(box_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

Picture::~Picture() {
  if (box_ != nullptr && IsWindow(box_)) SetWindowLongPtrW(box_, GWLP_USERDATA, 0);
}

void Picture::show(const std::string& bytes) {
  if (bytes == bytes_) return;
  bytes_ = bytes;
  image_.reset();
  if (!bytes.empty()) {
    auto image = std::make_unique<Image>();
    image->stream = SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()),
                                      static_cast<UINT>(bytes.size()));
    if (image->stream != nullptr) {
      image->bitmap.reset(Gdiplus::Bitmap::FromStream(image->stream));
      if (image->bitmap != nullptr && image->bitmap->GetLastStatus() == Gdiplus::Ok &&
          image->bitmap->GetWidth() > 0 && image->bitmap->GetHeight() > 0) {
        image_ = std::move(image);
      }
    }
  }
  InvalidateRect(box_, nullptr, TRUE);
}

void Picture::paint(HDC dc) const {
  RECT rect;
  GetClientRect(box_, &rect);
  HBRUSH fill = CreateSolidBrush(background_);
  FillRect(dc, &rect, fill);
  DeleteObject(fill);
  FrameRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  if (image_ == nullptr) return;
  const int boxWidth = rect.right - 2;
  const int boxHeight = rect.bottom - 2;
  if (boxWidth <= 0 || boxHeight <= 0) return;
  const double width = image_->bitmap->GetWidth();
  const double height = image_->bitmap->GetHeight();
  const double scale = std::min(boxWidth / width, boxHeight / height);
  const int w = static_cast<int>(width * scale + 0.5);
  const int h = static_cast<int>(height * scale + 0.5);
  Gdiplus::Graphics graphics(dc);
  graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
  graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
  graphics.DrawImage(image_->bitmap.get(), 1 + (boxWidth - w) / 2, 1 + (boxHeight - h) / 2, w, h);
}

LRESULT CALLBACK Picture::boxProc(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
  const auto* self = reinterpret_cast<const Picture*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      if (self != nullptr) self->paint(dc);
      EndPaint(hwnd, &ps);
      return 0;
    }
    default:
      return DefWindowProcW(hwnd, message, w, l);
  }
}

}  // namespace win32
