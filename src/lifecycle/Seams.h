#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace lifecycle {

// The modal message boxes of the editor. Texts are UTF-8.
class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // A box with OK and Cancel; true when OK was pressed.
  virtual bool confirm(const std::string& text, const std::string& title) = 0;
  // A box with OK only.
  virtual void inform(const std::string& text, const std::string& title) = 0;
  // A box with the buttons Да, Нет and Отмена; closing it otherwise is Отмена.
  enum class Answer { Yes, No, Cancel };
  virtual Answer ask(const std::string& text, const std::string& title) = 0;
};

// The screen the window is shown on, and the window's own rescaling: start-up computes the
// factor from the screen and hands it to the window.
class Screen {
 public:
  virtual ~Screen() = default;
  virtual double twipsPerPixelY() const = 0;
  virtual void scaleWindow(double factor) = 0;
};

// The time of day in local time, in seconds since midnight with a fraction.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual double secondsSinceMidnight() = 0;
  // The moment, in seconds since 1970 (UTC), that the history records with each change.
  virtual std::int64_t secondsSince1970() { return static_cast<std::int64_t>(std::time(nullptr)); }
};

// The system's web browser: opens a page, given as a file's full path or as an address, in a
// window of its own. False when no browser could be started.
class Browser {
 public:
  virtual ~Browser() = default;
  virtual bool open(const std::string& fileOrAddress) = 0;  // UTF-8
};

// A uniform pseudo-random generator in [0, 1) in single precision. It starts from the same
// state in every run and is never reseeded.
class Random {
 public:
  virtual ~Random() = default;
  virtual float next() = 0;
};

}  // namespace lifecycle
