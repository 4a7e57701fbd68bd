#pragma once

#include <QImage>
#include <optional>
#include <string_view>

#include "pictures/Decoder.h"
#include "pictures/Image.h"

namespace qt {

// The toolkit's image readers as the editor's decoder: PNG, JPEG, BMP, GIF (its first frame) and
// whatever else its plugins read. A photo stored turned is turned upright, as a viewer shows it.
class ImageReader final : public pictures::Decoder {
 public:
  std::optional<pictures::Size> size(std::string_view bytes) override;
  std::optional<pictures::Image> decode(std::string_view bytes) override;
};

// An image of the toolkit as the editor's pixels (red, green, blue, alpha, not premultiplied);
// nothing for a null image.
std::optional<pictures::Image> imageOf(QImage image);

// The image the system's clipboard holds, or nothing.
std::optional<pictures::Image> clipboardImage();

}  // namespace qt
