#pragma once
// The renderer interface: draws one frame per call and follows the window's
// size. The program holds its one renderer in `renderer`.

#include "base/memory/SmartPointer.h"

#include <cstdint>
#include <vector>

namespace qor {

class GeometryNode;
class LightNode;

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

// The window size the frame is drawn at, when nobody above says otherwise.
struct ViewSize {
  int32_t width = 640;
  int32_t height = 480;
};
extern ViewSize defaultViewSize;

// An eye, the point it looks at and an up vector, as gluLookAt takes them.
struct LookAt {
  float eye[3];
  float target[3];
  float up[3];
};

// What the frame needs from the layers above the scene, which the scene does
// not include: the shell points `width` and `height` at its screen settings
// (the renderer reads the window size there and `resize` stores it there)
// and `stage` at its stage state (fog in the game stage 5), and
// `castShadows` at the shadow pass (called for each enabled light, with
// lighting off, between the opaque and the translucent pass, when the scene
// asks for shadows; `items` is the frame's render queue, sorted); the GUI
// sets `drawGui` to draw itself over the frame and `opaqueItemsDrawn` to
// learn how many render items passed culling in each frame's opaque pass; a
// tool may set `beforeSwap` to look at the finished back buffer
// (screenshots), and `view` to look from a place of its own in place of the
// scene's active camera (which stays as it is). Null members are skipped.
struct RenderHooks {
  int32_t* width = &defaultViewSize.width;
  int32_t* height = &defaultViewSize.height;
  const int32_t* stage = nullptr;
  void (*castShadows)(const SmartPointer<LightNode>& light, const std::vector<SmartPointer<GeometryNode>>& items) =
      nullptr;
  void (*drawGui)() = nullptr;
  void (*opaqueItemsDrawn)(uint32_t count) = nullptr;
  void (*beforeSwap)(void* data) = nullptr;
  void* beforeSwapData = nullptr;
  const LookAt* view = nullptr;
};
extern RenderHooks renderHooks;

// What the last frame drew, for a tool's statistics: the renderer fills it
// in each frame (counters only, nothing allocated), the shadow pass's caller
// adds the volumes through the castShadows hook.
struct RenderStats {
  uint32_t itemsQueued = 0;    // render items the node walk put in the queue
  uint32_t itemsDrawn = 0;     // of those, the ones that passed culling
  uint32_t itemsCulled = 0;    // and the ones culled (queued = drawn + culled)
  uint64_t triangles = 0;      // the model triangles of the drawn items
  uint32_t lights = 0;         // GL lights enabled for the frame
  uint32_t shadowVolumes = 0;  // shadow volumes drawn, over every light
};
extern RenderStats renderStats;

}  // namespace qor
