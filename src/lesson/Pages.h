#pragma once

#include <string>
#include <string_view>

namespace lesson {

// Text put into a page as text: the characters of markup written as references.
std::string escapedHtml(std::string_view text);

// The small pages of the lesson, in UTF-8 ("text/html; charset=utf-8").
// The page of an HTTP status that refuses a request, in Russian.
std::string refusalPage(int status);
// What the pupil's browser gets for a result kept: «Результат принят» and the name as text.
std::string acceptedPage(std::string_view student);

inline constexpr const char* kPageType = "text/html; charset=utf-8";

}  // namespace lesson
