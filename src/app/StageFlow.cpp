#include "app/StageFlow.h"

#include "ai/Actors.h"
#include "ai/Board.h"
#include "app/InputState.h"
#include "gui/GuiManager.h"
#include "platform/Clock.h"
#include "scene/GroupNode.h"
#include "scene/LightNode.h"
#include "scene/ModelManager.h"
#include "scene/Renderer.h"
#include "scene/Scene.h"
#include "script/SceneBuiltins.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

namespace qor {

int32_t stage = 1;
int32_t stageStart = 0;
int32_t lastWorkerUpdate = 0;
int32_t lastChildUpdate = 0;
int32_t playerColumn = 120;
int32_t playerRow = 33;
int32_t facing = 3;
StageNodes stageNodes;
RoomGrid roomGrid;
float pulse = 0.0f;

namespace {

// Every figure of the show is visible and casts a shadow.
SmartPointer<GeometryNode> geometry(const char* fileName) {
  return makeShared<GeometryNode>(modelManager.GetModel(fileName), true, true);
}

SceneNodePtr group(std::vector<SceneNodePtr> children) { return makeShared<GroupNode>(std::move(children)); }

}  // namespace

void showSlide(const char* fileName) {
  // A missing slide file gives an empty model: the slide shows nothing.
  scene.root = group({makeShared<TranslateNode>(0.0f, 0.0f, -2.0f), makeShared<ScaleNode>(3.0f, 3.0f, 3.0f),
                      geometry(fileName)});
}

void slideAdvance() {
  if (stage >= 1 && stage <= 3) {
    showSlide(kSlideFiles[stage]);  // the next slide: stage 1 shows kSlideFiles[0]
    ++stage;
  } else if (stage == 4) {
    stage = 5;
    buildGameScene();
  }
  // The game and the end slides ignore left presses.
}

void buildGameScene() {
  // 1. The board's 512 columns and 396 rows spread over the room's box (a
  //    missing room has an empty box: every cell then stands at the origin).
  const SmartPointer<IModel> room = modelManager.GetModel(ai::kRoomModel);
  if (room) {
    roomGrid.originX = room->boxMin[0];
    roomGrid.originZ = room->boxMin[2];
    roomGrid.cellWidth = std::fabs(room->boxMin[0] - room->boxMax[0]) / static_cast<float>(ai::kColumns);
    roomGrid.cellDepth = std::fabs(room->boxMin[2] - room->boxMax[2]) / static_cast<float>(ai::kRows);
  } else {
    roomGrid = RoomGrid{};
  }

  // 2. The groups. A transform acts on the siblings after it in its group.
  StageNodes& n = stageNodes;
  SceneNodePtr roomGroup = group({makeShared<ScaleNode>(1.0f, 0.5f, 1.0f), makeShared<GeometryNode>(room, true, true)});
  SceneNodePtr lightGroup = group({makeShared<TranslateNode>(5.0f, 5.0f, 5.0f), makeShared<LightNode>()});
  n.playerPosition =
      makeShared<TranslateNode>(roomGrid.originX + static_cast<float>(playerColumn) * roomGrid.cellWidth, 0.0f,
                                roomGrid.originZ + static_cast<float>(playerRow) * roomGrid.cellDepth);
  n.playerHeading = makeShared<RotateNode>(0.0f, 0.0f, 1.0f, 0.0f);
  SceneNodePtr playerGroup = group({n.playerPosition, makeShared<ScaleNode>(0.08f, 0.08f, 0.08f), n.playerHeading,
                                    geometry("./Data/Models/vieja.obj")});
  n.arrowLift = makeShared<TranslateNode>(0.0f, 0.1f, 0.0f);
  n.arrowGeometry = geometry("./Data/Models/arrow.obj");
  SceneNodePtr arrowGroup = group({n.arrowLift, makeShared<ScaleNode>(0.02f, 0.05f, 0.02f),
                                   makeShared<RotateNode>(180.0f, 1.0f, 0.0f, 0.0f), n.arrowGeometry});
  // The child's nodes come from the actors (null ones are left out).
  SceneNodePtr childGroup = group({ai::game.childPosition, arrowGroup, makeShared<ScaleNode>(0.03f, 0.03f, 0.03f),
                                   ai::game.childHeading, geometry("./Data/Models/nino.obj")});
  SceneNodePtr background = group({makeShared<TranslateNode>(0.0f, 0.0f, 0.4f),
                                   makeShared<ScaleNode>(3.0f, 3.0f, 3.0f), geometry("./Data/Models/background.obj")});

  // 3.
  pulse = 0.0f;

  // 4. The background and the light stay put; the three view rotations turn
  //    the room and every figure together.
  n.viewTilt = makeShared<RotateNode>(24.0f, 1.0f, 0.0f, 0.0f);
  n.viewTurn = makeShared<RotateNode>(39.0f, 0.0f, 1.0f, 0.0f);
  n.viewRoll = makeShared<RotateNode>(0.0f, 0.0f, 0.0f, 1.0f);
  std::vector<SceneNodePtr> top = {background, lightGroup, makeShared<TranslateNode>(0.0f, 0.0f, 1.0f),
                                   n.viewTilt, n.viewTurn, n.viewRoll, roomGroup, childGroup, playerGroup};
  // One worker group per worker, all sharing the one nurse model.
  const SmartPointer<IModel> nurse = modelManager.GetModel("./Data/Models/nurse.obj");
  const std::size_t workers = std::min(ai::game.workerPositions.size(), ai::game.workerHeadings.size());
  for (std::size_t i = 0; i < workers; ++i) {
    top.push_back(group({ai::game.workerPositions[i], makeShared<ScaleNode>(0.08f, 0.08f, 0.08f),
                         ai::game.workerHeadings[i], makeShared<GeometryNode>(nurse, true, true)}));
  }
  // 5.
  scene.root = group(std::move(top));
}

void gameStageStep() {
  const int32_t now = platform::clockMs();
  // The end this pass reached (6 or 7), 0 while the game goes on. Of several
  // in one pass the last tested wins: home over caught over time-out.
  int32_t end = 0;
  if (platform::clockDiff(now, stageStart) > kGameTimeLimitMs) end = 7;
  if (platform::clockDiff(now, lastWorkerUpdate) > 0) {
    ai::updateWorkers();
    lastWorkerUpdate = now;
  }
  // The arrow rises from 0.05 to 0.1 and falls back over 32 passes.
  pulse += 0.1f;
  if (stageNodes.arrowLift) stageNodes.arrowLift->y = (std::sin(pulse) + 1.0f) / 20.0f;
  if (pulse >= 3.14f) pulse = 0.0f;
  if (platform::clockDiff(now, lastChildUpdate) > kChildUpdateMs) {
    ai::updateChild();
    lastChildUpdate = now;
  }
  // The arrow marks the child only until she follows the player.
  if (stageNodes.arrowGeometry) stageNodes.arrowGeometry->visible = !ai::game.child.engaged;
  if (ai::game.caught) end = 7;
  if (ai::game.escaped) end = 6;
  if (end != 0) {
    stage = end;
    showSlide(kEndSlideFile);
    // F2 opens and closes the console in the game stage only: left open,
    // it would keep every key from here on, Escape included, and the end
    // slide could not be quit.
    inputState.consoleVisible = false;
  }
}

namespace {

// The player's heading node turns with her facing.
void turnPlayer(int32_t quarterTurns, float degrees) {
  facing = (facing + quarterTurns) % 4;
  if (stageNodes.playerHeading) stageNodes.playerHeading->angle += degrees;
}

}  // namespace

void turnPlayerLeft() { turnPlayer(1, 90.0f); }
void turnPlayerRight() { turnPlayer(3, -90.0f); }
void turnPlayerAround() { turnPlayer(2, 180.0f); }

void stepPlayerForward() {
  // The cell in front, by facing: east, north (row - 1), west, south.
  static constexpr int32_t kAhead[4][2] = {{1, 0}, {0, -1}, {-1, 0}, {0, 1}};
  const int32_t* ahead = kAhead[facing & 3];
  const int32_t column = playerColumn + ahead[0];
  const int32_t row = playerRow + ahead[1];
  // Walls, figures and cells off the board never read free.
  if (ai::board.read(column, row) != ai::kFree) return;
  // Before her first step the player is not on the board yet, and her
  // starting cell may hold a wall or a figure: only her own code is cleared.
  if (ai::board.read(playerColumn, playerRow) == ai::kPlayer) ai::board.write(playerColumn, playerRow, ai::kFree);
  if (TranslateNode* position = stageNodes.playerPosition.get()) {
    position->x += static_cast<float>(ahead[0]) * roomGrid.cellWidth;
    position->z += static_cast<float>(ahead[1]) * roomGrid.cellDepth;
  }
  playerColumn = column;
  playerRow = row;
  ai::board.write(column, row, ai::kPlayer);
  // The workers and the child read the player's cell from the thief's record.
  ai::game.thief.column = column;
  ai::game.thief.row = row;
}

void liftPlayer(float dy) {
  if (stageNodes.playerPosition) stageNodes.playerPosition->y += dy;
}

void turnView(int32_t degrees) {
  if (stageNodes.viewTurn) stageNodes.viewTurn->angle += static_cast<float>(degrees);
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

void releaseStageNodes() {
  ai::game.workers.clear();
  ai::releaseActorNodes();
  stageNodes = StageNodes{};
}

}  // namespace qor
