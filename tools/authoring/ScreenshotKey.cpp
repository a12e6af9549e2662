#include "authoring/ScreenshotKey.h"

#include <cstdio>
#include <string>

namespace kelvo::authoring {

bool ScreenshotKey::frameDone(const Capture& capture) {
  if (!pending_ || capture.reads == readsAtPress_) return true;
  pending_ = false;
  std::string name;
  if (!qor::saveNumberedPng(capture, ".", name)) {
    std::fprintf(stderr, "kelvo-scene: cannot write a screenshot in the working directory\n");
    return false;
  }
  std::printf("saved %s\n", name.c_str());
  std::fflush(stdout);
  return true;
}

}  // namespace kelvo::authoring
