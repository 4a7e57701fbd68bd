#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pictures {

// A device-independent bitmap as the Windows clipboard holds it (CF_DIB, CF_DIBV5: the bitmap's
// header, its masks and colours, then its rows) made a bitmap file, which the system's readers
// read as any .bmp: the file's own header (14 bytes) put before it, pointing at the rows.
// Nothing when the header is cut short or names no bitmap (sizes of none, no planes, a count of
// bits a pixel no bitmap has, more colours than the bits can name).
std::optional<std::string> bmpFileOf(std::string_view dib);

}  // namespace pictures
