#include "authoring/FrameClock.h"

#include "platform/Clock.h"

#include <cmath>
#include <cstdlib>

namespace kelvo::authoring {

namespace {

// The program clock is a plain function, so its state is here.
double rate = 0;
int64_t framesDrawn = 0;
int32_t now = 0;

int32_t readFrameClock() { return now; }

}  // namespace

bool parseFrameRate(const char* text, double& framesPerSecond) {
  char* end = nullptr;
  const double value = std::strtod(text, &end);
  if (end == text || *end != '\0' || !std::isfinite(value) || value <= 0 || value > 100000) return false;
  framesPerSecond = value;
  return true;
}

int32_t frameClockMs(int64_t frames, double framesPerSecond) {
  // frames * 1000 is exact in a double up to 2^53; one division and one
  // rounding give the nearest millisecond of the exact time.
  const double ms = std::round(static_cast<double>(frames) * 1000.0 / framesPerSecond);
  const int64_t whole = ms < 9.0e18 ? static_cast<int64_t>(ms) : INT64_MAX;
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(whole)));
}

void startFrameClock(double framesPerSecond) {
  rate = framesPerSecond;
  framesDrawn = 0;
  now = 0;
  qor::platform::setClockSource(&readFrameClock);
}

void advanceFrameClock() {
  if (rate <= 0) return;
  now = frameClockMs(++framesDrawn, rate);
}

void stopFrameClock() {
  qor::platform::setClockSource(nullptr);
  rate = 0;
}

}  // namespace kelvo::authoring
