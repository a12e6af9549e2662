// The actors: the actor file, the workers' chase, catch, re-planning and random targets, and the child.

#include "ai/Actors.h"
#include "support/TempDir.h"
#include "util/Rand15.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>
#include <vector>

using namespace qor::ai;

namespace {

// The voices played, one letter each: chase A, catch C, follow F, home H.
std::string heard;

class AiActors : public ::testing::Test {
protected:
  void SetUp() override {
    voicePlayer = [](const char* fileName, float, float, float) {
      const char* const names[] = {kVoiceChase, kVoiceCatch, kVoiceFollow, kVoiceHome};
      heard += "ACFH?"[std::find(names, names + 4, std::string(fileName)) - names];
    };
    // A room 10.24 wide and 7.92 deep, centred on the origin: cells of 0.02.
    roomPlacement = [] { return Placement::fromBox(std::array{-5.12f, -1.0f, -3.96f}.data()); };
    qor::srand15(1);
  }
  void TearDown() override {
    voicePlayer = nullptr;
    roomPlacement = &placementFromRoomModel;
    releaseActorNodes(record);
    qor::collectGarbage();
  }
  // A fresh board and record: the thief, then the figures from an actor file (the child last).
  void stage(BoardCell thief, const std::vector<BoardCell>& figures, bool child = false) {
    board.clear();
    record = GameRecord{};
    heard.clear();
    std::string file = std::to_string(figures.size() - child) + "\n";
    for (const BoardCell& f : figures) file += std::to_string(f.column) + " " + std::to_string(f.row) + " 0\n";
    createActors(board, record, dir.write("actors.txt", file));
    record.thief.column = thief.column;
    record.thief.row = thief.row;
    board.write(thief.column, thief.row, kPlayer);
  }
  static BoardCell cellOf(const IActor& a) { return {a.column, a.row}; }
  int64_t marks() const {
    return std::count_if(board.cells(), board.cells() + kCellCount, [](int32_t code) { return code & kMark; });
  }

