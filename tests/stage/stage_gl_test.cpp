// The stage flow inside a small installation: slides advanced by left
// presses, the game scene, the game-stage step's end tests on a test clock,
// the player's turns and board steps, the view turned by a drag.

#include "support/GLContext.h"
#include "support/StageInstallation.h"

#include "ai/Actors.h"
#include "ai/Board.h"
#include "app/InputState.h"
#include "app/StageFlow.h"
#include "app/WindowProc.h"
#include "base/memory/IMMObject.h"
#include "material/MaterialLibrary.h"
#include "platform/Clock.h"
#include "platform/Messages.h"
#include "platform/VirtualKeys.h"
#include "scene/GroupNode.h"
#include "scene/ModelManager.h"
#include "scene/Scene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

namespace {

using namespace qor;
using namespace qor::platform;

int32_t testNow = 0;
int32_t testClock() { return testNow; }

void send(UINT message, WPARAM wParam = 0, int32_t x = 0, int32_t y = 0) {
  windowProc(nullptr, message, wParam, MAKELPARAM(static_cast<uint32_t>(x), static_cast<uint32_t>(y)));
}

// The model file the scene shows as a slide; empty for any other root.
std::string slideShown() {
  const auto* root = dynamic_cast<const GroupNode*>(scene.root.get());
  if (!root || root->childCount() != 3) return "";
  const auto* slide = dynamic_cast<const GeometryNode*>(root->get(2).get());
  return slide && slide->model ? slide->model->fileName : "";
}

class StageTest : public kelvo::test::GLTest {
protected:
  void SetUp() override {
    GLTest::SetUp();
    start("1\n200 200 0\n345 10 0\n");  // one worker and the child
  }
  // The installation with the actor file `actors` is the working folder; the
  // show stands on slide 1 at clock 0 with the actors on a free board.
  void start(const std::string& actors) {
    kelvo::test::writeStageInstallation(dir, actors);
    std::filesystem::current_path(dir.path());
    modelManager.Clear();
    materialLibrary.CreateDefaultMaterial();
    inputState = InputState{};
    ai::board.clear();
    ai::game = ai::GameRecord{};
    ai::createActors();
    stage = 1;
    facing = 3;
    playerColumn = 120;
    playerRow = 33;
    testNow = stageStart = lastWorkerUpdate = lastChildUpdate = 0;
    setClockSource(&testClock);
    showSlide(kSlideFiles[0]);
  }
  void TearDown() override {
    setClockSource(nullptr);
    releaseStageNodes();
    scene.root = nullptr;
    modelManager.Clear();
    materialLibrary.clear();
    collectGarbage();
    std::filesystem::current_path(home);
  }
  const std::filesystem::path home = std::filesystem::current_path();
  kelvo::test::TempDir dir;
};

TEST_F(StageTest, LeftPressesAdvanceTheSlidesToTheGameSceneAndEndSlidesStay) {
  // From slide 1 each press shows the next slide; the fourth builds the game
  // scene, and presses in the game stage change nothing.
  for (int expected = 2; expected <= 5; ++expected) {
    send(WM_LBUTTONDOWN, MK_LBUTTON, 10, 10);
    send(WM_LBUTTONUP);
    EXPECT_EQ(stage, expected);
    EXPECT_EQ(slideShown(), expected < 5 ? kSlideFiles[expected - 1] : "");
  }
  // The game scene: background and light stand before the view rotations,
  // the room, the child, the player and one group per worker after them.
  const SceneNodePtr game = scene.root;
  const auto* root = dynamic_cast<const GroupNode*>(game.get());
  ASSERT_NE(root, nullptr);
  ASSERT_EQ(root->childCount(), 10u);
  std::vector<int32_t> kinds;
  for (const SceneNodePtr& child : root->children()) kinds.push_back(child->kind);
  using K = ISceneNode::Kind;
  EXPECT_EQ(kinds, (std::vector<int32_t>{K::kGroup, K::kGroup, K::kTranslate, K::kRotate, K::kRotate, K::kRotate,
                                         K::kGroup, K::kGroup, K::kGroup, K::kGroup}));
  EXPECT_EQ(root->get(4), SceneNodePtr(stageNodes.viewTurn));
  // The player stands on column 120, row 33 of the room's board.
  EXPECT_FLOAT_EQ(stageNodes.playerPosition->x, -0.5f + 120.0f / 512.0f);
  EXPECT_FLOAT_EQ(stageNodes.playerPosition->z, -0.38671875f + 33.0f / 512.0f);
  EXPECT_FLOAT_EQ(roomGrid.cellDepth, 1.0f / 512.0f);

  // No press leaves the game or an end slide.
  for (int end : {5, 6, 7}) {
    stage = end;
    send(WM_LBUTTONDOWN, MK_LBUTTON, 10, 10);
    EXPECT_EQ(stage, end);
    EXPECT_EQ(scene.root, game);
  }
}

TEST_F(StageTest, GameStageStepEndsOnTimeOutCaptureOrHome) {
  // One step at `now` ms after start-up with the record's flags set before
  // it (no worker and no child read, so the updates keep them); of several
  // ends in one pass the last tested wins: home over caught over time-out.
  const struct {
    int32_t now;
    bool caught, escaped, follows;
    int32_t stage;
  } cases[] = {
      {50, false, false, false, 5},     {300000, false, false, true, 5}, {300001, false, false, false, 7},
      {1000, true, false, true, 7},     {1000, false, true, false, 6},  {300001, true, true, true, 6},
      {-5, false, false, false, 5},  // a clock reading before the last update: nothing is due
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "at " << c.now);
    start("");
    stage = 5;
    buildGameScene();
    ai::game.caught = c.caught;
    ai::game.escaped = c.escaped;
    ai::game.child.engaged = c.follows;
    testNow = c.now;
    gameStageStep();
    EXPECT_EQ(stage, c.stage);
    EXPECT_EQ(slideShown(), c.stage == 5 ? "" : kEndSlideFile);
    EXPECT_EQ(stageNodes.arrowGeometry->visible, !c.follows);  // the arrow marks a child that does not follow
    EXPECT_NEAR(stageNodes.arrowLift->y, (std::sin(0.1f) + 1.0f) / 20.0f, 1e-6);
    EXPECT_EQ(lastWorkerUpdate, c.now > 0 ? c.now : 0);
    EXPECT_EQ(lastChildUpdate, c.now > kChildUpdateMs ? c.now : 0);
  }
}

