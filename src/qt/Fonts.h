#pragma once

#include <filesystem>

namespace qt {

// Makes every TrueType file in `folder` the program's own font: the window's fonts are then found
// there before the system's fonts of the same family, so the captions measure the same on every
// system. A folder that is not there, or a file that is no font, adds nothing; the system's
// fonts stand in. Returns how many files were added.
int addFontFiles(const std::filesystem::path& folder);

}  // namespace qt
