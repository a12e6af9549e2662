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

PathSearch::PathSearch()
    : queue_(static_cast<std::size_t>(kCellCount)),
      depth_(static_cast<std::size_t>(kCellCount)),
      parent_(static_cast<std::size_t>(kCellCount)) {}

template <class Goal>
bool PathSearch::run(Board& board, BoardCell start, int32_t maxDepth, int (*randomStart)(), Goal&& isGoal,
                     std::vector<BoardCell>& path) {
  int32_t* cells = board.cells();
  tail_ = 0;
  markedGoal_ = -1;
  int32_t head = 0;
  // The start is expanded first; it is marked and listed only when it lies
  // on the board (an actor off the board can still step onto it).
  if (Board::contains(start.column, start.row)) {
    const int32_t i = Board::index(start.column, start.row);
    cells[i] |= kMark;
    queue_[0] = i;
    depth_[0] = 0;
    tail_ = head = 1;
  }
  BoardCell current = start;
  int32_t currentDepth = 0;
  int32_t currentParent = kFromStart;
  for (;;) {
    // Cells leave the queue in order of depth, so the first one too deep
    // to expand ends the search.
    if (currentDepth >= maxDepth) return false;
    const int first = randomStart ? randomStart() : 0;
    for (int k = 0; k < 4; ++k) {
      const int32_t* offset = kOffsets[(first + k) & 3];
      const int32_t column = current.column + offset[0];
      const int32_t row = current.row + offset[1];
      if (!Board::contains(column, row)) continue;
      const int32_t n = Board::index(column, row);
      if (isGoal(column, row, cells[n], n)) {
        tracePath({column, row}, currentParent, path);
        return true;
      }
      if (cells[n] == kFree) {
        cells[n] = kMark;
        parent_[static_cast<std::size_t>(n)] = currentParent;
        queue_[static_cast<std::size_t>(tail_)] = n;
        depth_[static_cast<std::size_t>(tail_)] = currentDepth + 1;
        ++tail_;
      }
    }
    if (head == tail_) return false;
    const int32_t i = queue_[static_cast<std::size_t>(head)];
    currentDepth = depth_[static_cast<std::size_t>(head)];
    ++head;
    current = {i % kColumns, i / kColumns};
    currentParent = i;
  }
}

bool PathSearch::findCell(Board& board, BoardCell start, BoardCell goal, std::vector<BoardCell>& path) {
  auto isGoal = [goal](int32_t column, int32_t row, int32_t, int32_t) {
    return column == goal.column && row == goal.row;
  };
  return run(board, start, std::numeric_limits<int32_t>::max(), nullptr, isGoal, path);
}

bool PathSearch::findCode(Board& board, BoardCell start, int32_t goalCode, int32_t maxDepth, int (*randomStart)(),
                          std::vector<BoardCell>& path) {
  int32_t* cells = board.cells();
  auto isGoal = [this, cells, goalCode](int32_t, int32_t, int32_t code, int32_t n) {
    if (code != goalCode) return false;
    cells[n] |= kMark;
    markedGoal_ = n;
    return true;
  };
  return run(board, start, maxDepth, randomStart, isGoal, path);
}

void PathSearch::tracePath(BoardCell goal, int32_t goalParent, std::vector<BoardCell>& path) const {
  path.clear();
  path.push_back(goal);
  for (int32_t p = goalParent; p != kFromStart; p = parent_[static_cast<std::size_t>(p)])
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
