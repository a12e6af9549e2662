#pragma once
// Screenshots: the finished back buffer of a frame read from GL, encoded as
// a PNG image and written as a new regular file, under a name given or as
// the next numbered "kelvo-NNNN.png" of a folder.

#include <cstdint>
#include <string>
#include <vector>

namespace qor {

// The finished back buffer of a frame, bottom row first (as GL reads it and
// as FreeImage stores its scan lines), 3 bytes per pixel in B, G, R order,
// rows padded to 4 bytes.
struct FrameCapture {
  std::vector<unsigned char> pixels;
  int width = 0;
  int height = 0;
  int pitch = 0;
  bool wanted = false;   // read the frame being finished
  bool taken = false;    // at least one frame was read
  uint32_t reads = 0;    // frames read so far
};

// A render hook (renderHooks.beforeSwap): reads the back buffer into the
// FrameCapture `data` points at when it is wanted.
void captureBackBuffer(void* data);

// The last frame read as a PNG file's bytes; false when no frame was read
// or the image library is missing.
bool encodePng(const FrameCapture& capture, std::string& png);

// Writes the last frame read as a PNG image, as a new regular file.
bool savePng(const FrameCapture& capture, const std::string& path);

// The name prefix and suffix of numbered screenshots: "kelvo-0001.png".
inline constexpr const char* kScreenshotPrefix = "kelvo-";
inline constexpr const char* kScreenshotSuffix = ".png";

// Writes the last frame read as the next numbered screenshot in `folder`
// (see writeNumberedFile), never over an existing file; its name (without
// the folder) goes to `name`.
bool saveNumberedPng(const FrameCapture& capture, const std::string& folder, std::string& name);

}  // namespace qor