TEST_F(StageTest, StepsGoOnlyOntoFreeCellsAndTurnsAlwaysWork) {
  // The player at (column, row) facing `facing`, her own cell holding
  // `here` (1 before her first step, 8 after it, 2 when she started inside a
  // wall's margin), the cell ahead holding `ahead` (0: left as it is).
  const struct {
    int32_t column, row, facing, here, ahead;
    bool moves;
  } cases[] = {
      {120, 33, 3, 1, 0, true},   {120, 33, 0, 8, 0, true},   {120, 33, 1, 2, 0, true},
      {120, 33, 2, 8, 2, false},  {120, 33, 0, 8, 16, false}, {120, 33, 1, 8, 32, false},
      {120, 33, 3, 8, 4, false},  {511, 10, 0, 8, 0, false},  {0, 10, 2, 8, 0, false},
      {10, 0, 1, 8, 0, false},    {10, 395, 3, 8, 0, false},  {0, 395, 0, 8, 0, true},
  };
  static constexpr int32_t kAhead[4][2] = {{1, 0}, {0, -1}, {-1, 0}, {0, 1}};
  stage = 5;
  buildGameScene();
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.column << "," << c.row << " facing " << c.facing);
    ai::board.clear();
    playerColumn = c.column;
    playerRow = c.row;
    facing = c.facing;
    const int32_t column = c.column + kAhead[c.facing][0], row = c.row + kAhead[c.facing][1];
    ai::board.write(c.column, c.row, c.here);
    if (c.ahead) ai::board.write(column, row, c.ahead);
    const float x = stageNodes.playerPosition->x, z = stageNodes.playerPosition->z;
    send(WM_KEYDOWN, VK_UP);
    EXPECT_EQ(std::pair(playerColumn, playerRow), c.moves ? std::pair(column, row) : std::pair(c.column, c.row));
    EXPECT_NEAR(stageNodes.playerPosition->x - x, c.moves ? kAhead[c.facing][0] / 512.0 : 0.0, 1e-6);
    EXPECT_NEAR(stageNodes.playerPosition->z - z, c.moves ? kAhead[c.facing][1] / 512.0 : 0.0, 1e-6);
    if (c.moves) {
      // She leaves her own code behind as a free cell, nothing else.
      EXPECT_EQ(ai::board.read(c.column, c.row), c.here == ai::kPlayer ? ai::kFree : c.here);
      EXPECT_EQ(ai::board.read(column, row), ai::kPlayer);
      EXPECT_EQ(std::pair(ai::game.thief.column, ai::game.thief.row), std::pair(column, row));
    } else if (c.ahead) {
      EXPECT_EQ(ai::board.read(column, row), c.ahead);
    }
  }

  // Walled in on all four sides she still turns, and the figure turns with her.
  ai::board.clear();
  for (const auto& a : kAhead) ai::board.write(playerColumn + a[0], playerRow + a[1], ai::kWall);
  const struct {
    WPARAM key;
    int32_t facing;
    float angle;
  } turns[] = {{VK_LEFT, 0, 90}, {VK_LEFT, 1, 180}, {VK_RIGHT, 0, 90}, {VK_RIGHT, 3, 0},
               {VK_RIGHT, 2, -90}, {VK_DOWN, 0, 90}, {VK_DOWN, 2, 270}, {VK_UP, 2, 270}};
  facing = 3;
  stageNodes.playerHeading->angle = 0.0f;
  const int32_t column = playerColumn;
  for (const auto& t : turns) {
    send(WM_KEYDOWN, t.key);
    EXPECT_EQ(facing, t.facing) << t.key;
    EXPECT_FLOAT_EQ(stageNodes.playerHeading->angle, t.angle) << t.key;
  }
  EXPECT_EQ(playerColumn, column);
}

TEST_F(StageTest, DraggingInTheGameTurnsTheRoom) {
  // A left drag of dx pixels in the game stage turns the room by dx degrees
  // about the vertical axis (39 at first); moves without the button, or in
  // other stages, do not.
  const struct {
    int32_t stage;
    bool held;
    int32_t dx;
    float angle;
  } drags[] = {{5, true, 90, 129}, {5, true, -30, 9}, {5, false, 90, 39}, {6, true, 90, 39}};
  for (const auto& d : drags) {
    stage = 5;
    buildGameScene();
    stage = d.stage;
    send(WM_MOUSEMOVE, 0, 100, 50);
    if (d.held) send(WM_LBUTTONDOWN, MK_LBUTTON, 100, 50);
    send(WM_MOUSEMOVE, d.held ? MK_LBUTTON : 0, 100 + d.dx, 60);
    EXPECT_FLOAT_EQ(stageNodes.viewTurn->angle, d.angle) << d.dx;
    send(WM_LBUTTONUP);
  }
}

}  // namespace
