#include "ai/PathSearch.h"

#include <limits>

namespace qor::ai {

namespace {

// Parent of the start's neighbours: tracing a path stops there, so the
// start itself is never part of a path (and may lie off the board).
constexpr int32_t kFromStart = -1;

// Neighbour order: left, right, up, down.
constexpr int32_t kOffsets[4][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};

}  // namespace

static_assert((kColumns & (kColumns - 1)) == 0, "a cell's column is its index masked");

// The queue has room for every cell (each enters once) plus the slot that a
// rejected neighbour writes past the last entry.
PathSearch::PathSearch()
    : queue_(static_cast<std::size_t>(kCellCount) + 1), parent_(static_cast<std::size_t>(kCellCount + kParentShift)) {}

template <bool kRandomOrder, class Goal>
bool PathSearch::run(Board& board, BoardCell start, int32_t maxDepth, int (*randomStart)(), Goal&& isGoal,
                     std::vector<BoardCell>& path) {
  int32_t* const cells = board.cells();
  int32_t* const queue = queue_.data();
  int32_t* const parent = parents();
  int32_t tail = 0;
  markedGoal_ = -1;
  bool found = false;
  // Looks at neighbour n of a cell whose way back starts with `from`. The
  // bookkeeping of a free cell is done without branches (its store of
  // `from`, of the mark and of the queue entry are conditional moves): at a
  // search front whether a cell is free is a coin toss for the branch
  // predictor.
  auto visit = [&](int32_t n, int32_t from) {
    const int32_t code = cells[n];
    if (isGoal(n, code)) [[unlikely]] {
      tracePath(n, from, path);
      found = true;
      return true;
    }
    const bool free = code == kFree;
    cells[n] = free ? kMark : code;
    parent[n] = free ? from : parent[n];
    queue[tail] = n;
    tail += free;
    return false;
  };

  // The start: marked and listed only when it lies on the board (an actor
  // off the board can still step onto it), expanded in any case.
  int32_t head = 0;
  if (Board::contains(start.column, start.row)) {
    const int32_t s = Board::index(start.column, start.row);
    cells[s] |= kMark;
    queue[0] = s;
    tail = head = 1;
  }
  if (maxDepth > 0) {
    const int first = kRandomOrder && randomStart ? randomStart() : 0;
    for (int k = 0; k < 4; ++k) {
      const int32_t* offset = kOffsets[(first + k) & 3];
      const int32_t column = start.column + offset[0];
      const int32_t row = start.row + offset[1];
      if (Board::contains(column, row) && visit(Board::index(column, row), kFromStart)) break;
    }
  }
  // The rest in queue order. Cells leave the queue level by level, so the
  // first one too deep to expand ends the search.
  int32_t depth = 1;
  int32_t levelEnd = tail;
  while (!found && head < tail) {
    if (head == levelEnd) {
      ++depth;
      levelEnd = tail;
    }
    if (depth >= maxDepth) break;
    const int32_t i = queue[head++];
    const int32_t column = i & (kColumns - 1);
    const int32_t row = i / kColumns;
    if constexpr (!kRandomOrder) {
      if (column > 0 && column < kColumns - 1 && row > 0 && row < kRows - 1) [[likely]] {
        visit(i - 1, i) || visit(i + 1, i) || visit(i - kColumns, i) || visit(i + kColumns, i);
      } else {
        (column > 0 && visit(i - 1, i)) || (column < kColumns - 1 && visit(i + 1, i)) ||
            (row > 0 && visit(i - kColumns, i)) || (row < kRows - 1 && visit(i + kColumns, i));
      }
    } else {
      const int first = randomStart ? randomStart() : 0;
      for (int k = 0; k < 4; ++k) {
        bool reached = false;
        switch ((first + k) & 3) {
          case 0: reached = column > 0 && visit(i - 1, i); break;
          case 1: reached = column < kColumns - 1 && visit(i + 1, i); break;
          case 2: reached = row > 0 && visit(i - kColumns, i); break;
          default: reached = row < kRows - 1 && visit(i + kColumns, i); break;
        }
        if (reached) break;
      }
    }
  }
  tail_ = tail;
  return found;
}

bool PathSearch::findCell(Board& board, BoardCell start, BoardCell goal, std::vector<BoardCell>& path) {
  // A goal off the board is never reached: -1 is no cell's index.
  const int32_t goalIndex = Board::contains(goal.column, goal.row) ? Board::index(goal.column, goal.row) : -1;
  auto isGoal = [goalIndex](int32_t n, int32_t) { return n == goalIndex; };
  return run<false>(board, start, std::numeric_limits<int32_t>::max(), nullptr, isGoal, path);
}

bool PathSearch::findCode(Board& board, BoardCell start, int32_t goalCode, int32_t maxDepth, int (*randomStart)(),
                          std::vector<BoardCell>& path) {
  int32_t* cells = board.cells();
  auto isGoal = [this, cells, goalCode](int32_t n, int32_t code) {
    if (code != goalCode) return false;
    cells[n] |= kMark;
    markedGoal_ = n;
    return true;
  };
  return run<true>(board, start, maxDepth, randomStart, isGoal, path);
}

void PathSearch::tracePath(int32_t goal, int32_t goalParent, std::vector<BoardCell>& path) const {
  path.clear();
  path.push_back({goal % kColumns, goal / kColumns});
  const int32_t* parent = parents();
  for (int32_t p = goalParent; p != kFromStart; p = parent[p])
    path.push_back({p % kColumns, p / kColumns});
}

void PathSearch::clearMarks(Board& board) {
  int32_t* cells = board.cells();
  for (int32_t k = 0; k < tail_; ++k) {
    int32_t& cell = cells[queue_[static_cast<std::size_t>(k)]];
    cell = unmarked(cell);
  }
  if (markedGoal_ >= 0) cells[markedGoal_] = unmarked(cells[markedGoal_]);
  markedGoal_ = -1;
}

}  // namespace qor::ai
