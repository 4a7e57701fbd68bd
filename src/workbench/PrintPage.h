#pragma once
#include <string>
#include <string_view>

#include "workbench/Test.h"

namespace workbench {
// The test on paper: one self-contained HTML page (UTF-8, the pictures inside it as data) whose
// print stylesheet gives A4 pages: the heading and the pupil's lines, every question with its
// picture and its four answers, none marked; the answer key on a page of its own; an answer
// sheet for pupils on a page of its own.
std::string printPage(const Test& test);

// UTF-8 text made safe to stand as text in HTML, between tags or in a quoted attribute: & < > "
// and ' as references, every other byte as it is.
std::string htmlEscaped(std::string_view utf8);
}  // namespace workbench
