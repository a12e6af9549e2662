#include "app/Hooks.h"

#include "ai/Actors.h"
#include "app/InputState.h"
#include "gui/GuiManager.h"
#include "media/sound/SoundManager.h"
#include "scene/GeometryNode.h"
#include "scene/LightNode.h"
#include "scene/Renderer.h"
#include "script/Builtins.h"
#include "shadows/Shadows.h"

#include <vector>

namespace qor {

namespace {

void drawGui() { gui::guiManager.drawGui(); }

// The render queue as the shadow pass reads it. Keeps its storage from frame
// to frame: once the queue has stopped growing, a frame allocates nothing.
std::vector<ShadowCaster> shadowCasters;

void castShadows(const SmartPointer<LightNode>& light, const std::vector<SmartPointer<GeometryNode>>& items) {
  Shadows* pass = shadowPass.get();
  if (!pass || !light) return;
  shadowCasters.resize(items.size());
  for (std::size_t i = 0; i < items.size(); ++i) {
    const GeometryNode* item = items[i].get();
    shadowCasters[i] = item ? ShadowCaster{item, item->model.get(), item->modelView, item->castShadow} : ShadowCaster{};
  }
  pass->CastShadows(light.get()->position, shadowCasters);
  renderStats.shadowVolumes += pass->volumesDrawn();
}

// A voice plays once; a sound that is missing or did not load is skipped.
void playVoice(const char* fileName, float x, float y, float z) {
  soundManager.PlayAt(fileName, x, y, z, false);
}

}  // namespace

void connectGui() {
  renderHooks.drawGui = &drawGui;
  gui::guiManager.consoleVisible = &inputState.consoleVisible;
  gui::guiManager.console.keys = inputState.keys;
}

void connectShadows() { renderHooks.castShadows = &castShadows; }

bool guiMouseDown() {
  // The press happens where the button went down, whatever moves came first.
  gui::guiManager.mouseX = inputState.clickX;
  gui::guiManager.mouseY = inputState.clickY;
  return gui::guiManager.mouseDown();
}

void guiMouseMove(int32_t x, int32_t y) { gui::guiManager.mouseMove(x, y); }

void guiMouseUp() { gui::guiManager.mouseUp(); }

void consoleKeyPressed(uint8_t virtualKey) { gui::guiManager.console.keyPressed(virtualKey); }

void consoleCharTyped(uint32_t codePoint) { gui::guiManager.console.charTyped(codePoint); }

void dispatchKeyBindings() { script::dispatchKeyBindings(inputState.keys); }

void startSound() {
  static constexpr float kOrigin[3] = {0.0f, 0.0f, 0.0f};
  static constexpr float kAhead[3] = {0.0f, 0.0f, -1.0f};
  static constexpr float kUp[3] = {0.0f, 1.0f, 0.0f};
  static constexpr float kSoundDistance = 30.0f;
  if (!soundManager.IsManagerCreated()) soundManager.Create();
  soundManager.SetListener(kOrigin, kAhead, kUp);
  // Every source of the show stands 30 units from the listener; there it is
  // heard at the level its file was mastered at (OpenAL's default would make
  // it 30 times, about 30 dB, quieter).
  soundManager.SetReferenceDistance(kSoundDistance);
  soundManager.PlayAt("./Data/sounds/Musica/ghost6.wav", 3.0f, 0.0f, -30.0f, true);
  ai::voicePlayer = &playVoice;
}

void stopSound() {
  ai::voicePlayer = nullptr;
  soundManager.Destroy();
}

}  // namespace qor
