#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "pictures/Decoder.h"
#include "pictures/Image.h"
#include "pictures/Scale.h"

namespace pictures {

// A question's picture made from any image: fitted to the box (Scale.h), its colours made at
// most 256 (Quantize.h), written as GIF (Gif.h). The same bytes on every system.
std::string makeGif(const Image& image, const Fit& fit = {});

// A picture made, or why not, in the teacher's words, naming the image by `name`.
struct Made {
  std::optional<std::string> gif;
  std::string problem;
};
// From an image file's bytes, decoded by `decoder` (none: no file can be decoded). Nothing is
// decoded of an image larger than kMaxPixels: its size is read from the header of a common
// format (Header.h), of any other from the decoder. A file that is no image, one that cannot be
// decoded (damaged, cut short) and one too large each get a problem; so does an image the
// decoder gives larger than its header said, or with fewer pixels than its sizes need.
Made makePicture(Decoder* decoder, std::string_view bytes, const std::string& name,
                 const Fit& fit = {});
// From an image already decoded (the clipboard's).
Made makePicture(const Image& image, const std::string& name, const Fit& fit = {});

}  // namespace pictures
