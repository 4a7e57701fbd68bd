#pragma once

#include <optional>
#include <string_view>

#include "pictures/Image.h"

namespace pictures {

// What reads an image file into pixels: the system's own readers (Qt's on Linux, WIC on
// Windows), which the program hands to the editor. The editor reads the sizes of the common
// formats from their headers itself (pictures/Header.h); it asks the decoder only of the others.
class Decoder {
 public:
  virtual ~Decoder() = default;
  // The image's size as its header gives it, without decoding its pixels; nothing when these
  // bytes are no image the decoder knows.
  virtual std::optional<Size> size(std::string_view bytes) = 0;
  // The image's pixels (its first frame); nothing when they cannot be decoded, as of a damaged
  // or cut short file.
  virtual std::optional<Image> decode(std::string_view bytes) = 0;
};

}  // namespace pictures
