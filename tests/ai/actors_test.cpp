#include "ai/Actors.h"
#include "support/TempDir.h"
#include "util/Rand15.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

using kelvo::test::TempDir;
using namespace qor::ai;

namespace {

std::vector<std::string> voices;

void recordVoice(const char* fileName, float x, float y, float z) {
  EXPECT_EQ(x, 3.0f);
  EXPECT_EQ(y, 0.0f);
  EXPECT_EQ(z, -30.0f);
  voices.push_back(fileName);
}

// A room 10.24 wide and 7.92 deep, centred on the origin: cells of 0.02.
Placement testRoom() {
  const float boxMin[3] = {-5.12f, -1.0f, -3.96f};
  return Placement::fromBox(boxMin);
}

bool anyMarks(const Board& board) {
  return std::any_of(board.cells(), board.cells() + kCellCount, [](int32_t c) { return (c & kMark) != 0; });
}

class AiActors : public ::testing::Test {
protected:
  void SetUp() override {
    voices.clear();
    voicePlayer = &recordVoice;
    roomPlacement = &testRoom;
    qor::srand15(1);
  }
  void TearDown() override {
    voicePlayer = nullptr;
    roomPlacement = &placementFromRoomModel;
    releaseActorNodes(record);
    qor::collectGarbage();
  }

  Worker& addWorker(int32_t column, int32_t row) {
    Worker w;
    w.column = column;
    w.row = row;
    record.workers.push_back(w);
    record.workerPositions.push_back(qor::makeShared<qor::TranslateNode>(0.0f, 0.0f, 0.0f));
    record.workerHeadings.push_back(qor::makeShared<qor::RotateNode>(0.0f, 0.0f, 1.0f, 0.0f));
    board.write(column, row, kWorker);
    return record.workers.back();
  }
  void putThief(int32_t column, int32_t row) {
    board.write(record.thief.column, record.thief.row, kFree);
    record.thief.column = column;
    record.thief.row = row;
    board.write(column, row, kPlayer);
  }
  void putChild(int32_t column, int32_t row, bool following) {
    record.hasChild = true;
    record.child.column = column;
    record.child.row = row;
    record.child.engaged = following;
    record.childPosition = qor::makeShared<qor::TranslateNode>(0.0f, 0.0f, 0.0f);
    record.childHeading = qor::makeShared<qor::RotateNode>(0.0f, 0.0f, 1.0f, 0.0f);
    board.write(column, row, kChild);
  }

