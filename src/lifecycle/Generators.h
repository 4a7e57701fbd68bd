#pragma once

#include <cstdint>

#include "lifecycle/Seams.h"

namespace lifecycle {

// The local time of day from the system clock.
class SystemClock final : public Clock {
 public:
  double secondsSinceMidnight() override;
};

// The browser the system opens web pages with: xdg-open on Linux, the program Windows associates
// with the page.
class SystemBrowser final : public Browser {
 public:
  bool open(const std::string& fileOrAddress) override;
};

// A 24-bit linear congruential generator in single precision that starts from one fixed state
// in every run: x := (x * 0x43FD43FD + 0xC39EC3) mod 2^24, r = x / 2^24.
class FixedStartRandom final : public Random {
 public:
  float next() override;

 private:
  std::uint32_t state_ = 0x50000;
};

}  // namespace lifecycle
