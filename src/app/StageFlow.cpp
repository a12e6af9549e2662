#include "app/StageFlow.h"

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

void createDiagnosticWindows() {
  // "FrustumCulling test" and "CollisionDetection test" windows.
}

void releaseStageNodes() {}

}  // namespace qor
