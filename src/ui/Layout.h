#pragma once

// The window's design lives with the toolkit-free parts of the window (window/Layout.h); the Qt
// window names it from here.
#include "window/Layout.h"

namespace ui {

using window::ControlDesign;
using window::controls;
using window::findControl;
using window::FontDesign;
using window::fontDesign;
using window::FontId;
using window::Initial;
using window::Kind;
using window::kClientHeight;
using window::kClientWidth;
using window::kFrameRgb;
using window::kWindowCaption;
using window::kWindowFont;
using window::kWindowName;
using window::kWindowRgb;
using window::wrapsCaption;

}  // namespace ui
