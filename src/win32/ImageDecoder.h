#pragma once

#include <windows.h>

#include <optional>
#include <string_view>

#include "pictures/Decoder.h"
#include "pictures/Image.h"

namespace win32 {

// The system's image readers (WIC, which Windows 7 has) as the editor's decoder: PNG, JPEG, BMP,
// GIF (its first frame), TIFF, ICO and what else the system reads. Its objects are made on the
// window's thread, COM taken for the time of each call as the folder dialog takes it.
class ImageDecoder final : public pictures::Decoder {
 public:
  std::optional<pictures::Size> size(std::string_view bytes) override;
  std::optional<pictures::Image> decode(std::string_view bytes) override;
};

// The image the clipboard holds (a bitmap of its own, CF_DIBV5 or CF_DIB) decoded; nothing when
// it holds none or cannot be opened. `owner` is the window that opens it.
std::optional<pictures::Image> clipboardImage(HWND owner, pictures::Decoder& decoder);

}  // namespace win32
