#pragma once
// The board: the grid of cells laid over the floor of the room, on which the
// player, the workers and the child move. One array of cell codes holds the
// walls (read from "tableroConfig2.txt" and grown by a margin), the figures
// and the marks of the path searches.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qor::ai {

// Cell codes. A search mark is or-ed into the code of the cell it reaches
// (a free cell reached by a search reads exactly kMark).
constexpr int32_t kFree = 1;
constexpr int32_t kWall = 2;
constexpr int32_t kMark = 4;
constexpr int32_t kPlayer = 8;
constexpr int32_t kWorker = 16;
constexpr int32_t kChild = 32;

constexpr int32_t kColumns = 512;
constexpr int32_t kRows = 396;
constexpr int32_t kCellCount = kColumns * kRows;

// Walls grow by this many cells in each of the eight directions (an 11 x 11
// square around every wall cell).
constexpr int32_t kWallMargin = 5;

// A board position; also the element of a figure's planned path.
struct BoardCell {
  int32_t column;
  int32_t row;
  friend bool operator==(const BoardCell&, const BoardCell&) = default;
};

class Board {
public:
  static constexpr int32_t columns = kColumns;
  static constexpr int32_t rows = kRows;

  // Every cell free.
  Board();

  static bool contains(int32_t column, int32_t row) {
    return static_cast<uint32_t>(column) < static_cast<uint32_t>(kColumns) &&
           static_cast<uint32_t>(row) < static_cast<uint32_t>(kRows);
  }
  // Row-major: the cell of column c and row r is element r * 512 + c.
  static int32_t index(int32_t column, int32_t row) { return row * kColumns + column; }

  // The code of a cell. Outside the board everything reads as wall, so no
  // caller ever finds a free cell there.
  int32_t read(int32_t column, int32_t row) const {
    return contains(column, row) ? cells_[static_cast<std::size_t>(index(column, row))] : kWall;
  }
  // Outside the board nothing is written.
  void write(int32_t column, int32_t row, int32_t code) {
    if (contains(column, row)) cells_[static_cast<std::size_t>(index(column, row))] = code;
  }

  int32_t* cells() { return cells_.data(); }
  const int32_t* cells() const { return cells_.data(); }

  // Every cell free again.
  void clear();

  // Fills the board from the text of a board file: one "%d" number per cell,
  // row by row; any number other than 0 is a wall. Where the numbers stop
  // (end of text, or a character no number starts with) the last number
  // read stands for every remaining cell; nothing read at all leaves the
  // board free.
  void readCells(std::string_view text);

  // Every cell within kWallMargin columns and rows of a wall (as the board
  // stood before this call) becomes a wall, every other cell free. Costs two
  // passes over the board whatever the margin.
  void growWalls();

  // The board as text: each row's codes as "%d " and a line break per row.
  std::string dumpText() const;
  bool writeDump(const std::string& path) const;

  // Reads `boardFile` (missing: all free), grows the walls and writes the
  // dump to `dumpFile`. True when the board file was read.
  bool load(const std::string& boardFile, const std::string& dumpFile);

  // Removes every search mark: code & ~kMark, and a cell left at 0 is free.
  // One pass over the whole board; the actors clear only the cells their
  // search marked (see PathSearch).
  void clearMarks();

private:
  std::vector<int32_t> cells_;
};

// Restores the code of one marked cell.
inline int32_t unmarked(int32_t code) {
  code &= ~kMark;
  return code == 0 ? kFree : code;
}

// The program's board, all free from static initialisation on.
extern Board board;

// Start-up: "tableroConfig2.txt" read and grown into `board`, dumped to
// "newTablero.txt" in the working directory.
bool loadBoard();

}  // namespace qor::ai
