#include "app/StageFlow.h"

#include "gui/GuiManager.h"
#include "scene/Renderer.h"
#include "script/SceneBuiltins.h"

#include <charconv>

namespace qor {

int32_t stage = 1;
int32_t stageStart = 0;
int32_t lastWorkerUpdate = 0;
int32_t lastChildUpdate = 0;
int32_t playerColumn = 120;
int32_t playerRow = 33;
int32_t facing = 3;

void showSlide(const char* /*fileName*/) {
  // The slide scene: the model from the model manager, moved to z = -2 and
  // scaled by 3, becomes the scene's root.
}

void slideAdvance() {
  switch (stage) {
    case 1:
      stage = 2;
      showSlide("./Data/Models/slide2.obj");
      break;
    case 2:
      stage = 3;
      showSlide("./Data/Models/slide3.obj");
      break;
    case 3:
      stage = 4;
      showSlide("./Data/Models/slide4.obj");
      break;
    case 4:
      stage = 5;
      buildGameScene();
      break;
    default:
      break;  // the game and the end slides ignore left presses
  }
}

void buildGameScene() {
  // The room, light, player, child, arrow, background and worker groups
  // under the three view rotations.
}

void gameStageStep() {
  // Time-out, worker and child updates, the bobbing arrow and the end tests.
}

void turnPlayerLeft() {
  facing = (facing + 1) % 4;
  // The player's heading node turns by +90 degrees.
}

void turnPlayerRight() {
  facing = facing == 0 ? 3 : facing - 1;
  // The player's heading node turns by -90 degrees.
}

void turnPlayerAround() {
  facing = (facing + 2) % 4;
  // The player's heading node turns by 180 degrees.
}

void stepPlayerForward() {
  // One cell forward on the board in the facing direction when it is free.
}

void liftPlayer(float /*dy*/) {
  // The player's position node moves up or down.
}

void turnView(int32_t /*degrees*/) {
  // The view-turn node's angle grows by the given degrees.
}

namespace {

// The diagnostic windows, by their GUI ids.
int32_t frustumWindow = -1;
int32_t collisionWindow = -1;

// Every frame: how many items passed culling in the opaque pass, into the
// frustum window's second text. The digits fit the string's own storage, so
// nothing is allocated.
void showFrustumCount(uint32_t count) {
  gui::Window* window = gui::guiManager.findWindow(frustumWindow);
  if (!window || window->texts.size() < 2) return;
  char digits[16];
  const std::to_chars_result written = std::to_chars(digits, digits + sizeof digits, count);
  window->texts[1].text.assign(digits, written.ptr);
}

// Every answer of the script's "collisionDetection".
void showCollisionAnswer(bool collided) {
  gui::Window* window = gui::guiManager.findWindow(collisionWindow);
  if (!window || window->texts.empty()) return;
  window->texts[0].text = collided ? "Collision detected!" : "No collision detected!";
}

}  // namespace

void createDiagnosticWindows() {
  gui::Window frustum(280, "FrustumCulling test");
  frustum.addText("Number of objects inside of the frustum", 12);
  frustum.addText(" ", 250);
  gui::Window collision(200, "CollisionDetection test");
  collision.addText("No collision detected!", 12);
  frustumWindow = gui::guiManager.addWindow(frustum);
  collisionWindow = gui::guiManager.addWindow(collision);
  renderHooks.opaqueItemsDrawn = &showFrustumCount;
  script::collisionAnswerHook = &showCollisionAnswer;
}

void releaseStageNodes() {}

}  // namespace qor
