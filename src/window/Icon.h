#pragma once

#include <cstdint>

namespace window {

// The window's icon: a sheet of paper with a red tick, 16 x 16 pixels in the 16 colours of the
// standard palette, with a mask for the pixels around the sheet. Each toolkit builds its icon
// from these pixels; the Windows program's icon file is written from them at build time.

inline constexpr int kIconSize = 16;

// The 16 colours of the standard palette, by index, as 0xAARRGGBB.
inline constexpr std::uint32_t kIconPalette[16] = {
    0xFF000000, 0xFF800000, 0xFF008000, 0xFF808000, 0xFF000080, 0xFF800080, 0xFF008080, 0xFFC0C0C0,
    0xFF808080, 0xFFFF0000, 0xFF00FF00, 0xFFFFFF00, 0xFF0000FF, 0xFFFF00FF, 0xFF00FFFF, 0xFFFFFFFF,
};

// The palette index of the pixel in row y (0 at the top) and column x; a masked pixel is 0.
int iconPixel(int x, int y);

// Whether the pixel belongs to the sheet (false: outside it, masked).
bool iconOpaque(int x, int y);

}  // namespace window
