#include "authoring/Capture.h"

#include "ImageFile.h"

#include <FreeImage.h>
#include <GL/gl.h>

#include <cstddef>

namespace kelvo::authoring {

void captureBackBuffer(void* data) {
  Capture& capture = *static_cast<Capture*>(data);
  if (!capture.wanted) return;
  GLint viewport[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, viewport);
  capture.width = viewport[2];
  capture.height = viewport[3];
  if (capture.width <= 0 || capture.height <= 0) return;
  capture.pitch = (capture.width * 3 + 3) & ~3;
  // Sized once for the window; later frames reuse the storage.
  capture.pixels.resize(static_cast<std::size_t>(capture.pitch) * static_cast<std::size_t>(capture.height));
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, capture.width, capture.height, GL_BGR, GL_UNSIGNED_BYTE, capture.pixels.data());
  capture.taken = true;
}

bool savePng(const Capture& capture, const char* path) {
  if (!capture.taken) return false;
  // GL's first row is the bottom one, which is also FreeImage's first scan
  // line, so the rows go in unchanged and the PNG comes out top row first.
  FIBITMAP* image = FreeImage_ConvertFromRawBits(const_cast<BYTE*>(capture.pixels.data()), capture.width,
                                                 capture.height, capture.pitch, 24, FI_RGBA_RED_MASK,
                                                 FI_RGBA_GREEN_MASK, FI_RGBA_BLUE_MASK, FALSE);
  if (!image) return false;
  const bool ok = kelvo::tools::saveImage(image, FIF_PNG, PNG_DEFAULT, path);
  FreeImage_Unload(image);
  return ok;
}

}  // namespace kelvo::authoring
