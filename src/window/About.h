#pragma once

#include <string>

namespace window {

// The text of the help box (button cmdAbout) in UTF-8: eleven paragraphs separated by one
// carriage return each, no line feed. Built anew on every call.
std::string aboutText();
std::string aboutTitle();

}  // namespace window
