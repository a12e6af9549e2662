#include "ai/Board.h"

#include "util/LineScanner.h"
#include "util/MappedFile.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace qor::ai {

Board board;

Board::Board() : cells_(static_cast<std::size_t>(kCellCount), kFree) {}

void Board::clear() { std::fill(cells_.begin(), cells_.end(), kFree); }

void Board::readCells(std::string_view text) {
  LineScanner scan{text.data(), text.data() + text.size()};
  int32_t value = 0;
  bool ended = false;
  for (int32_t& cell : cells_) {
    // One "%d" per cell, its result unchecked: a failed read keeps the last
    // value. A lone sign is taken by the failed read (scanf consumes it), so
    // reading goes on after it; any other stray character stops it for good.
    if (!ended && !scan.readInt(value)) {
      if (scan.peek() == '+' || scan.peek() == '-')
        ++scan.p;
      else
        ended = true;
    }
    cell = value != 0 ? kWall : kFree;
  }
}

void Board::growWalls() {
  // A square neighbourhood is a row window followed by a column window, so
  // the 11 x 11 test splits into two sliding counts: `near` first marks the
  // cells with a wall within kWallMargin columns in their own row, then each
  // row counts the marked cells within kWallMargin rows per column.
  std::vector<uint8_t> near(static_cast<std::size_t>(kCellCount));
  for (int32_t r = 0; r < kRows; ++r) {
    const int32_t* row = &cells_[static_cast<std::size_t>(r) * kColumns];
    uint8_t* out = &near[static_cast<std::size_t>(r) * kColumns];
    int32_t count = 0;  // walls in columns c - margin ... c + margin
    for (int32_t c = 0; c < kWallMargin && c < kColumns; ++c) count += row[c] == kWall;
    for (int32_t c = 0; c < kColumns; ++c) {
      if (c + kWallMargin < kColumns) count += row[c + kWallMargin] == kWall;
      if (c - kWallMargin - 1 >= 0) count -= row[c - kWallMargin - 1] == kWall;
      out[c] = count > 0;
    }
  }
  std::vector<int32_t> columnCount(static_cast<std::size_t>(kColumns), 0);
  auto addRow = [&](int32_t r, int32_t sign) {
    const uint8_t* in = &near[static_cast<std::size_t>(r) * kColumns];
    for (int32_t c = 0; c < kColumns; ++c) columnCount[static_cast<std::size_t>(c)] += sign * in[c];
  };
  for (int32_t r = 0; r < kWallMargin && r < kRows; ++r) addRow(r, 1);
  for (int32_t r = 0; r < kRows; ++r) {
    if (r + kWallMargin < kRows) addRow(r + kWallMargin, 1);
    if (r - kWallMargin - 1 >= 0) addRow(r - kWallMargin - 1, -1);
    int32_t* out = &cells_[static_cast<std::size_t>(r) * kColumns];
    for (int32_t c = 0; c < kColumns; ++c) out[c] = columnCount[static_cast<std::size_t>(c)] > 0 ? kWall : kFree;
  }
}

std::string Board::dumpText() const {
  std::string text;
  text.reserve(static_cast<std::size_t>(kRows) * (kColumns * 2 + 1));
  char number[16];
  for (int32_t r = 0; r < kRows; ++r) {
    const int32_t* row = &cells_[static_cast<std::size_t>(r) * kColumns];
    for (int32_t c = 0; c < kColumns; ++c) {
      char* end = std::to_chars(number, number + sizeof number, row[c]).ptr;
      text.append(number, end);
      text += ' ';
    }
    text += '\n';
  }
  return text;
}

bool Board::writeDump(const std::string& path) const {
  return writeRegularFile(path, dumpText());
}

bool Board::load(const std::string& boardFile, const std::string& dumpFile) {
  const MappedFile file(boardFile);
  readCells(file.bytes());
  growWalls();
  writeDump(dumpFile);
  return file.opened();
}

void Board::clearMarks() {
  for (int32_t& cell : cells_) cell = unmarked(cell);
}

bool loadBoard() { return board.load("tableroConfig2.txt", "newTablero.txt"); }

}  // namespace qor::ai