  kelvo::test::TempDir dir;
  Board board;
  GameRecord record;
};

// A missing file gives no actors, a short one those read before the numbers stop; only those on the
// board are written. Every worker read has its nodes, and the child's always exist.
TEST_F(AiActors, ActorFileGivesTheActorsThatCouldBeRead) {
  const struct {
    const char* content;  // nullptr: no file
    std::string actors;   // "column,row,kind;" per worker, then "child"
    int64_t written;
  } cases[] = {
      {"2\n10 20 1\n30 40 2\n100 200 7\n", "10,20,1;30,40,2;child", 3},
      {"1\r\n5 6 3\r\n600 -1 9\r\n", "5,6,3;child", 1}, {nullptr, "", 0}, {"0\n5 6 7", "child", 1},
      {"3\n1 2 3\n4 5", "1,2,3;4,5,0;", 2},           {"2\n1 2 3 x 5 6 7 8 9", "1,2,3;", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.content ? c.content : "(missing)");
    board.clear();
    EXPECT_EQ(createActors(board, record, c.content ? dir.write("a", c.content) : dir.file("b")), c.content != nullptr);
    std::string actors;
    for (const Worker& w : record.workers)
      actors += std::to_string(w.column) + "," + std::to_string(w.row) + "," + std::to_string(w.kind) + ";";
    EXPECT_EQ(actors + (record.hasChild ? "child" : ""), c.actors);
    EXPECT_EQ(std::count(board.cells(), board.cells() + kCellCount, kFree), kCellCount - c.written);
    EXPECT_TRUE(record.childPosition && record.childHeading && record.workerHeadings.size() == record.workers.size());
    EXPECT_EQ(record.workerPositions.size(), record.workers.size());
  }
}

// A file of more workers than the board takes places the first kMaxWorkers, says so on stderr, and still
// finds the child on its line after all of them.
TEST_F(AiActors, ActorFileOfTooManyWorkersPlacesTheFirstOnes) {
  for (const int32_t count : {kMaxWorkers, kMaxWorkers + 1, 20000}) {
    SCOPED_TRACE(count);
    std::string file = std::to_string(count) + "\n";
    for (int32_t i = 0; i < count; ++i) file += std::to_string(i % 500) + " " + std::to_string(i / 500) + " 0\n";
    file += "10 300 0\n";
    board.clear();
    testing::internal::CaptureStderr();
    EXPECT_TRUE(createActors(board, record, dir.write("many", file)));
    const std::string err = testing::internal::GetCapturedStderr();
    const int32_t placed = std::min(count, kMaxWorkers);
    EXPECT_EQ(record.workers.size(), static_cast<std::size_t>(placed));
    EXPECT_EQ(record.workerPositions.size(), record.workers.size());
    EXPECT_TRUE(record.hasChild && cellOf(record.child) == (BoardCell{10, 300}));
    EXPECT_EQ(std::count(board.cells(), board.cells() + kCellCount, kFree), kCellCount - placed - 1);
    if (count > kMaxWorkers) {
      EXPECT_NE(err.find("many: " + std::to_string(count) + " workers"), std::string::npos) << err;
      EXPECT_NE(err.find("first " + std::to_string(kMaxWorkers)), std::string::npos) << err;
    } else {
      EXPECT_EQ(err, "");
    }
  }
}

// Workers that cannot reach their targets (each walled into a cell of its own) make every search fail
// after entering all it may. Up to three share nothing: each searches the whole board, as planned; more
// share the update's budget, however many they are.
TEST_F(AiActors, AnUpdateSearchesNoMoreThanItsBudget) {
  for (const int32_t workers : {1, 3, 4, kMaxWorkers, 4 * kMaxWorkers}) {
    SCOPED_TRACE(workers);
    std::vector<BoardCell> cells;
    for (int32_t i = 0; i < workers; ++i) cells.push_back({4 + 4 * (i % 120), 20 + 4 * (i / 120)});
    stage({500, 390}, cells);
    record.workers.clear();  // the file's limit aside: as many as asked
    for (const BoardCell& c : cells) {
      Worker w;
      w.column = c.column;
      w.row = c.row;
      record.workers.push_back(w);
      board.write(c.column, c.row, kWorker);
      for (auto [dc, dr] : {std::pair{-1, 0}, {1, 0}, {0, -1}, {0, 1}}) board.write(c.column + dc, c.row + dr, kWall);
    }
    const uint64_t before = actorSearch().enteredTotal();
    updateWorkers(board, record);
    const uint64_t entered = actorSearch().enteredTotal() - before;
    const uint64_t wholeBoard = static_cast<uint64_t>(kCellCount - 5 * workers);
    if (workers <= 3) {
      EXPECT_GE(entered, static_cast<uint64_t>(workers) * wholeBoard);
    } else {
      EXPECT_LE(entered, static_cast<uint64_t>(kWorkerSearchBudget) + 8u * static_cast<uint64_t>(workers));
    }
    for (std::size_t i = 0; i < cells.size(); ++i) EXPECT_EQ(cellOf(record.workers[i]), cells[i]);
    EXPECT_EQ(marks(), 0);
  }
}

// Workers chase within 60 only while the child follows the thief; one next to her catches her before it
// tries to step (one 2 away steps, no catch). The alarm sounds once per chase, the catch at every update.
// Five blocked steps running give a new plan, to a target drawn from the seeded generator (column and
// row, worker by worker), and a first step.
TEST_F(AiActors, WorkersChaseCatchAndPlanAgain) {
  const struct {
    bool follows;
    int32_t distance, updates;
    std::string heard;  // A: the worker chases; C: it catches the thief
  } cases[] = {
      {true, 1, 1, "AC"}, {true, 2, 1, "A"},  {false, 1, 1, ""},
      {true, 59, 1, "A"}, {true, 60, 1, ""}, {true, 4, 6, "ACCC"},
  };
  for (const auto& c : cases) {
    stage({200, 200}, {{200 + c.distance, 200}});
    record.child.engaged = c.follows;
    for (int i = 0; i < c.updates; ++i) updateWorkers(board, record);
    const Worker& w = record.workers[0];
    SCOPED_TRACE(c.distance);
    EXPECT_EQ(heard, c.heard);
    EXPECT_TRUE(record.caught == c.heard.ends_with('C') && w.engaged == !c.heard.empty());
    EXPECT_TRUE(!w.engaged || cellOf(w) == (BoardCell{std::max(201, 200 + c.distance - c.updates), 200}));
    EXPECT_TRUE(board.read(200, 200) == kPlayer && board.read(w.column, w.row) == kWorker && marks() == 0);
    EXPECT_FLOAT_EQ(record.workerPositions[0]->z, -3.96f + 0.02f * 200);
  }
  EXPECT_TRUE(record.workers[0].direction == kWest && record.workerHeadings[0]->angle == -90.0f);

  stage({0, 0}, {{100, 100}, {400, 300}, {101, 100}}, true);  // the child takes the path's next cell
  Worker& w = record.workers[0];
  w.hasPath = true;
  w.path = {{102, 100}, {101, 100}};
  for (int i = 0; i < 5; ++i) updateWorkers(board, record);
  EXPECT_TRUE(!w.hasPath && w.blockedCount == 0 && cellOf(w) == (BoardCell{100, 100}));
  auto draw = [](int32_t scale) { return static_cast<int32_t>(qor::rand15() / 32767.0 * scale); };
  qor::srand15(2024);
  const BoardCell target{draw(512), draw(396)}, second{draw(512), draw(396)};
  qor::srand15(2024);
  updateWorkers(board, record);
  EXPECT_EQ((BoardCell{w.targetColumn, w.targetRow}), target);
  EXPECT_EQ((BoardCell{record.workers[1].targetColumn, record.workers[1].targetRow}), second);
  auto away = [&](BoardCell a) { return std::abs(a.column - target.column) + std::abs(a.row - target.row); };
  EXPECT_TRUE(w.hasPath && w.path.front() == target && away(cellOf(w)) == away({100, 100}) - 1);
  EXPECT_TRUE(board.read(100, 100) == kFree && board.read(w.column, w.row) == kWorker);
}

// The child follows the thief found within 20 steps (not round the wall down column 110): it steps into
// the free cell between, stays when she is adjacent, and escapes within 10 (not at 10) of home (350, 10).
TEST_F(AiActors, ChildFollowsTheThiefAndEscapesWithHerNear) {
  const struct {
    BoardCell child, thief, after;
    int32_t direction;
    std::string heard;  // H: escaped; F: follows
  } cases[] = {
      {{100, 100}, {102, 100}, {101, 100}, kEast, "F"},  {{100, 100}, {98, 100}, {99, 100}, kWest, "F"},
      {{100, 100}, {100, 102}, {100, 101}, kSouth, "F"}, {{100, 100}, {100, 98}, {100, 99}, kNorth, "F"},
      {{341, 10}, {343, 10}, {342, 10}, kEast, "HF"},  {{340, 10}, {342, 10}, {341, 10}, kEast, "F"},
      {{345, 12}, {365, 12}, {345, 12}, 0, ""},        {{345, 12}, {0, 0}, {345, 12}, 0, ""},
      {{100, 100}, {119, 100}, {100, 100}, 0, ""},     {{100, 100}, {101, 100}, {100, 100}, 0, "F"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.child.column << "," << c.child.row << " to " << c.thief.column);
    stage(c.thief, {c.child}, true);
    for (int32_t r = 80; r <= 120; ++r) board.write(110, r, kWall);
    updateChild(board, record);
    EXPECT_EQ(heard, c.heard);
    EXPECT_TRUE(record.escaped == (c.heard == "HF") && record.child.engaged == !c.heard.empty());
    EXPECT_TRUE(cellOf(record.child) == c.after && record.child.direction == c.direction);
    EXPECT_TRUE(board.read(c.after.column, c.after.row) == kChild && marks() == 0);
    EXPECT_EQ(board.read(c.child.column, c.child.row), c.direction ? kFree : kChild);
    EXPECT_FLOAT_EQ(record.childPosition->x, -5.12f + 0.02f * static_cast<float>(c.after.column));
  }
  updateChild(board, record);  // following already: no second call
  EXPECT_EQ(heard, "F");
  stage({2, 0}, {});  // an unread child never moves
  updateChild(board, record);
  EXPECT_FALSE(record.child.engaged);
}

}  // namespace
