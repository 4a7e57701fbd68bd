#pragma once

#include "pictures/Image.h"

namespace pictures {

// The image's colours made at most 256, as a GIF holds them; its alpha is not looked at (lay it
// over white first: fitted()). An image of at most 256 colours keeps exactly its own, in the
// order of their values, with no pixel changed. One of more gets 256 chosen by a median cut of
// its colours, weighed by how many pixels have each (the box of colours with the largest squared
// error cut in two at the median of its widest channel, until there are 256 boxes; each box's
// mean its colour), and its pixels dithered by Floyd–Steinberg error diffusion in serpentine
// order. Integer arithmetic, so that every system makes the same bytes. Throws
// std::invalid_argument for an image whose sizes and pixels disagree or of more than 2^24 pixels.
Indexed quantized(const Image& image);

}  // namespace pictures
