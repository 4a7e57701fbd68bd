#pragma once

// The help box's text and title are shared by both windows (window/About.h).
#include "window/About.h"

namespace ui {

using window::aboutText;
using window::aboutTitle;

}  // namespace ui
