#include "ai/Board.h"
#include "ai/PathSearch.h"
#include "support/TempDir.h"
#include "util/Rand15.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

using namespace qor::ai;

namespace {

bool sameBoard(const Board& a, const Board& b) { return std::equal(a.cells(), a.cells() + kCellCount, b.cells()); }

// The reference growth: the 11 x 11 square of every cell, in a copy.
void growWallsByScan(Board& board) {
  const Board before = board;
  for (int32_t r = 0; r < kRows; ++r)
    for (int32_t c = 0; c < kColumns; ++c) {
      bool wall = false;
      for (int32_t dr = -5; dr <= 5 && !wall; ++dr)
        for (int32_t dc = -5; dc <= 5 && !wall; ++dc) wall = Board::contains(c + dc, r + dr) && before.read(c + dc, r + dr) == kWall;
      board.write(c, r, wall ? kWall : kFree);
    }
}

TEST(AiBoard, MissingEmptyOrZeroFilesGiveAFreeBoardAndItsDump) {
  std::string line;
  for (int c = 0; c < kColumns; ++c) line += "1 ";
  std::string expected;
  for (int r = 0; r < kRows; ++r) expected += line + "\n";
  for (const char* content : {static_cast<const char*>(nullptr), "", "0 0\r\n0\n"}) {
    kelvo::test::TempDir dir;
    const std::string in = content ? dir.write("board.txt", content) : dir.file("board.txt");
    Board board;
    board.write(3, 3, kWall);  // loading replaces what the board held
    EXPECT_EQ(board.load(in, dir.file("dump.txt")), content != nullptr);
    std::ifstream dump(dir.file("dump.txt"), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(dump), {}), expected);
  }
}

// Numbers as "%d" reads them; where they stop the last one stands for the
// rest; a lone sign is swallowed by one failed read.
TEST(AiBoard, ReaderTakesNumbersAsFormattedInputDoes) {
  const struct {
    std::string_view text;
    std::string first;  // '#' wall, '.' free
    int64_t walls;
  } cases[] = {
      {"0 1 -3 0", ".##....", 2},       {"0 0 7", "..#####", kCellCount - 2},
      {"1 x 0 0", "#######", kCellCount}, {"0 - 1 0 +-2 0", "..#..#.", 2},
      {"99999999999\r\n0\t0", "#......", 1}, {std::string_view("0 1\0 0", 6), ".######", kCellCount - 1},
  };
  for (const auto& c : cases) {
    Board board;
    board.readCells(c.text);
    std::string first;
    for (int i = 0; i < 7; ++i) first += board.read(i, 0) == kWall ? '#' : '.';
    EXPECT_EQ(first, c.first) << c.text;
    EXPECT_EQ(std::count(board.cells(), board.cells() + kCellCount, kWall), c.walls) << c.text;
  }
}

// One wall becomes its 11 x 11 square, cut at the borders, never wrapping.
TEST(AiBoard, OneWallGrowsIntoItsSquare) {
  const BoardCell cases[][3] = {{{10, 10}, {5, 5}, {15, 15}}, {{0, 100}, {0, 95}, {5, 105}}, {{511, 395}, {506, 390}, {511, 395}}};
  for (const auto& [wall, low, high] : cases) {
    Board board;
    board.write(wall.column, wall.row, kWall);
    board.growWalls();
    for (int32_t r = 0; r < kRows; ++r)
      for (int32_t c = 0; c < kColumns; ++c)
        ASSERT_EQ(board.read(c, r), c >= low.column && c <= high.column && r >= low.row && r <= high.row ? kWall : kFree)
            << wall.column << "," << wall.row << ": " << c << "," << r;
  }
}

TEST(AiBoard, GrowthEqualsTheScanOnRandomBoards) {
  for (int density : {0, 3, 40, 500, 4000, 20000, 32767}) {
    qor::srand15(static_cast<uint32_t>(density));
    Board grown;
    for (int32_t i = 0; i < kCellCount; ++i) {
      const int r = qor::rand15();  // other codes than walls all become free
      grown.cells()[i] = r < density ? kWall : (r % 7 == 0 ? kWorker : (r % 11 == 0 ? kMark : kFree));
    }
    Board scanned = grown;
    grown.growWalls();
    growWallsByScan(scanned);
    EXPECT_TRUE(sameBoard(grown, scanned)) << density;
  }
}

TEST(AiBoard, OffTheBoardNothingIsFreeOrWrittenAndClearingRestoresCodes) {
  Board board;
  const Board before = board;
  for (const BoardCell& cell : {BoardCell{512, 0}, {0, 396}, {-1, 0}, {0, -1}, {INT32_MIN, 5}, {512, 395}}) {
    EXPECT_NE(board.read(cell.column, cell.row), kFree);
    board.write(cell.column, cell.row, kWorker);
  }
  EXPECT_TRUE(sameBoard(board, before));
  const int32_t codes[][2] = {{20, 16}, {4, 1}, {2, 2}, {12, 8}, {36, 32}, {5, 1}};
  for (int i = 0; i < 6; ++i) board.write(i, 7, codes[i][0]);
  board.clearMarks();
  for (int i = 0; i < 6; ++i) EXPECT_EQ(board.read(i, 7), codes[i][1]) << codes[i][0];
}

// --- path search -------------------------------------------------------------

TEST(AiSearch, PathListsTheGoalFirstAndEndsNextToTheStart) {
  Board board;
  PathSearch search;
  std::vector<BoardCell> path;
  board.write(30, 20, kWall);
  const struct {
    BoardCell start, goal;
    std::vector<BoardCell> path;  // empty: not found
  } cases[] = {
      {{10, 10}, {13, 10}, {{13, 10}, {12, 10}, {11, 10}}},
      {{10, 10}, {10, 11}, {{10, 11}}},
      {{28, 20}, {30, 20}, {{30, 20}, {29, 20}}},  // the goal is tested before its code
      {{10, 10}, {512, 10}, {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(search.findCell(board, c.start, c.goal, path), !c.path.empty());
    EXPECT_TRUE(c.path.empty() || path == c.path);
    search.clearMarks(board);
  }
}

TEST(AiSearch, ClearingTouchesOnlyTheCellsTheSearchMarked) {
  // A stray mark in a walled pocket is out of reach: the clearing leaves it.
  Board board;
  for (int32_t k = 200; k <= 204; ++k)
    for (const BoardCell& wall : {BoardCell{k, 200}, {k, 204}, {200, k}, {204, k}}) board.write(wall.column, wall.row, kWall);
  board.write(202, 202, kMark);
  board.write(10, 10, kWorker);
  board.write(12, 10, kPlayer);
  const Board before = board;
  PathSearch search;
  std::vector<BoardCell> path;
  ASSERT_TRUE(search.findCode(board, {10, 10}, kPlayer, 20, nullptr, path));
  EXPECT_TRUE(board.read(10, 10) == (kWorker | kMark) && board.read(12, 10) == (kPlayer | kMark));
  search.clearMarks(board);
  EXPECT_TRUE(sameBoard(board, before));
  EXPECT_FALSE(search.findCell(board, {10, 10}, {202, 202}, path));
  EXPECT_EQ(search.visitedCount(), static_cast<std::size_t>(kCellCount - 25 - 1));  // all but the pocket and the thief
  search.clearMarks(board);
  EXPECT_TRUE(sameBoard(board, before));
}

}  // namespace
