#include "lifecycle/Generators.h"

#include <sys/time.h>

#include <ctime>

namespace lifecycle {

double SystemClock::secondsSinceMidnight() {
  timeval now{};
  ::gettimeofday(&now, nullptr);
  std::tm local{};
  const std::time_t seconds = now.tv_sec;
#ifdef _WIN32
  ::localtime_s(&local, &seconds);  // the Windows C library's form, arguments swapped
#else
  ::localtime_r(&seconds, &local);
#endif
  return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + now.tv_usec / 1e6;
}

float FixedStartRandom::next() {
  state_ = (state_ * 0x43FD43FDu + 0xC39EC3u) & 0xFFFFFFu;
  return static_cast<float>(state_) / 16777216.0f;
}

}  // namespace lifecycle
