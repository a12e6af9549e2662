#include "ai/Board.h"
#include "ai/PathSearch.h"
#include "support/TempDir.h"
#include "util/Rand15.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

using kelvo::test::TempDir;
using qor::ai::Board;
using qor::ai::BoardCell;
using qor::ai::kColumns;
using qor::ai::kRows;
using qor::ai::kWall;

namespace {

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The reference growth: for every cell, look at the 11 x 11 square around it
// in a copy of the board as it stood.
void growWallsByScan(Board& board) {
  const std::vector<int32_t> before(board.cells(), board.cells() + qor::ai::kCellCount);
  for (int32_t r = 0; r < kRows; ++r)
    for (int32_t c = 0; c < kColumns; ++c) {
      bool wall = false;
      for (int32_t dr = -5; dr <= 5 && !wall; ++dr)
        for (int32_t dc = -5; dc <= 5 && !wall; ++dc)
          wall = Board::contains(c + dc, r + dr) && before[Board::index(c + dc, r + dr)] == kWall;
      board.write(c, r, wall ? kWall : qor::ai::kFree);
    }
}

std::vector<BoardCell> wallsOf(const Board& board) {
  std::vector<BoardCell> walls;
  for (int32_t r = 0; r < kRows; ++r)
    for (int32_t c = 0; c < kColumns; ++c)
      if (board.read(c, r) == kWall) walls.push_back({c, r});
  return walls;
}

TEST(AiBoard, FreeBoardsReadAsAllFreeAndDumpInTheirExactFormat) {
  std::string line;
  for (int c = 0; c < kColumns; ++c) line += "1 ";
  line += '\n';
  std::string expected;
  for (int r = 0; r < kRows; ++r) expected += line;

  const std::string zeros(static_cast<std::size_t>(qor::ai::kCellCount) * 2, '0');
  const struct {
    const char* name;
    const char* content;  // nullptr: no file
  } cases[] = {{"missing", nullptr}, {"empty", ""}, {"zeros", "0 0 0\r\n0\n"}, {"no number", "x 1 1"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string in = c.content ? dir.write("board.txt", c.content) : dir.file("board.txt");
    Board board;
    board.write(3, 3, kWall);  // loading replaces whatever the board held
    EXPECT_EQ(board.load(in, dir.file("dump.txt")), c.content != nullptr);
    EXPECT_TRUE(wallsOf(board).empty());
    EXPECT_EQ(readAll(dir.file("dump.txt")), expected);
  }
}

TEST(AiBoard, DumpWritesEveryCodeAsItStands) {
  Board board;
  board.write(0, 0, 16);
  board.write(511, 0, 32);
  board.write(2, 395, -7);
  const std::string text = board.dumpText();
  EXPECT_EQ(text.substr(0, 6), "16 1 1");
  const std::size_t firstBreak = text.find('\n');
  EXPECT_EQ(text.substr(firstBreak - 5, 6), "1 32 \n");
  const std::size_t lastLine = text.rfind('\n', text.size() - 2) + 1;
  EXPECT_EQ(text.substr(lastLine, 8), "1 1 -7 1");
}

// Reading stops where the numbers stop and the last number stands for the
// rest; every number but 0 is a wall; a lone sign is swallowed by one read.
TEST(AiBoard, ReaderTakesNumbersAsFormattedInputDoes) {
  const struct {
    std::string_view text;
    std::string firstCells;  // '#' wall, '.' free, for the first cells
    int64_t walls;           // walls on the whole board
  } cases[] = {
      {"0 1 0", ".#.....", 1},
      {"0 0 7", "..#####", qor::ai::kCellCount - 2},
      {"1 x 0 0", "#######", qor::ai::kCellCount},
      {"0 1.5 0", ".######", qor::ai::kCellCount - 1},
      {"-3 0 0", "#......", 1},
      {"0 - 1 0 0", "..#....", 1},
      {"0 +-1 0 0", "..#....", 1},
      {"99999999999 0 -99999999999 0", "#.#....", 2},
      {"0000 0\r\n1\r\n0", "..#....", 1},
      {"1\t\v\f0", "#......", 1},
      {std::string_view("0 1\0 0 0", 9), ".######", qor::ai::kCellCount - 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text));
    Board board;
    board.readCells(c.text);
    std::string first;
    for (int i = 0; i < 7; ++i) first += board.read(i, 0) == kWall ? '#' : '.';
    EXPECT_EQ(first, c.firstCells);
    int64_t walls = 0;
    for (int32_t i = 0; i < qor::ai::kCellCount; ++i) walls += board.cells()[i] == kWall;
    EXPECT_EQ(walls, c.walls);
  }
}

// One wall grows into the 11 x 11 square around it, cut at the borders and
// never wrapping into the neighbouring rows.
TEST(AiBoard, OneWallGrowsIntoItsSquare) {
  const struct {
    BoardCell wall;
    BoardCell low, high;  // the expected square, corners included
  } cases[] = {
      {{10, 10}, {5, 5}, {15, 15}},
      {{0, 100}, {0, 95}, {5, 105}},
      {{511, 200}, {506, 195}, {511, 205}},
      {{0, 0}, {0, 0}, {5, 5}},
      {{511, 395}, {506, 390}, {511, 395}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.wall.column << "," << c.wall.row);
    Board board;
    board.write(c.wall.column, c.wall.row, kWall);
    board.growWalls();
    std::vector<BoardCell> expected;
    for (int32_t r = c.low.row; r <= c.high.row; ++r)
      for (int32_t col = c.low.column; col <= c.high.column; ++col) expected.push_back({col, r});
    EXPECT_EQ(wallsOf(board), expected);
  }
}

TEST(AiBoard, GrowthEqualsTheScanOnRandomBoards) {
  // Wall densities from a few scattered cells to a board mostly wall, plus
  // the other codes a board may hold (they all become free).
  const int densities[] = {0, 2, 30, 400, 3000, 16000, 32767};
  uint32_t seed = 11;
  for (int density : densities) {
    SCOPED_TRACE(density);
    qor::srand15(seed++);
    Board grown;
    for (int32_t i = 0; i < qor::ai::kCellCount; ++i) {
      const int r = qor::rand15();
      grown.cells()[i] = r < density ? kWall : (r % 7 == 0 ? 16 : (r % 11 == 0 ? 4 : 1));
    }
    Board scanned = grown;
    grown.growWalls();
    growWallsByScan(scanned);
    EXPECT_TRUE(std::equal(grown.cells(), grown.cells() + qor::ai::kCellCount, scanned.cells()));
  }
}

TEST(AiBoard, OffTheBoardReadsNeverFreeAndWritesNothing) {
  Board board;
  const Board before = board;
  const BoardCell outside[] = {{512, 0}, {0, 396}, {-1, 0}, {0, -1}, {-1, -1}, {INT_MIN, 5}, {5, INT_MAX}, {512, 395}};
  for (const BoardCell& cell : outside) {
    EXPECT_NE(board.read(cell.column, cell.row), qor::ai::kFree);
    board.write(cell.column, cell.row, qor::ai::kFree);
    board.write(cell.column, cell.row, 16);
  }
  EXPECT_TRUE(std::equal(board.cells(), board.cells() + qor::ai::kCellCount, before.cells()));
}

TEST(AiBoard, ClearingMarksRestoresEachCode) {
  const int32_t codes[][2] = {{20, 16}, {4, 1}, {2, 2}, {6, 2}, {12, 8}, {36, 32}, {1, 1}, {5, 1}};
  Board board;
  for (int i = 0; i < 8; ++i) board.write(i, 7, codes[i][0]);
  board.clearMarks();
  for (int i = 0; i < 8; ++i) EXPECT_EQ(board.read(i, 7), codes[i][1]) << codes[i][0];
}

// --- path search -----------------------------------------------------------

class AiSearch : public ::testing::Test {
protected:
  Board board;
  qor::ai::PathSearch search;
  std::vector<BoardCell> path;
};

TEST_F(AiSearch, PathListsTheGoalFirstAndEndsNextToTheStart) {
  const struct {
    BoardCell start, goal;
    std::vector<BoardCell> expected;
  } cases[] = {
      {{10, 10}, {13, 10}, {{13, 10}, {12, 10}, {11, 10}}},
      {{10, 10}, {10, 7}, {{10, 7}, {10, 8}, {10, 9}}},
      {{10, 10}, {11, 10}, {{11, 10}}},
      {{0, 0}, {0, 1}, {{0, 1}}},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(search.findCell(board, c.start, c.goal, path));
    EXPECT_EQ(path, c.expected);
    search.clearMarks(board);
  }
  // Around a wall the path bends but every step goes to a neighbour.
  for (int32_t r = 0; r < 300; ++r) board.write(50, r, kWall);
  ASSERT_TRUE(search.findCell(board, {40, 10}, {60, 10}, path));
  EXPECT_EQ(path.front(), (BoardCell{60, 10}));
  BoardCell at{40, 10};
  for (auto it = path.rbegin(); it != path.rend(); ++it) {
    EXPECT_EQ(std::abs(it->column - at.column) + std::abs(it->row - at.row), 1);
    EXPECT_NE(board.read(it->column, it->row), kWall);
    at = *it;
  }
  EXPECT_EQ(path.size(), 20u + 2u * (300u - 10u));
}

TEST_F(AiSearch, GoalIsTestedBeforeItsCode) {
  board.write(20, 20, 8);
  board.write(30, 20, kWall);
  EXPECT_TRUE(search.findCell(board, {10, 20}, {20, 20}, path));
  search.clearMarks(board);
  EXPECT_TRUE(search.findCell(board, {10, 20}, {30, 20}, path));
  search.clearMarks(board);
  // Inside a wall block, or off the board: not reached; the whole open
  // board was searched.
  for (int32_t r = 100; r < 110; ++r)
    for (int32_t c = 100; c < 110; ++c) board.write(c, r, kWall);
  EXPECT_FALSE(search.findCell(board, {10, 20}, {105, 105}, path));
  EXPECT_EQ(search.visitedCount(), static_cast<std::size_t>(qor::ai::kCellCount - 100 - 2));
  search.clearMarks(board);
  EXPECT_FALSE(search.findCell(board, {10, 20}, {512, 20}, path));
}

TEST_F(AiSearch, ClearingTouchesOnlyTheCellsTheSearchMarked) {
  // A pocket the search cannot reach holds a stray mark; clearing after the
  // search must leave it, and restore every cell the search entered.
  for (int32_t c = 200; c <= 204; ++c) {
    board.write(c, 200, kWall);
    board.write(c, 204, kWall);
  }
  for (int32_t r = 200; r <= 204; ++r) {
    board.write(200, r, kWall);
    board.write(204, r, kWall);
  }
  board.write(202, 202, qor::ai::kMark);
  board.write(10, 10, 16);
  board.write(12, 10, 8);
  Board before = board;
  ASSERT_TRUE(search.findCode(board, {10, 10}, 8, 20, nullptr, path));
  EXPECT_EQ(board.read(10, 10), 16 | qor::ai::kMark);
  EXPECT_EQ(board.read(12, 10), 8 | qor::ai::kMark);
  search.clearMarks(board);
  EXPECT_TRUE(std::equal(board.cells(), board.cells() + qor::ai::kCellCount, before.cells()));

  EXPECT_FALSE(search.findCell(board, {10, 10}, {600, 0}, path));
  search.clearMarks(board);
  EXPECT_TRUE(std::equal(board.cells(), board.cells() + qor::ai::kCellCount, before.cells()));
}

TEST_F(AiSearch, CodeSearchReachesDepthTwentyAndNoFurther) {
  // Cells at depth 19 are the last expanded: a goal 20 steps away is found,
  // one 21 steps away is not, whatever the neighbour order.
  for (int first = 0; first < 4; ++first) {
    static int start;
    start = first;
    auto order = [] { return start; };
    for (int32_t d : {1, 2, 19, 20, 21}) {
      SCOPED_TRACE(testing::Message() << "order " << first << ", distance " << d);
      board.write(100 + d, 100, 8);
      EXPECT_EQ(search.findCode(board, {100, 100}, 8, 20, +order, path), d <= 20);
      if (d <= 20) {
        EXPECT_EQ(path.size(), static_cast<std::size_t>(d));
      }
      search.clearMarks(board);
      board.write(100 + d, 100, qor::ai::kFree);
    }
  }
}

}  // namespace
