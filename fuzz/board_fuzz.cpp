// The board file reader over an arbitrary file: read, wall growth and dump,
// as the start-up does. Whatever the file holds, the grown board has only
// free and wall cells.

#include "FuzzInput.h"
#include "ai/Board.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string& path = kelvo::fuzz::writeInput(data, size, ".board");
  static qor::ai::Board board;  // 811 KB: one per process
  board.load(path, "/dev/null");
  for (int32_t i = 0; i < qor::ai::kCellCount; ++i) {
    const int32_t code = board.cells()[i];
    if (code != qor::ai::kFree && code != qor::ai::kWall) __builtin_trap();
  }
  return 0;
}
