// The board: its reader and dump, wall growth against the plain 11 x 11 scan, the edges and marks; the
// breadth-first searches and their clearing.

#include "ai/Board.h"
#include "ai/PathSearch.h"
#include "support/TempDir.h"
#include "util/Rand15.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
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
        for (int32_t dc = -5; dc <= 5 && !wall; ++dc)
          wall = Board::contains(c + dc, r + dr) && before.read(c + dc, r + dr) == kWall;
      board.write(c, r, wall ? kWall : kFree);
    }
}

// Loading: a missing or all-zero file leaves all free ("1 " per cell in the dump). Numbers read as "%d"
// does; the last one stands for the rest; a lone sign is lost. One wall grows into its 11 x 11 square
// (121 cells), cut at the borders, never wrapping; on random boards the growth is the scan's.
TEST(AiBoard, LoadingReadsGrowsAndDumps) {
  kelvo::test::TempDir dir;
  std::string free;
  for (int32_t i = 1; i <= kCellCount; ++i) free += i % kColumns ? "1 " : "1 \n";
  for (const std::string& in : {dir.file("missing"), dir.write("zeros", "0 0\r\n0\n")}) {
    Board board;
    board.write(3, 3, kWall);  // loading replaces what the board held
    EXPECT_EQ(board.load(in, in + ".dump"), in.ends_with("zeros"));
    EXPECT_EQ(kelvo::test::readFile(in + ".dump"), free);
  }
  const struct {
    std::string_view text;
    std::string first;  // the dump of the first seven cells: 1 free, 2 wall
    int64_t walls;
  } cases[] = {
      {"", "1 1 1 1 1 1 1 ", 0},      {"0 1 -3 0", "1 2 2 1 1 1 1 ", 2},    {"0 0 7", "1 1 2 2 2 2 2 ", kCellCount - 2},
      {"1 x 0 0", "2 2 2 2 2 2 2 ", kCellCount}, {"0 - 1 0 +-2 0", "1 1 2 1 1 2 1 ", 2},
      {"99999999999\r\n0\t0", "2 1 1 1 1 1 1 ", 1}, {std::string_view("0 1\0 0", 6), "1 2 2 2 2 2 2 ", kCellCount - 1},
  };
  for (const auto& c : cases) {
    Board board;
    board.readCells(c.text);
    EXPECT_EQ(board.dumpText().substr(0, 14), c.first) << c.text;
    EXPECT_EQ(std::count(board.cells(), board.cells() + kCellCount, kWall), c.walls) << c.text;
  }

  auto wallsAfterGrowth = [](Board grown) -> int64_t {  // -1: not as scanned
    Board scanned = grown;
    grown.growWalls();
    growWallsByScan(scanned);
    return sameBoard(grown, scanned) ? std::count(grown.cells(), grown.cells() + kCellCount, kWall) : -1;
  };
  const std::pair<BoardCell, int64_t> single[] = {{{10, 10}, 121}, {{0, 100}, 6 * 11}, {{511, 395}, 6 * 6}};
  for (const auto& [wall, square] : single) {
    Board board;
    board.write(wall.column, wall.row, kWall);
    EXPECT_EQ(wallsAfterGrowth(board), square) << wall.column << "," << wall.row;
  }
  for (int density : {0, 3, 40, 500, 4000, 20000, 32767}) {
    auto code = [density](int r) { return r < density ? kWall : r % 7 == 0 ? kWorker : r % 11 == 0 ? kMark : kFree; };
    qor::srand15(static_cast<uint32_t>(density));
    Board board;  // other codes than walls all become free
    for (int32_t i = 0; i < kCellCount; ++i) board.cells()[i] = code(qor::rand15());
    EXPECT_GE(wallsAfterGrowth(board), 0) << density;
  }
}

