#include "ai/Actors.h"
#include "support/TempDir.h"
#include "util/Rand15.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

using namespace qor::ai;

namespace {

std::vector<std::string> voices;

// A room 10.24 wide and 7.92 deep, centred on the origin: cells of 0.02.
Placement testRoom() {
  const float boxMin[3] = {-5.12f, -1.0f, -3.96f};
  return Placement::fromBox(boxMin);
}

class AiActors : public ::testing::Test {
protected:
  void SetUp() override {
    voicePlayer = [](const char* fileName, float x, float y, float z) {
      EXPECT_TRUE(x == 3.0f && y == 0.0f && z == -30.0f);
      voices.push_back(fileName);
    };
    roomPlacement = &testRoom;
    qor::srand15(1);
  }
  void TearDown() override {
    voicePlayer = nullptr;
    roomPlacement = &placementFromRoomModel;
    releaseActorNodes(record);
    qor::collectGarbage();
  }
  // A fresh board and record with the thief at `thief` and the workers and
  // child placed by an actor file (no child line without a child).
  void stage(BoardCell thief, std::vector<BoardCell> workers, std::optional<BoardCell> child = std::nullopt) {
    board.clear();
    record = GameRecord{};
    voices.clear();
    std::string file = std::to_string(workers.size()) + "\n";
    for (const BoardCell& w : workers) file += std::to_string(w.column) + " " + std::to_string(w.row) + " 0\n";
    if (child) file += std::to_string(child->column) + " " + std::to_string(child->row) + " 0\n";
    createActors(board, record, dir.write("actors.txt", file));
    record.thief.column = thief.column;
    record.thief.row = thief.row;
    board.write(thief.column, thief.row, kPlayer);
  }
  BoardCell cellOf(const IActor& a) const { return {a.column, a.row}; }
  int64_t marks() const { return std::count_if(board.cells(), board.cells() + kCellCount, [](int32_t c) { return c & kMark; }); }

