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
    : queue_(static_cast<std::size_t>(kCellCount) + 1),
      parent_(static_cast<std::size_t>(kCellCount + kParentShift)),
      stamp_(static_cast<std::size_t>(kCellCount), 0) {
  bucket_[0].reserve(static_cast<std::size_t>(kCellCount));
  bucket_[1].reserve(static_cast<std::size_t>(kCellCount));
}

template <bool kRandomOrder, class Goal>
bool PathSearch::run(Board& board, BoardCell start, int32_t maxDepth, int (*randomStart)(), Goal&& isGoal,
                     std::vector<BoardCell>& path) {
  int32_t* const cells = board.cells();
  int32_t* const queue = queue_.data();
  int32_t* const parent = parents();
  int32_t tail = 0;
  enteredTotal_ += static_cast<uint64_t>(tail_);
  tail_ = 0;
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

bool PathSearch::findCell(Board& board, BoardCell start, BoardCell goal, std::vector<BoardCell>& path,
                          int32_t maxEntered) {
  int32_t* const cells = board.cells();
  int32_t* const distance = parents();  // by entered cell: its exact or best known distance to the goal
  markedGoal_ = -1;
  enteredTotal_ += static_cast<uint64_t>(tail_);
  tail_ = 0;
  const bool startOnBoard = Board::contains(start.column, start.row);
  if (startOnBoard) {
    const int32_t s = Board::index(start.column, start.row);
    cells[s] |= kMark;
    queue_[0] = s;
    tail_ = 1;
  }
  // Nothing is reached from a start with no neighbour on the board, nor is
  // a goal off the board.
  if (start.column < -1 || start.column > kColumns || start.row < -1 || start.row > kRows) return false;
  if (!Board::contains(goal.column, goal.row)) return false;
  if (++searchNumber_ == 0) {  // wrapped: no stamp may match a later number
    std::fill(stamp_.begin(), stamp_.end(), 0u);
    searchNumber_ = 1;
  }
  const uint32_t number = searchNumber_;
  uint32_t* const stamp = stamp_.data();
  int32_t* const queue = queue_.data();
  int32_t tail = tail_;
  auto toStart = [start](int32_t i) {
    const int32_t c = i & (kColumns - 1);
    const int32_t r = i / kColumns;
    return (c > start.column ? c - start.column : start.column - c) + (r > start.row ? r - start.row : start.row - r);
  };
  const int32_t g = Board::index(goal.column, goal.row);
  // The goal is expanded as it stands; when free it is entered too, so that
  // no path comes back through it.
  if (cells[g] == kFree) {
    cells[g] = kMark;
    queue[tail++] = g;
  }
  stamp[g] = number;
  distance[g] = 0;
  std::vector<int32_t>* current = &bucket_[0];
  std::vector<int32_t>* next = &bucket_[1];
  current->clear();
  next->clear();
  current->push_back(g);
  int32_t estimate = toStart(g);  // distance plus Manhattan distance to the start, the same for the current bucket
  int32_t length = -1;             // the shortest path's number of moves, once known
  while (!current->empty()) {
    const int32_t i = current->back();
    current->pop_back();
    const int32_t h = toStart(i);
    const int32_t d = distance[i];
    if (d + h == estimate) {  // not an entry left behind by a shorter way found later
      if (h == 1 && length < 0) length = d + 1;
      const int32_t column = i & (kColumns - 1);
      const int32_t row = i / kColumns;
      const int32_t n4[4] = {column > 0 ? i - 1 : -1, column < kColumns - 1 ? i + 1 : -1, row > 0 ? i - kColumns : -1,
                             row < kRows - 1 ? i + kColumns : -1};
      for (int32_t n : n4) {
        if (n < 0) continue;
        if (cells[n] == kFree) {
          cells[n] = kMark;
          queue[tail++] = n;
          stamp[n] = number;
        } else if (stamp[n] != number || distance[n] <= d + 1) {
          continue;
        }
        distance[n] = d + 1;
        (toStart(n) < h ? current : next)->push_back(n);
      }
      // Over its allowance the search gives up, even with a length known:
      // the distances it would walk back along may not all be exact yet.
      if (tail > maxEntered) [[unlikely]] {
        length = -1;
        break;
      }
    }
    if (current->empty()) {
      if (length >= 0) break;  // every cell that could lie on a shortest path is exact
      std::swap(current, next);
      estimate += 2;
    }
  }
  tail_ = tail;
  if (length < 0) return false;
  // From the start, the first move (left, right, up, down) onto a cell one
  // step nearer the goal.
  path.resize(static_cast<std::size_t>(length));
  int32_t column = start.column;
  int32_t row = start.row;
  for (int32_t remaining = length; remaining > 0; --remaining) {
    for (const auto& offset : kOffsets) {
      const int32_t c = column + offset[0];
      const int32_t r = row + offset[1];
      if (!Board::contains(c, r)) continue;
      const int32_t n = Board::index(c, r);
      if (remaining == 1 ? n == g : stamp[n] == number && n != g && distance[n] == remaining - 1) {
        column = c;
        row = r;
        break;
      }
    }
    path[static_cast<std::size_t>(remaining - 1)] = {column, row};
  }
  return true;
}

bool PathSearch::findCellBreadthFirst(Board& board, BoardCell start, BoardCell goal, std::vector<BoardCell>& path) {
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
