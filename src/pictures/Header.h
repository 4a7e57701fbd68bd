#pragma once

#include <optional>
#include <string_view>

#include "pictures/Image.h"

namespace pictures {

// The format of an image file as its first bytes tell it, and the size its header gives, read
// without decoding anything: so that a huge image is refused before its pixels are decoded, the
// same way on every system.
enum class Format { Unknown, Png, Jpeg, Gif, Bmp, Tiff };
struct Header {
  Format format = Format::Unknown;
  std::optional<Size> size;  // nothing when the header is cut short, damaged or names no size
};
Header readHeader(std::string_view bytes);

}  // namespace pictures
