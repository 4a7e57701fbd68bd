#pragma once

#include <QBitmap>
#include <QIcon>
#include <QImage>

namespace qt {

// The window's icon: a sheet of paper with a red tick, 16 x 16 pixels in the 16 colours of the
// standard palette, with a mask for the pixels around the sheet.
QImage iconImage();  // indexed, 16 colours; the masked pixels are index 0
QBitmap iconMask();
QIcon editorIcon();

}  // namespace qt
