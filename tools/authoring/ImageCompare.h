#pragma once
// Comparing the last frame of a batch run with a reference image.
//
// The difference is the share of pixels, in percent, in which one of red,
// green and blue differs by more than kChannelTolerance (of 255). GL
// drivers, and versions of one driver, round colours and place edges a
// little differently: a colour a few levels off is not counted at all,
// and edge pixels that flip are a thin line, a small fraction of a percent
// of the picture. What an author means by "the picture changed" (a model
// moved, a material or a light changed, a texture went missing) turns a
// whole area, percents of the picture. A root mean square would mix the two:
// a slight shade over the whole frame would weigh as much as a missing model.

#include "material/Screenshot.h"

#include <cstdint>
#include <string>

namespace kelvo::authoring {

inline constexpr int kChannelTolerance = 8;
// The default --threshold: a difference above it fails the run.
inline constexpr double kDefaultThreshold = 0.5;

struct ImageDifference {
  bool compared = false;  // false: `problem` says why there is no difference
  std::string problem;    // the reference cannot be read, or its size differs
  int64_t pixels = 0;     // in the frame
  int64_t differing = 0;  // pixels differing by more than the tolerance
  int largest = 0;        // the largest difference of a channel, 0 to 255
  double percent() const { return pixels > 0 ? 100.0 * static_cast<double>(differing) / static_cast<double>(pixels) : 0; }
};

// Compares the last frame read into `frame` with the image file `reference`
// (any format FreeImage reads; its alpha is ignored).
ImageDifference compareWithReference(const qor::FrameCapture& frame, const std::string& reference);

// A threshold: a percentage from 0 to 100.
bool parseThreshold(const char* text, double& percent);

// The comparison as kelvo-scene reports it, one line without its newline,
// "difference from REF: 0.12% of pixels (...)" or the problem.
std::string describeDifference(const ImageDifference& difference, const std::string& reference, double threshold);

}  // namespace kelvo::authoring
