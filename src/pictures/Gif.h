#pragma once

#include <string>

#include "pictures/Image.h"

namespace pictures {

// The GIF file of an image of at most 256 colours, written by giflib into memory: one image at
// the origin, not interlaced, its palette as the global colour table (grown to a power of two,
// at least 2, with black), no transparency and no extension. Throws std::invalid_argument for an
// image whose sizes, palette and pixels disagree, or one larger than a GIF holds (65535 a side),
// and std::runtime_error when giflib fails.
std::string gifBytes(const Indexed& image);

}  // namespace pictures
