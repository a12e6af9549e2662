#pragma once
// The staged show: four introduction slides, the game stage and two end
// slides. The shell calls these functions from the start-up sequence, the
// window procedure and the main loop; the figures' behaviour is src/ai's.

#include "base/memory/SmartPointer.h"
#include "scene/GeometryNode.h"
#include "scene/TransformNodes.h"

#include <cstdint>

namespace qor {

// 1–4 introduction slides, 5 game, 6 the child was brought home, 7 caught or
// time ran out.
extern int32_t stage;

// Clock readings (ms): stage start, last worker update, last child update.
extern int32_t stageStart;
extern int32_t lastWorkerUpdate;
extern int32_t lastChildUpdate;

// The player's board cell and facing (0 east, 1 north (row - 1), 2 west,
// 3 south (row + 1)).
extern int32_t playerColumn;
extern int32_t playerRow;
extern int32_t facing;

// The game lasts this long from the end of start-up, the slides included.
constexpr int32_t kGameTimeLimitMs = 300000;
// The child is updated when more than this has passed since its last update.
constexpr int32_t kChildUpdateMs = 50;

constexpr const char* kSlideFiles[4] = {"./Data/Models/slide1.obj", "./Data/Models/slide2.obj",
                                        "./Data/Models/slide3.obj", "./Data/Models/slide4.obj"};
constexpr const char* kEndSlideFile = "./Data/Models/slide.obj";

// The game scene's named nodes, each held here besides its place in the
// scene tree; null until the game scene is built.
struct StageNodes {
  SmartPointer<TranslateNode> playerPosition;  // where the player figure stands
  SmartPointer<RotateNode> playerHeading;      // her heading about (0, 1, 0)
  SmartPointer<RotateNode> viewTilt;           // 24 degrees about (1, 0, 0)
  SmartPointer<RotateNode> viewTurn;           // about (0, 1, 0), turned by mouse drags
  SmartPointer<RotateNode> viewRoll;           // 0 degrees about (0, 0, 1)
  SmartPointer<TranslateNode> arrowLift;       // bobs the arrow above the child
  SmartPointer<GeometryNode> arrowGeometry;    // hidden while the child follows
};
extern StageNodes stageNodes;

// The board laid over the room: column 0 at the room's smallest x, columns
// growing towards larger x, rows likewise in z. Measured from the room
// model's box when the game scene is built.
struct RoomGrid {
  float originX = 0.0f;
  float originZ = 0.0f;
  float cellWidth = 0.0f;
  float cellDepth = 0.0f;
};
extern RoomGrid roomGrid;

// Phase of the bobbing arrow (0 to 3.14).
extern float pulse;

// Replaces the scene's root by a slide showing the model `fileName`.
void showSlide(const char* fileName);
// Left press: slide 1 → 2 → 3 → 4 → game (building the game scene); no
// effect in stages 5 to 7.
void slideAdvance();
// Replaces the scene's root by the game scene.
void buildGameScene();
// One pass of the game stage (stage 5): workers, child, arrow, end tests.
// A pass that ends the game shows the end slide and closes the console.
void gameStageStep();

// Game keys of stage 5. Turning always works; a step goes one cell forward
// only onto a free cell.
void turnPlayerLeft();
void turnPlayerRight();
void turnPlayerAround();
void stepPlayerForward();
// F3 / F4: the player figure up or down by `dy`.
void liftPlayer(float dy);
// Mouse drag in stage 5: the view turns by `degrees` about the vertical axis.
void turnView(int32_t degrees);

// The two diagnostic GUI windows of the start-up sequence.
void createDiagnosticWindows();

// Shut-down: the actors' containers and nodes and the game-stage nodes.
void releaseStageNodes();

}  // namespace qor
