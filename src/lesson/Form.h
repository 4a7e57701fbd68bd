#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace lesson {

// A pupil's result as the quiz's last page posts it, every value as UTF-8 text, exactly as
// posted: nothing is trusted, checked or interpreted here.
struct Posted {
  std::string course, inspector, student, group, stages, questions, right, percent, pass, passed,
      minutes, elapsed, finished, date, answers, marks;
  bool operator==(const Posted&) const = default;
};

// The form's fields by name, in the order the quiz posts them.
inline constexpr std::pair<const char*, std::string Posted::*> kPostedFields[] = {
    {"course", &Posted::course},       {"inspector", &Posted::inspector},
    {"student", &Posted::student},     {"group", &Posted::group},
    {"stages", &Posted::stages},       {"questions", &Posted::questions},
    {"right", &Posted::right},         {"percent", &Posted::percent},
    {"pass", &Posted::pass},           {"passed", &Posted::passed},
    {"minutes", &Posted::minutes},     {"elapsed", &Posted::elapsed},
    {"finished", &Posted::finished},   {"date", &Posted::date},
    {"answers", &Posted::answers},     {"marks", &Posted::marks},
};

// Percent-decoding, once. In a form '+' is a space and a '%' without two hexadecimal digits stays
// as it is; in a path such a '%' makes the whole path nothing.
enum class Escapes { Form, Path };
std::optional<std::string> percentDecoded(std::string_view encoded, Escapes escapes);

// One value of a form as text: '+' is a space and "%XX" a byte (a '%' without two hexadecimal
// digits stays as it is); bytes that are UTF-8 with some byte above 127 are taken as UTF-8,
// others as the quiz page's Windows-1251, where a browser writes a character beyond the code
// page as a decimal reference ("&#8730;"), read back as that character. Returns UTF-8.
std::string formValue(std::string_view encoded);

// The fields of an application/x-www-form-urlencoded body. A field posted twice keeps its first
// value; unknown fields are ignored; missing ones stay empty.
Posted decodeForm(std::string_view body);

// Whether a Content-Type is that of a form ("application/x-www-form-urlencoded", any parameters).
bool isFormType(std::string_view contentType);

}  // namespace lesson
