#pragma once
// Breadth-first path search over the board, four neighbours per cell.
//
// The board itself is the visited set: the start cell's code is or-ed with
// kMark and every free cell the search reaches is set to kMark, so only cells
// that read exactly kFree are entered. The queue and the parent of every
// reached cell live in flat arrays of one entry per board cell, allocated
// once; the queue doubles as the list of marked cells, so undoing a search
// costs what the search visited, not a pass over the board.

#include "ai/Board.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qor::ai {

class PathSearch {
public:
  PathSearch();

  // Searches from `start` with no depth limit, neighbours in the order
  // left, right, up, down. The goal is the cell `goal`, tested before its
  // code is looked at (so a figure's cell, or a wall next to a reached cell,
  // can be the goal); cells off the board never are. The goal is not marked.
  //
  // The path found is the breadth-first one: of the shortest paths, the
  // first when their moves are compared from the start in the order left,
  // right, up, down. It is found by a best-first search backwards from the
  // goal (distance plus the Manhattan distance to the start), run until
  // every cell that could lie on a shortest path has its exact distance to
  // the goal; the path is then walked from the start taking the first move
  // that stays on a shortest path. On open boards this enters the cells
  // near the line between start and goal instead of a whole disc.
  //
  // A search that would enter more than `maxEntered` cells gives up and
  // fails, as if the goal could not be reached (the default never limits:
  // no search enters more than the board's cells).
  bool findCell(Board& board, BoardCell start, BoardCell goal, std::vector<BoardCell>& path,
                int32_t maxEntered = kCellCount);

  // The same search as findCell, breadth-first (a disc around the start is
  // entered); same result, same board after clearMarks.
  bool findCellBreadthFirst(Board& board, BoardCell start, BoardCell goal, std::vector<BoardCell>& path);

  // Searches from `start` for a neighbour whose code is exactly `goalCode`;
  // cells at depth `maxDepth` or more are not expanded. Before each cell is
  // expanded, `randomStart` picks where in the neighbour order its four
  // neighbours begin (taken modulo 4; null: always at the first). The goal
  // cell is marked.
  bool findCode(Board& board, BoardCell start, int32_t goalCode, int32_t maxDepth, int (*randomStart)(),
                std::vector<BoardCell>& path);

  // Removes the marks of the last search, and only those.
  void clearMarks(Board& board);

  // Cells entered by the last search (the start, when on the board, included).
  std::size_t visitedCount() const { return static_cast<std::size_t>(tail_); }
  // Cells entered by every search so far: what the searches of a stretch
  // of time cost, as the difference of two readings.
  uint64_t enteredTotal() const { return enteredTotal_ + static_cast<uint64_t>(tail_); }

private:
  template <bool kRandomOrder, class Goal>
  bool run(Board& board, BoardCell start, int32_t maxDepth, int (*randomStart)(), Goal&& isGoal,
           std::vector<BoardCell>& path);
  // The path from the goal back to the start's neighbour, goal first.
  void tracePath(int32_t goal, int32_t goalParent, std::vector<BoardCell>& path) const;

  // The parents start this many entries into their allocation. Without the
  // shift the parent and the board code of one cell sit at the same offset
  // in their pages, and the processor holds back each read of a code behind
  // the write of a parent that might alias it (4K aliasing): a fifth of the
  // search time.
  static constexpr int32_t kParentShift = 256;
  int32_t* parents() { return parent_.data() + kParentShift; }
  const int32_t* parents() const { return parent_.data() + kParentShift; }

  std::vector<int32_t> queue_;    // cell indices in the order reached; also the marked cells
  std::vector<int32_t> parent_;   // by cell index: the cell it was reached from; kFromStart next to the start
  std::vector<uint32_t> stamp_;   // by cell index: the number of the findCell that entered it
  std::vector<int32_t> bucket_[2];  // cells to expand at the current estimate and two above it
  uint32_t searchNumber_ = 0;
  int32_t tail_ = 0;
  int32_t markedGoal_ = -1;       // the goal cell findCode marked, or -1
  uint64_t enteredTotal_ = 0;     // cells entered by the searches before the last one
};

}  // namespace qor::ai
