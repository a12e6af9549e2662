#pragma once
// The renderer interface: draws one frame per call and follows the window's
// size. The program holds its one renderer in `renderer`.

#include "base/memory/SmartPointer.h"

#include <cstdint>

namespace qor {

class IRenderer : public IMMObject {
public:
  // Draws one frame.
  virtual void render() = 0;
  // Stores width × height as the window size and rebuilds viewport and
  // projection for it.
  virtual void resize(int32_t width, int32_t height) = 0;
};

// The renderer of the window; set when the window is created, released at
// shut-down.
extern SmartPointer<IRenderer> renderer;

}  // namespace qor
