// Moments as the store keeps them (UTC) and as the teacher reads them (the computer's local time).

#include <chrono>
#include <cstdio>
#include <ctime>

#include "lesson/Rows.h"
#include "lesson/Store.h"

namespace lesson {

std::string isoUtc(std::chrono::system_clock::time_point when) {
  using namespace std::chrono;
  const auto seconds = floor<std::chrono::seconds>(when);
  const auto day = floor<days>(seconds);
  const year_month_day date{day};
  const hh_mm_ss<std::chrono::seconds> time{seconds - day};
  char out[32];
  std::snprintf(out, sizeof out, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                static_cast<int>(time.seconds().count()));
  return out;
}

std::optional<std::chrono::system_clock::time_point> parseIsoUtc(std::string_view text) {
  int y = 0;
  unsigned mo = 0, d = 0, h = 0, mi = 0, s = 0;
  char z = 0;
  const std::string copy(text);
  if (std::sscanf(copy.c_str(), "%4d-%2u-%2uT%2u:%2u:%2u%c", &y, &mo, &d, &h, &mi, &s, &z) != 7 || z != 'Z') {
    return std::nullopt;
  }
  using namespace std::chrono;
  const year_month_day date{year{y}, month{mo}, day{d}};
  if (!date.ok() || h > 23 || mi > 59 || s > 60) return std::nullopt;
  return sys_days{date} + hours{h} + minutes{mi} + seconds{s};
}

namespace {

// The local time of a moment, printed by a format of its fields: year, month, day, hour,
// minute, second.
std::string local(std::chrono::system_clock::time_point when, bool withDate) {
  const std::time_t t = std::chrono::system_clock::to_time_t(when);
  std::tm local{};
#ifdef _WIN32
  if (localtime_s(&local, &t) != 0) return {};
#else
  if (localtime_r(&t, &local) == nullptr) return {};
#endif
  char out[48];
  if (withDate) {
    std::snprintf(out, sizeof out, "%04d-%02d-%02d %02d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  } else {
    std::snprintf(out, sizeof out, "%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
  }
  return out;
}

}  // namespace

std::string localClock(std::chrono::system_clock::time_point when) { return local(when, false); }

std::string localDateTime(std::chrono::system_clock::time_point when) { return local(when, true); }

}  // namespace lesson
