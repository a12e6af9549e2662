#pragma once
// The staged show: four introduction slides, the game stage and two end
// slides. The shell calls these functions from the start-up sequence, the
// window procedure and the main loop. The scenes themselves (slides, game
// scene, player, board walk) are filled in by the stage-flow work; for now the
// functions keep the stage state and the player's facing.

#include <cstdint>

namespace qor {

// 1–4 introduction slides, 5 game, 6 the child was brought home, 7 caught or
// time ran out.
extern int32_t stage;

// Clock readings (ms): stage start, last worker update, last child update.
extern int32_t stageStart;
extern int32_t lastWorkerUpdate;
extern int32_t lastChildUpdate;

// The player's board cell and facing (0 to 3).
extern int32_t playerColumn;
extern int32_t playerRow;
extern int32_t facing;

// Replaces the scene's root by a slide showing the model `fileName`.
void showSlide(const char* fileName);
// Left press: slide 1 → 2 → 3 → 4 → game (building the game scene); no
// effect in stages 5 to 7.
void slideAdvance();
// Replaces the scene's root by the game scene.
void buildGameScene();
// One pass of the game stage (stage 5): workers, child, arrow, end tests.
void gameStageStep();

// Game keys of stage 5.
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

// Releases the game-stage scene nodes (shut-down).
void releaseStageNodes();

}  // namespace qor
