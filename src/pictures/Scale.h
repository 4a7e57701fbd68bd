#pragma once

#include "pictures/Image.h"

namespace pictures {

// The box a picture is made for: its size, and whether an image smaller than the box is
// enlarged to fill it (otherwise it keeps its own size, centred).
struct Fit {
  int width = kWidth, height = kHeight;
  bool enlarge = false;
};

// The size an image takes in the box: the largest that fits with its proportions kept (rounded
// to whole pixels, at least one), never larger than the image itself unless the box says so.
Size fittedSize(Size image, const Fit& fit = {});

// The image scaled to its fitted size and centred on a white box of the fit's size, its
// transparency laid over white: an opaque image of exactly the box's size. Made smaller, each
// pixel is the average of the area it covers (a box filter over whole and partial pixels);
// made larger, bilinear; an axis of the same size is copied. Integer arithmetic throughout, so
// that every system makes the same pixels. Throws std::invalid_argument for an image whose
// sizes and pixels disagree, larger than kMaxPixels, or a box larger than 4096 on a side.
Image fitted(const Image& image, const Fit& fit = {});

}  // namespace pictures