  Board board;
  GameRecord record;
};

// --- the actor file ---------------------------------------------------------

TEST_F(AiActors, ActorFileGivesTheActorsThatCouldBeRead) {
  struct Figure {
    int32_t column, row, kind;
  };
  const struct {
    const char* content;  // nullptr: no file
    std::vector<Figure> workers;
    std::optional<BoardCell> child;
  } cases[] = {
      {"2\n10 20 1\n30 40 2\n100 200 7\n", {{10, 20, 1}, {30, 40, 2}}, BoardCell{100, 200}},
      {"1\r\n5 6 3\r\n7 8 9\r\n", {{5, 6, 3}}, BoardCell{7, 8}},
      {nullptr, {}, std::nullopt},
      {"", {}, std::nullopt},
      {"0\n5 6 7", {}, BoardCell{5, 6}},
      {"-4\n5 6", {}, BoardCell{5, 6}},
      {"3\n1 2 3\n4 5", {{1, 2, 3}, {4, 5, 0}}, std::nullopt},
      {"2\n1 2 3 x 5 6 7 8 9", {{1, 2, 3}}, std::nullopt},
      {"2147483647\n1 2 3", {{1, 2, 3}}, std::nullopt},
      {"1\n600 10 0\n-1 -1 0", {{600, 10, 0}}, BoardCell{-1, -1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.content ? c.content : "(missing)");
    TempDir dir;
    const std::string path = c.content ? dir.write("actors.txt", c.content) : dir.file("actors.txt");
    Board board;
    GameRecord record;
    EXPECT_EQ(createActors(board, record, path), c.content != nullptr);

    ASSERT_EQ(record.workers.size(), c.workers.size());
    ASSERT_EQ(record.workerPositions.size(), c.workers.size());
    ASSERT_EQ(record.workerHeadings.size(), c.workers.size());
    int32_t expectedOnBoard = 0;
    for (std::size_t i = 0; i < c.workers.size(); ++i) {
      const Worker& w = record.workers[i];
      EXPECT_EQ(w.column, c.workers[i].column);
      EXPECT_EQ(w.row, c.workers[i].row);
      EXPECT_EQ(w.kind, c.workers[i].kind);
      EXPECT_FALSE(w.hasPath || w.engaged || w.blockedCount || w.direction);
      EXPECT_FLOAT_EQ(record.workerPositions[i]->x, -5.12f + 0.02f * static_cast<float>(w.column));
      EXPECT_FLOAT_EQ(record.workerPositions[i]->z, -3.96f + 0.02f * static_cast<float>(w.row));
      EXPECT_EQ(record.workerHeadings[i]->angle, 0.0f);
      if (Board::contains(w.column, w.row)) {
        EXPECT_EQ(board.read(w.column, w.row), kWorker);
        ++expectedOnBoard;
      }
    }
    EXPECT_EQ(record.hasChild, c.child.has_value());
    if (c.child) {
      EXPECT_EQ(record.child.column, c.child->column);
      EXPECT_EQ(record.child.row, c.child->row);
      if (Board::contains(c.child->column, c.child->row)) {
        EXPECT_EQ(board.read(c.child->column, c.child->row), kChild);
        ++expectedOnBoard;
      }
    }
    // The child's nodes exist whatever the file held.
    ASSERT_TRUE(record.childPosition && record.childHeading);
    EXPECT_EQ(std::count_if(board.cells(), board.cells() + kCellCount, [](int32_t code) { return code != kFree; }),
              expectedOnBoard);
    releaseActorNodes(record);
    EXPECT_TRUE(record.workerPositions.empty() && record.workerHeadings.empty() && !record.childPosition);
  }
}

// --- workers ----------------------------------------------------------------

TEST_F(AiActors, WorkersChaseAndCatchOnlyWhileTheChildFollows) {
  const struct {
    bool childFollows;
    int32_t distance;
    bool caught, engaged;
    std::vector<std::string> voices;
    int32_t columnAfter;  // 0: not checked (wandering)
  } cases[] = {
      // Next to the thief: caught in the same update, before the (blocked) step.
      {true, 1, true, true, {kVoiceChase, kVoiceCatch}, 201},
      {false, 1, false, false, {}, 0},
      {true, 59, false, true, {kVoiceChase}, 258},
      {true, 60, false, false, {}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.childFollows << " " << c.distance);
    board.clear();
    record = GameRecord{};
    voices.clear();
    putThief(200, 200);
    record.child.engaged = c.childFollows;
    Worker& w = addWorker(200 + c.distance, 200);
    updateWorkers(board, record);
    EXPECT_EQ(record.caught, c.caught);
    EXPECT_EQ(w.engaged, c.engaged);
    EXPECT_EQ(voices, c.voices);
    if (c.columnAfter) {
      EXPECT_EQ(w.column, c.columnAfter);
      EXPECT_EQ(w.row, 200);
    }
    EXPECT_EQ(board.read(200, 200), kPlayer);
    EXPECT_FALSE(anyMarks(board));
  }
}

TEST_F(AiActors, AlarmSoundsWhenAChaseBeginsAndTheCatchAtEveryUpdate) {
  putThief(100, 100);
  Worker& w = addWorker(110, 100);
  record.child.engaged = true;
  for (int i = 0; i < 12; ++i) updateWorkers(board, record);
  // Nine steps bring it next to the thief; the last three updates catch.
  EXPECT_EQ(w.column, 101);
  EXPECT_EQ(w.direction, kWest);
  std::vector<std::string> expected = {kVoiceChase, kVoiceCatch, kVoiceCatch, kVoiceCatch};
  EXPECT_EQ(voices, expected);
  // The child stops following: the chase ends; when she follows again the
  // alarm sounds again.
  record.child.engaged = false;
  updateWorkers(board, record);
  EXPECT_FALSE(w.engaged);
  record.child.engaged = true;
  voices.clear();
  const bool near = std::abs(w.column - 100) + std::abs(w.row - 100) < 2;
  updateWorkers(board, record);
  expected = {kVoiceChase};
  if (near) expected.push_back(kVoiceCatch);
  EXPECT_EQ(voices, expected);
}

TEST_F(AiActors, WorkerPlansAgainAfterFiveBlockedSteps) {
  Worker& w = addWorker(100, 100);
  board.write(101, 100, kChild);  // the path's next cell is taken
  w.hasPath = true;
  w.path = {{102, 100}, {101, 100}};
  for (int i = 1; i <= 4; ++i) {
    updateWorkers(board, record);
    EXPECT_EQ(w.blockedCount, i);
    EXPECT_TRUE(w.hasPath);
  }
  // Freed after four failures, the step succeeds and the count starts over.
  board.write(101, 100, kFree);
  updateWorkers(board, record);
  EXPECT_EQ(w.column, 101);
  EXPECT_EQ(w.blockedCount, 0);
  EXPECT_EQ(board.read(100, 100), kFree);
  EXPECT_EQ(board.read(101, 100), kWorker);

  board.write(102, 100, kChild);
  for (int i = 1; i <= 5; ++i) updateWorkers(board, record);
  EXPECT_FALSE(w.hasPath);
  EXPECT_EQ(w.blockedCount, 0);
  EXPECT_EQ(w.column, 101);
  // The next update plans a path to a new random target and takes its first step.
  updateWorkers(board, record);
  EXPECT_TRUE(w.hasPath);
  EXPECT_EQ(std::abs(w.column - 101) + std::abs(w.row - 100), 1);
}

TEST_F(AiActors, WanderingWorkersFollowTheSeededGenerator) {
  // Each worker draws its column and row in list order; a new path runs
  // to that target and the first step is taken at once.
  qor::srand15(2024);
  int32_t expected[2][2];
  for (auto& target : expected) {
    target[0] = static_cast<int32_t>(qor::rand15() / 32767.0 * 512);
    target[1] = static_cast<int32_t>(qor::rand15() / 32767.0 * 396);
  }
  qor::srand15(2024);
  addWorker(30, 40);
  addWorker(400, 300);
  const BoardCell before[2] = {{30, 40}, {400, 300}};
  updateWorkers(board, record);
  for (int i = 0; i < 2; ++i) {
    const Worker& w = record.workers[static_cast<std::size_t>(i)];
    EXPECT_EQ(w.targetColumn, expected[i][0]);
    EXPECT_EQ(w.targetRow, expected[i][1]);
    ASSERT_TRUE(w.hasPath);
    EXPECT_EQ(w.path.front(), (BoardCell{expected[i][0], expected[i][1]}));
    const int32_t was = std::abs(before[i].column - expected[i][0]) + std::abs(before[i].row - expected[i][1]);
    EXPECT_EQ(std::abs(w.column - expected[i][0]) + std::abs(w.row - expected[i][1]), was - 1);
  }

  // The same seed gives the same walk; no search mark outlives an update.
  auto walk = [](uint32_t seed) {
    Board b;
    for (int32_t r = 150; r < 250; ++r) b.write(256, r, kWall);
    GameRecord g;
    for (int32_t k = 0; k < 4; ++k) {
      Worker w;
      w.column = 100 + 50 * k;
      w.row = 200;
      b.write(w.column, w.row, kWorker);
      g.workers.push_back(w);
    }
    qor::srand15(seed);
    std::vector<BoardCell> cells;
    for (int i = 0; i < 40; ++i) {
      updateWorkers(b, g);
      EXPECT_FALSE(anyMarks(b));
      for (const Worker& w : g.workers) cells.push_back({w.column, w.row});
    }
    return cells;
  };
  EXPECT_EQ(walk(7), walk(7));
  EXPECT_NE(walk(7), walk(8));
}

TEST_F(AiActors, WorkerWithNoWayToItsTargetWaits) {
  Worker& w = addWorker(100, 100);
  for (const BoardCell& n : {BoardCell{99, 100}, {101, 100}, {100, 99}, {100, 101}}) board.write(n.column, n.row, kWall);
  for (int i = 0; i < 3; ++i) updateWorkers(board, record);
  EXPECT_FALSE(w.hasPath);
  EXPECT_EQ(w.column, 100);
  EXPECT_EQ(board.read(100, 100), kWorker);
}

TEST_F(AiActors, NodesPlaceTheFigureAndTurnItWithItsStep) {
  const struct {
    BoardCell next;
    int32_t direction;
    float heading;
  } cases[] = {{{11, 20}, kEast, 90.0f}, {{9, 20}, kWest, -90.0f}, {{10, 21}, kSouth, 0.0f}, {{10, 19}, kNorth, 180.0f}};
  for (const auto& c : cases) {
    board.clear();
    record = GameRecord{};
    Worker& w = addWorker(10, 20);
    record.workerHeadings[0]->angle = 45.0f;
    w.hasPath = true;
    w.path = {c.next};
    updateWorkers(board, record);
    EXPECT_EQ(w.direction, c.direction);
    EXPECT_EQ(record.workerHeadings[0]->angle, c.heading);
    EXPECT_FLOAT_EQ(record.workerPositions[0]->x, -5.12f + 0.02f * static_cast<float>(c.next.column));
    EXPECT_EQ(record.workerPositions[0]->y, 0.0f);
    EXPECT_FLOAT_EQ(record.workerPositions[0]->z, -3.96f + 0.02f * static_cast<float>(c.next.row));
  }
  // No step yet: the heading stays as it was.
  EXPECT_EQ(headingFor(0, 45.0f), 45.0f);
}

// --- the child --------------------------------------------------------------

TEST_F(AiActors, ChildStepsTowardsTheThiefAndStopsNextToHer) {
  const struct {
    BoardCell thief;
    BoardCell after;
    int32_t direction;
  } cases[] = {
      {{102, 100}, {101, 100}, kEast},  {{98, 100}, {99, 100}, kWest},   {{100, 102}, {100, 101}, kSouth},
      {{100, 98}, {100, 99}, kNorth},   {{101, 100}, {100, 100}, 0},     {{100, 99}, {100, 100}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.thief.column << "," << c.thief.row);
    board.clear();
    record = GameRecord{};
    voices.clear();
    putChild(100, 100, false);
    putThief(c.thief.column, c.thief.row);
    updateChild(board, record);
    EXPECT_TRUE(record.child.engaged);
    EXPECT_EQ(voices, std::vector<std::string>{kVoiceFollow});
    EXPECT_EQ((BoardCell{record.child.column, record.child.row}), c.after);
    EXPECT_EQ(record.child.direction, c.direction);
    EXPECT_EQ(board.read(c.after.column, c.after.row), kChild);
    EXPECT_EQ(board.read(c.thief.column, c.thief.row), kPlayer);
    if (c.after.column != 100 || c.after.row != 100) {
      EXPECT_EQ(board.read(100, 100), kFree);
    }
    EXPECT_FLOAT_EQ(record.childPosition->x, -5.12f + 0.02f * static_cast<float>(c.after.column));
    EXPECT_FALSE(anyMarks(board));
    // Still following at the next update: no second call.
    updateChild(board, record);
    EXPECT_EQ(voices.size(), 1u);
  }
}

TEST_F(AiActors, ChildStandsWhenTheThiefIsOutOfReach) {
  putChild(100, 100, true);
  // 20 cells away, or 19 cells away behind a wall: the child stops following.
  putThief(120, 100);
  updateChild(board, record);
  EXPECT_FALSE(record.child.engaged);
  for (int32_t r = 80; r <= 120; ++r) board.write(110, r, kWall);
  putThief(119, 100);
  record.child.engaged = true;
  updateChild(board, record);
  EXPECT_FALSE(record.child.engaged);
  EXPECT_EQ((BoardCell{record.child.column, record.child.row}), (BoardCell{100, 100}));
  EXPECT_TRUE(voices.empty());
  // An unread child never moves.
  putThief(102, 100);
  record.hasChild = false;
  updateChild(board, record);
  EXPECT_FALSE(record.child.engaged);
  EXPECT_EQ((BoardCell{record.child.column, record.child.row}), (BoardCell{100, 100}));
}

TEST_F(AiActors, ChildNearHomeWithTheThiefCloseEscapes) {
  const struct {
    BoardCell child, thief;
    bool escaped;
  } cases[] = {
      {{345, 12}, {347, 12}, true},    // home and the thief next to her
      {{350, 10}, {362, 15}, true},    // the thief 17 away: no path needed
      {{341, 10}, {343, 10}, true},    // 9 from home
      {{340, 10}, {342, 10}, false},   // 10 from home
      {{345, 12}, {365, 12}, false},   // the thief 20 away
      {{345, 12}, {0, 0}, false},      // the thief's first step not taken yet
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.child.column << "," << c.child.row);
    board.clear();
    record = GameRecord{};
    voices.clear();
    putChild(c.child.column, c.child.row, false);
    record.thief.column = c.thief.column;
    record.thief.row = c.thief.row;
    updateChild(board, record);
    EXPECT_EQ(record.escaped, c.escaped);
    EXPECT_EQ(std::count(voices.begin(), voices.end(), std::string(kVoiceHome)), c.escaped ? 1 : 0);
  }
}

TEST_F(AiActors, FiguresOffTheBoardUpdateSafely) {
  addWorker(-1, 5);
  addWorker(600, 600);
  putChild(-3, -3, true);
  putThief(2, 2);
  record.child.engaged = true;
  for (int i = 0; i < 30; ++i) {
    updateWorkers(board, record);
    updateChild(board, record);
    EXPECT_FALSE(anyMarks(board));
  }
  // The worker next to the board steps onto it; the other stays where it was.
  EXPECT_TRUE(Board::contains(record.workers[0].column, record.workers[0].row));
  EXPECT_EQ((BoardCell{record.workers[1].column, record.workers[1].row}), (BoardCell{600, 600}));
}

}  // namespace
