#pragma once
// The fixed-function OpenGL renderer: owns the window's GL context (and,
// from its creation on, the window itself), sets the fixed GL state once and
// draws the frame.

#include "platform/Window.h"
#include "scene/Renderer.h"

#include <memory>
#include <string>

namespace qor {

struct Scene;

class OpenGLRenderer : public IRenderer {
public:
  // The framebuffer the window is created with: double buffered, 32-bit
  // colour, 16 depth bits, a stencil buffer, no accumulation bits.
  static const platform::PixelFormat kPixelFormat;

  // Takes over the window. In full screen the pointer is hidden and the
  // display switched to the window size. Then a GL context is created on the
  // window and the fixed GL state is set. When no context can be had the
  // renderer draws nothing; hasContext() tells, error() says why.
  OpenGLRenderer(std::unique_ptr<platform::Window> window, bool fullscreen);
  // Undoes the display-mode change, shows the pointer again, deletes the
  // context and destroys the window.
  ~OpenGLRenderer() override;

  std::size_t size() const override { return sizeof(*this); }

  // Projection, fog, camera, the scene's two passes with lights and shadows,
  // the motion blur, the GUI and the buffer swap.
  void render() override;
  void resize(int32_t width, int32_t height) override;

  bool hasContext() const { return context_ != nullptr; }
  const std::string& error() const { return error_; }
  platform::Window* window() const { return window_.get(); }

  // The pieces of a frame, on the current context (public for the tests).
  //
  // Viewport and perspective projection for the stored window size; a
  // height of 0 is stored as 1.
  static void setProjection();
  // Linear grey fog in the game stage (5), none otherwise.
  static void setFog(int32_t stage);
  // The camera, the node tree walk, the depth sort, the lights, the opaque
  // pass (nearest first, culled per item), the shadow pass, the translucent
  // pass (farthest first) and the clean-up. Leaves the camera matrix loaded
  // and the scene's per-frame lists empty.
  static void renderScene(Scene& target);

private:
  bool fullscreen_;
  bool hasAccumulation_ = false;  // the framebuffer has accumulation bits
  platform::GLContext context_ = nullptr;
  std::unique_ptr<platform::Window> window_;
  std::string error_;
};

}  // namespace qor
