// The actor file reader over an arbitrary file, then a few updates of what it
// created: workers wandering and chasing, the child following. The board is
// walled in except for a 64 x 64 room (with a pillar), so that every search
// stays small. No search mark may outlive an update.

#include "FuzzInput.h"
#include "ai/Actors.h"
#include "ai/Board.h"
#include "base/memory/IMMObject.h"
#include "util/Rand15.h"

#include <cstddef>
#include <cstdint>

namespace {

using namespace qor::ai;

Placement fixedRoom() {
  const float boxMin[3] = {-5.12f, -1.0f, -3.96f};
  return Placement::fromBox(boxMin);
}

void ignoreVoice(const char*, float, float, float) {}

// The room and a one-cell rim of its walls: all that the searches reach.
constexpr int32_t kFirstRow = 99, kEndRow = 165, kFirstColumn = 199, kEndColumn = 265;

int32_t roomCell(int32_t c, int32_t r) {
  const bool inside = r > kFirstRow && r < kEndRow - 1 && c > kFirstColumn && c < kEndColumn - 1;
  const bool pillar = c >= 230 && c < 234 && r >= 110 && r < 150;
  return inside && !pillar ? kFree : kWall;
}

void checkNoMarksInRoom(const Board& board) {
  for (int32_t r = kFirstRow; r < kEndRow; ++r)
    for (int32_t c = kFirstColumn; c < kEndColumn; ++c)
      if (board.read(c, r) & kMark) __builtin_trap();
}

// Once per input, over the whole board: no mark anywhere; then every cell
// back as the next input expects it (figures the actor file placed outside
// the room stood on walls).
void checkAndReset(Board& board) {
  for (int32_t r = 0; r < kRows; ++r) {
    for (int32_t c = 0; c < kColumns; ++c) {
      int32_t& cell = board.cells()[r * kColumns + c];
      if (cell & kMark) __builtin_trap();
      cell = roomCell(c, r);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string& path = kelvo::fuzz::writeInput(data, size, ".actors");
  // Made once; each input leaves it as it found it (checkAndReset), so the
  // twelve checks within an input need only look at the room.
  static Board& board = [] () -> Board& {
    static Board b;
    checkAndReset(b);
    return b;
  }();
  roomPlacement = &fixedRoom;
  voicePlayer = &ignoreVoice;
  {
    GameRecord record;
    createActors(board, record, path);
    // Many workers only repeat the same work; a few are enough.
    if (record.workers.size() > 12) record.workers.resize(12);
    qor::srand15(static_cast<uint32_t>(size));
    record.thief.column = 210;
    record.thief.row = 120;
    board.write(210, 120, kPlayer);
    for (int round = 0; round < 6; ++round) {
      record.child.engaged = round % 3 != 0;
      updateWorkers(board, record);
      checkNoMarksInRoom(board);
      updateChild(board, record);
      checkNoMarksInRoom(board);
    }
    releaseActorNodes(record);
  }
  checkAndReset(board);
  roomPlacement = &placementFromRoomModel;
  voicePlayer = nullptr;
  qor::collectGarbage();
  return 0;
}
