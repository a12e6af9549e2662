#include "platform/FramePacer.h"

namespace qor::platform {

int32_t FramePacer::endPass(bool displayPaced) {
  const int32_t now = clock_();
  if (displayPaced || !started_) {
    // The display keeps the pace (or this is the first pass): the schedule
    // begins afresh here, so a later pass without vsync (the window hidden,
    // the driver refusing) is paced from its own start.
    started_ = true;
    base_ = now;
    passes_ = 0;
    return 0;
  }
  // The end of this pass on the schedule. Rebased well before the 32-bit
  // product could overflow (a second's worth of passes is one exact second).
  if (passes_ >= kPassesPerSecond) {
    base_ = static_cast<int32_t>(static_cast<uint32_t>(base_) + 1000u);
    passes_ -= kPassesPerSecond;
  }
  ++passes_;
  const int32_t due = static_cast<int32_t>(static_cast<uint32_t>(base_) + static_cast<uint32_t>(passes_ * 1000 / kPassesPerSecond));
  const int32_t rest = clockDiff(due, now);
  if (rest > 0) {
    sleep_(rest);
    return rest;
  }
  if (-rest > kMaxLagMs) {
    base_ = now;
    passes_ = 0;
  }
  return 0;
}

}  // namespace qor::platform