// Off the board nothing is free or written. Paths list the goal first. The search clears only what it
// marked (not the walled-in mark at 0, 0); the board's clearing restores every code.
TEST(AiSearch, PathsListTheGoalFirstAndClearingRestoresTheBoard) {
  Board board;
  const std::pair<BoardCell, int32_t> placed[] = {{{1, 0}, kWall},       {{0, 1}, kWall},        {{30, 20}, kWall},
                                                  {{0, 0}, kMark},       {{100, 100}, kWorker}, {{102, 100}, kPlayer}};
  for (const auto& [cell, code] : placed) board.write(cell.column, cell.row, code);
  const Board before = board;
  const BoardCell off[] = {{512, 0}, {0, 396}, {-1, 0}, {0, -1}, {INT32_MIN, 5}, {512, 395}};
  for (const BoardCell& cell : off) EXPECT_NE(board.read(cell.column, cell.row), kFree);
  for (const BoardCell& cell : off) board.write(cell.column, cell.row, kWorker);
  PathSearch search;
  std::vector<BoardCell> path;
  const struct {
    BoardCell start, goal;
    std::vector<BoardCell> path;  // empty: not found
  } cases[] = {
      {{10, 10}, {13, 10}, {{13, 10}, {12, 10}, {11, 10}}}, {{10, 10}, {10, 11}, {{10, 11}}},
      {{28, 20}, {30, 20}, {{30, 20}, {29, 20}}},  // the goal is tested before its code
      {{10, 10}, {512, 10}, {}}, {{10, 10}, {0, 0}, {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(search.findCell(board, c.start, c.goal, path), !c.path.empty());
    EXPECT_TRUE(c.path.empty() || path == c.path);
    search.clearMarks(board);
    EXPECT_TRUE(sameBoard(board, before));
  }
  // A search given fewer cells than it needs fails and leaves the board as it was; with enough it
  // finds the same path.
  for (const int32_t allowance : {10, 150, kCellCount}) {
    SCOPED_TRACE(allowance);
    std::vector<BoardCell> unlimited;
    ASSERT_TRUE(search.findCell(board, {10, 10}, {200, 12}, unlimited));
    const std::size_t needed = search.visitedCount();
    search.clearMarks(board);
    EXPECT_EQ(search.findCell(board, {10, 10}, {200, 12}, path, allowance), needed <= std::size_t(allowance));
    EXPECT_LE(search.visitedCount(), static_cast<std::size_t>(allowance) + 4);
    EXPECT_TRUE(needed > std::size_t(allowance) || path == unlimited);
    search.clearMarks(board);
    EXPECT_TRUE(sameBoard(board, before));
  }
  search.findCell(board, {10, 10}, {0, 0}, path);
  // The walled-in goal is given up at once: only the start was entered. The breadth-first search
  // reaches every cell but the three walls, the mark and the two figures.
  EXPECT_EQ(search.visitedCount(), 1u);
  EXPECT_FALSE(search.findCellBreadthFirst(board, {10, 10}, {0, 0}, path));
  EXPECT_EQ(search.visitedCount(), static_cast<std::size_t>(kCellCount - 6));
  search.clearMarks(board);
  ASSERT_TRUE(search.findCode(board, {100, 100}, kPlayer, 20, nullptr, path));
  EXPECT_TRUE(board.read(100, 100) == (kWorker | kMark) && board.read(102, 100) == (kPlayer | kMark));
  search.clearMarks(board);
  EXPECT_TRUE(sameBoard(board, before));
  const int32_t codes[][2] = {{20, 16}, {4, 1}, {2, 2}, {12, 8}, {36, 32}, {5, 1}};
  for (int i = 0; i < 6; ++i) board.write(i, 7, codes[i][0]);
  board.clearMarks();  // every mark, and a cell left at 0 is free
  for (int i = 0; i < 6; ++i) EXPECT_EQ(board.read(i, 7), codes[i][1]) << codes[i][0];
}

// On random boards (walls 0-40 %, figures, old marks) the best-first findCell gives the breadth-first
// result: found or not, the same path, the same board after clearing. Starts and goals include walls,
// figures, cells off the board (next to it or far) and start == goal.
TEST(AiSearch, FindCellIsTheBreadthFirstSearch) {
  PathSearch fast, reference;
  int found = 0;
  for (int density : {0, 5, 15, 25, 40}) {
    qor::srand15(static_cast<uint32_t>(7 + density));
    Board board;
    for (int32_t i = 0; i < kCellCount; ++i) {
      const int r = qor::rand15() % 100;
      board.cells()[i] = r < density ? kWall : r == 99 ? kWorker : r == 98 ? kMark : kFree;
    }
    auto cell = [](int32_t spread) {  // sometimes off the board
      return BoardCell{qor::rand15() % (kColumns + 2 * spread) - spread, qor::rand15() % (kRows + 2 * spread) - spread};
    };
    for (int k = 0; k < 40; ++k) {
      const BoardCell start = cell(k % 10 == 0 ? 2 : 0);
      BoardCell goal = k % 8 == 0 ? start : cell(k % 9 == 0 ? 1 : 0);
      if (k % 3 == 0) goal = {start.column + qor::rand15() % 61 - 30, start.row + qor::rand15() % 61 - 30};
      Board a = board, b = board;
      std::vector<BoardCell> pa{{-5, -5}}, pb{{-5, -5}};
      const bool ra = fast.findCell(a, start, goal, pa);
      const bool rb = reference.findCellBreadthFirst(b, start, goal, pb);
      found += rb;
      EXPECT_EQ(ra, rb) << density << " " << k;
      EXPECT_EQ(pa, pb) << density << " " << k;
      fast.clearMarks(a);
      reference.clearMarks(b);
      EXPECT_TRUE(sameBoard(a, b)) << density << " " << k;
    }
  }
  EXPECT_GT(found, 100);
}

}  // namespace
