#pragma once
// Reading finished frames back from GL and saving them as PNG images, for
// kelvo-scene's screenshots.

#include <vector>

namespace kelvo::authoring {

// The finished back buffer of a frame, bottom row first (as GL reads it and
// as FreeImage stores its scan lines), 3 bytes per pixel in B, G, R order,
// rows padded to 4 bytes.
struct Capture {
  std::vector<unsigned char> pixels;
  int width = 0;
  int height = 0;
  int pitch = 0;
  bool wanted = false;  // read the frame being finished
  bool taken = false;   // at least one frame was read
};

// A render hook (renderHooks.beforeSwap): reads the back buffer into the
// Capture `data` points at when it is wanted.
void captureBackBuffer(void* data);

// Writes the last frame read as a PNG image, as a new regular file.
bool savePng(const Capture& capture, const char* path);

}  // namespace kelvo::authoring
