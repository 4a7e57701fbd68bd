#pragma once
#include <string>

#include "workbench/Test.h"

namespace workbench {
// The test on paper: one self-contained HTML page (UTF-8, the pictures inside it as data) whose
// print stylesheet gives A4 pages: the heading and the pupil's lines, every question with its
// picture and its four answers, none marked; the answer key on a page of its own; an answer
// sheet for pupils on a page of its own.
std::string printPage(const Test& test);
}  // namespace workbench
