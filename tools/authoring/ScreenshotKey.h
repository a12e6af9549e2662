#pragma once
// kelvo-scene's F12: the next frame drawn is saved as the next numbered
// screenshot of the working directory ("kelvo-0001.png", never over an
// existing file), and its name printed on standard output.

#include "authoring/Capture.h"

#include <cstdint>

namespace kelvo::authoring {

class ScreenshotKey {
public:
  void press(const Capture& capture) {
    pending_ = true;
    readsAtPress_ = capture.reads;
  }
  // Whether the frame about to be drawn is to be read.
  bool pending() const { return pending_; }
  // After each frame: once a frame was read since the press, saves it and
  // says so ("saved kelvo-0001.png"; a failure goes to standard error).
  // True while nothing went wrong.
  bool frameDone(const Capture& capture);

private:
  bool pending_ = false;
  uint32_t readsAtPress_ = 0;
};

}  // namespace kelvo::authoring
