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

void checkNoMarks(const Board& board) {
  for (int32_t i = 0; i < kCellCount; ++i)
    if (board.cells()[i] & kMark) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string& path = kelvo::fuzz::writeInput(data, size, ".actors");
  static Board board;
  for (int32_t i = 0; i < kCellCount; ++i) board.cells()[i] = kWall;
  for (int32_t r = 100; r < 164; ++r)
    for (int32_t c = 200; c < 264; ++c) board.write(c, r, (c >= 230 && c < 234 && r >= 110 && r < 150) ? kWall : kFree);
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
      checkNoMarks(board);
      updateChild(board, record);
      checkNoMarks(board);
    }
    releaseActorNodes(record);
  }
  roomPlacement = &placementFromRoomModel;
  voicePlayer = nullptr;
  qor::collectGarbage();
  return 0;
}
