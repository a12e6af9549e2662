#include "app/App.h"

#include "app/Hooks.h"
#include "app/InputState.h"
#include "app/ScreenSettings.h"
#include "app/StageFlow.h"
#include "app/TrackingDevice.h"
#include "material/TextureManager.h"
#include "platform/FramePacer.h"
#include "platform/Messages.h"
#include "platform/VirtualKeys.h"
#include "platform/Window.h"
#include "scene/Renderer.h"
#include "script/TimerManager.h"

#include <cstdio>

namespace qor {

LoopEnd mainLoop() {
  platform::MSG msg;
  // The show runs at the display's refresh; where the swaps do not wait for
  // it, at 60 passes a second (the nurses step once a pass).
  platform::FramePacer pacer;
  do {
    // At most one message per pass; the loop never waits for one.
    if (platform::peekMessage(msg, platform::PM_REMOVE)) {
      if (msg.message == platform::WM_QUIT) return LoopEnd::Quit;
      platform::translateMessage(msg);
      platform::dispatchMessage(msg);
    }
    if (inputState.keys[platform::VK_ESCAPE]) return LoopEnd::Escape;
    if (inputState.reloadRequested) {
      reload();
      inputState.reloadRequested = false;
    }
    // The tracking device's connection goes on while minimised too.
    rasterDevice.update();
    // Messages keep flowing while minimised; frames and the game wait.
    bool displayPaced = false;
    if (inputState.active) {
      timerManager.update();
      if (renderer) {
        renderer->render();
        const platform::Window* window = platform::currentWindow();
        displayPaced = window && window->vsync();
      }
      dispatchKeyBindings();
      if (stage == 5) gameStageStep();
    }
    if (screenSettings.running) pacer.endPass(displayPaced);
  } while (screenSettings.running);
  return LoopEnd::Stopped;
}

int runViewer() {
  // Textures are decoded in copies of a helper process: make it while this
  // one is small, before the window and GL.
  startTextureDecoding();
  std::string error;
  if (!createMainWindow(error)) {
    std::fprintf(stderr, "kelvo-viewer: %s\n", error.c_str());
    collectRemainingObjects();
    return 1;
  }
  startUp();
  if (screenSettings.running) mainLoop();
  shutDown();
  // Every way out of the loop (WM_QUIT, Escape, the "exit" built-in) is a
  // normal end.
  return 0;
}

}  // namespace qor