  kelvo::test::TempDir dir;
  Board board;
  GameRecord record;
};

TEST_F(AiActors, ActorFileGivesTheActorsThatCouldBeRead) {
  const struct {
    const char* content;  // nullptr: no file
    std::vector<BoardCell> workers;
    int32_t lastKind;
    bool child;
  } cases[] = {
      {"2\n10 20 1\n30 40 2\n100 200 7\n", {{10, 20}, {30, 40}}, 2, true},
      {"1\r\n5 6 3\r\n600 -1 9\r\n", {{5, 6}}, 3, true},  // the child off the board
      {nullptr, {}, 0, false},
      {"0\n5 6 7", {}, 0, true},
      {"3\n1 2 3\n4 5", {{1, 2}, {4, 5}}, 0, false},
      {"2\n1 2 3 x 5 6 7 8 9", {{1, 2}}, 3, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.content ? c.content : "(missing)");
    board.clear();
    const std::string path = c.content ? dir.write("actors.txt", c.content) : dir.file("none.txt");
    EXPECT_EQ(createActors(board, record, path), c.content != nullptr);
    ASSERT_TRUE(record.workers.size() == c.workers.size() && record.workerPositions.size() == c.workers.size() &&
                record.workerHeadings.size() == c.workers.size() && record.childPosition && record.childHeading);
    for (std::size_t i = 0; i < c.workers.size(); ++i) {
      EXPECT_EQ(cellOf(record.workers[i]), c.workers[i]);
      EXPECT_EQ(board.read(c.workers[i].column, c.workers[i].row), kWorker);
      EXPECT_FLOAT_EQ(record.workerPositions[i]->z, -3.96f + 0.02f * static_cast<float>(c.workers[i].row));
    }
    EXPECT_TRUE(c.workers.empty() || record.workers.back().kind == c.lastKind);
    EXPECT_EQ(record.hasChild, c.child);
    // Only the figures read, and only those on the board, are written.
    const int64_t onBoard = static_cast<int64_t>(c.workers.size()) + (c.child && Board::contains(record.child.column, record.child.row));
    EXPECT_EQ(std::count_if(board.cells(), board.cells() + kCellCount, [](int32_t code) { return code != kFree; }), onBoard);
  }
}

TEST_F(AiActors, WorkersChaseAndCatchOnlyWhileTheChildFollows) {
  const struct {
    bool follows;
    int32_t distance;
    bool caught, engaged;
    std::vector<std::string> voices;
  } cases[] = {
      {true, 1, true, true, {kVoiceChase, kVoiceCatch}},  // caught before the (blocked) step
      {true, 2, false, true, {kVoiceChase}},              // one step away: no catch after it
      {false, 1, false, false, {}},
      {true, 59, false, true, {kVoiceChase}},
      {true, 60, false, false, {}},
  };
  for (const auto& c : cases) {
    stage({200, 200}, {{200 + c.distance, 200}});
    record.child.engaged = c.follows;
    updateWorkers(board, record);
    const Worker& w = record.workers[0];
    EXPECT_EQ(record.caught, c.caught) << c.distance;
    EXPECT_EQ(w.engaged, c.engaged) << c.distance;
    EXPECT_EQ(voices, c.voices) << c.distance;
    EXPECT_TRUE(!c.engaged || cellOf(w) == (BoardCell{std::max(201, 199 + c.distance), 200}));
    EXPECT_EQ(board.read(200, 200), kPlayer);
    EXPECT_EQ(marks(), 0);
  }
  // The alarm sounds once per chase; the catch at every update.
  stage({100, 100}, {{104, 100}});
  record.child.engaged = true;
  for (int i = 0; i < 6; ++i) updateWorkers(board, record);
  EXPECT_EQ(voices, (std::vector<std::string>{kVoiceChase, kVoiceCatch, kVoiceCatch, kVoiceCatch}));
  EXPECT_EQ(record.workers[0].direction, kWest);
  EXPECT_EQ(record.workerHeadings[0]->angle, -90.0f);
}

TEST_F(AiActors, WorkerPlansAgainAfterFiveBlockedSteps) {
  stage({0, 0}, {{100, 100}}, BoardCell{101, 100});  // the child takes the path's next cell
  Worker& w = record.workers[0];
  w.hasPath = true;
  w.path = {{102, 100}, {101, 100}};
  for (int i = 1; i <= 4; ++i) updateWorkers(board, record);
  EXPECT_TRUE(w.hasPath && w.blockedCount == 4);
  updateWorkers(board, record);
  EXPECT_TRUE(!w.hasPath && w.blockedCount == 0 && cellOf(w) == (BoardCell{100, 100}));
  // The next update plans to a new random target and takes the first step.
  updateWorkers(board, record);
  EXPECT_TRUE(w.hasPath && std::abs(w.column - 100) + std::abs(w.row - 100) == 1);
  EXPECT_TRUE(board.read(100, 100) == kFree && board.read(w.column, w.row) == kWorker);
}

TEST_F(AiActors, WanderingWorkersDrawTheirTargetsFromTheSeededGenerator) {
  stage({0, 0}, {{30, 40}, {400, 300}});
  qor::srand15(2024);
  BoardCell targets[2];
  for (BoardCell& t : targets) {
    t.column = static_cast<int32_t>(qor::rand15() / 32767.0 * 512);
    t.row = static_cast<int32_t>(qor::rand15() / 32767.0 * 396);
  }
  qor::srand15(2024);
  updateWorkers(board, record);
  const BoardCell starts[2] = {{30, 40}, {400, 300}};
  for (int i = 0; i < 2; ++i) {
    const Worker& w = record.workers[static_cast<std::size_t>(i)];
    auto away = [&](BoardCell a) { return std::abs(a.column - targets[i].column) + std::abs(a.row - targets[i].row); };
    EXPECT_EQ((BoardCell{w.targetColumn, w.targetRow}), targets[i]);
    EXPECT_TRUE(w.hasPath && w.path.front() == targets[i] && away(cellOf(w)) == away(starts[i]) - 1);
  }
}

TEST_F(AiActors, ChildStepsTowardsTheThiefAndStopsNextToHer) {
  const struct {
    BoardCell thief, after;
    int32_t direction;
  } cases[] = {
      {{102, 100}, {101, 100}, kEast}, {{98, 100}, {99, 100}, kWest},   {{100, 102}, {100, 101}, kSouth},
      {{100, 98}, {100, 99}, kNorth},  {{101, 100}, {100, 100}, 0},     {{100, 99}, {100, 100}, 0},
  };
  for (const auto& c : cases) {
    stage(c.thief, {}, BoardCell{100, 100});
    updateChild(board, record);
    updateChild(board, record);  // following already: no second call
    EXPECT_TRUE(record.child.engaged);
    EXPECT_EQ(voices, std::vector<std::string>{kVoiceFollow});
    EXPECT_EQ(cellOf(record.child), c.after);
    EXPECT_EQ(record.child.direction, c.direction);
    EXPECT_EQ(board.read(c.after.column, c.after.row), kChild);
    EXPECT_EQ(board.read(100, 100), c.direction ? kFree : kChild);
    EXPECT_FLOAT_EQ(record.childPosition->x, -5.12f + 0.02f * static_cast<float>(c.after.column));
    EXPECT_EQ(marks(), 0);
  }
}

TEST_F(AiActors, ChildFollowsAndEscapesOnlyWithTheThiefWithinTwenty) {
  const struct {
    BoardCell child, thief;
    bool wall;  // a wall between them, rows 80 to 120 of column 110
    bool escaped, follows;
  } cases[] = {
      {{345, 12}, {347, 12}, false, true, true},    // home, the thief near
      {{341, 10}, {343, 10}, false, true, true},    // 9 from home
      {{340, 10}, {342, 10}, false, false, true},   // 10 from home
      {{345, 12}, {365, 12}, false, false, false},  // the thief 20 away
      {{345, 12}, {0, 0}, false, false, false},     // before the thief's first step
      {{100, 100}, {119, 100}, true, false, false}, // 19 away, but the way round is longer than 20
  };
  for (const auto& c : cases) {
    stage(c.thief, {}, c.child);
    for (int32_t r = 80; c.wall && r <= 120; ++r) board.write(110, r, kWall);
    record.child.engaged = true;
    updateChild(board, record);
    EXPECT_EQ(record.escaped, c.escaped) << c.child.column;
    EXPECT_EQ(record.child.engaged, c.follows) << c.child.column;
    EXPECT_EQ(std::count(voices.begin(), voices.end(), std::string(kVoiceHome)), c.escaped ? 1 : 0);
  }
  // An unread child never moves.
  stage({2, 0}, {});
  updateChild(board, record);
  EXPECT_FALSE(record.child.engaged);
}

}  // namespace
