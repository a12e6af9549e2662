#include "material/Screenshot.h"

#include "material/FreeImageLibrary.h"
#include "util/MappedFile.h"

#include <GL/gl.h>

#include <cstddef>

namespace qor {

void captureBackBuffer(void* data) {
  FrameCapture& capture = *static_cast<FrameCapture*>(data);
  if (!capture.wanted) return;
  GLint viewport[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, viewport);
  if (viewport[2] <= 0 || viewport[3] <= 0) return;
  capture.width = viewport[2];
  capture.height = viewport[3];
  capture.pitch = (capture.width * 3 + 3) & ~3;
  // Sized once for the window; later frames reuse the storage.
  capture.pixels.resize(static_cast<std::size_t>(capture.pitch) * static_cast<std::size_t>(capture.height));
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, capture.width, capture.height, GL_BGR, GL_UNSIGNED_BYTE, capture.pixels.data());
  capture.taken = true;
  ++capture.reads;
}

bool encodePng(const FrameCapture& capture, std::string& png) {
  png.clear();
  const FreeImageLibrary* fi = capture.taken ? freeImage() : nullptr;
  if (!fi) return false;
  // GL's first row is the bottom one, which is also FreeImage's first scan
  // line, so the rows go in unchanged and the PNG comes out top row first.
  FIBITMAP* image = fi->ConvertFromRawBits(const_cast<BYTE*>(capture.pixels.data()), capture.width,
                                           capture.height, capture.pitch, 24, FI_RGBA_RED_MASK,
                                           FI_RGBA_GREEN_MASK, FI_RGBA_BLUE_MASK, FALSE);
  if (!image) return false;
  // Encoded into memory: FreeImage's own save would write through whatever
  // is at the name, a symbolic link included.
  bool ok = false;
  if (FIMEMORY* memory = fi->OpenMemory(nullptr, 0)) {
    BYTE* data = nullptr;
    DWORD size = 0;
    if (fi->SaveToMemory(FIF_PNG, image, memory, PNG_DEFAULT) && fi->AcquireMemory(memory, &data, &size)) {
      png.assign(reinterpret_cast<const char*>(data), size);
      ok = true;
    }
    fi->CloseMemory(memory);
  }
  fi->Unload(image);
  return ok;
}

bool savePng(const FrameCapture& capture, const std::string& path) {
  std::string png;
  return encodePng(capture, png) && writeRegularFile(path, png);
}

bool saveNumberedPng(const FrameCapture& capture, const std::string& folder, std::string& name) {
  std::string png;
  return encodePng(capture, png) && writeNumberedFile(folder, kScreenshotPrefix, kScreenshotSuffix, png, name);
}

}  // namespace qor
