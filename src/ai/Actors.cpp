#include "ai/Actors.h"

#include "scene/ModelManager.h"
#include "util/LineScanner.h"
#include "util/MappedFile.h"
#include "util/Rand15.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace qor::ai {

GameRecord game;
VoicePlayer voicePlayer = nullptr;
RoomPlacement roomPlacement = &placementFromRoomModel;

IActor::~IActor() = default;
void Worker::act() {}
void Children::act() {}
void Thief::act() {}

Placement Placement::fromBox(const float boxMin[3]) {
  Placement p;
  p.minX = boxMin[0];
  p.minZ = boxMin[2];
  p.cellWidth = 2.0f * p.minX / static_cast<float>(kColumns);
  p.cellDepth = 2.0f * p.minZ / static_cast<float>(kRows);
  return p;
}

Placement placementFromRoomModel() {
  // One name object for the whole run: a lookup per update then allocates nothing.
  static const std::string name = kRoomModel;
  const SmartPointer<IModel> room = modelManager.GetModel(name);
  return room ? Placement::fromBox(room->boxMin) : Placement{};
}

float headingFor(int32_t direction, float current) {
  switch (direction) {
    case kEast: return 90.0f;
    case kWest: return -90.0f;
    case kSouth: return 0.0f;
    case kNorth: return 180.0f;
    default: return current;
  }
}

PathSearch& actorSearch() {
  static PathSearch search;
  return search;
}

namespace {

// Manhattan distance, saturated: an actor file may place a figure anywhere
// in the int range, far off the board.
int32_t distance(const IActor& a, int32_t column, int32_t row) {
  const int64_t d = std::llabs(int64_t{a.column} - column) + std::llabs(int64_t{a.row} - row);
  return static_cast<int32_t>(std::min<int64_t>(d, INT32_MAX));
}

void playVoice(const char* fileName) {
  if (voicePlayer) voicePlayer(fileName, kVoicePosition[0], kVoicePosition[1], kVoicePosition[2]);
}

// A value drawn from the 15-bit generator, scaled to 0 ... scale (scale
// itself only for the largest draw) and truncated.
int32_t randomScaled(int32_t scale) {
  return static_cast<int32_t>(static_cast<double>(rand15()) / kRand15Max * scale);
}

// Where the child's search begins in the neighbour order, drawn per cell.
int childNeighbourStart() { return randomScaled(3); }

// Moves `actor` one cell to `next`, leaving a free cell behind and writing
// `code` into the new one.
void moveTo(Board& board, IActor& actor, BoardCell next, int32_t code) {
  if (next.column > actor.column)
    actor.direction = kEast;
  else if (next.column < actor.column)
    actor.direction = kWest;
  else if (next.row > actor.row)
    actor.direction = kSouth;
  else if (next.row < actor.row)
    actor.direction = kNorth;
  board.write(actor.column, actor.row, kFree);
  actor.column = next.column;
  actor.row = next.row;
  board.write(actor.column, actor.row, code);
}

// One step along the planned path; a taken cell counts as a failed step.
// The count is of consecutive failures, so a step that succeeds resets it.
void stepWorker(Board& board, Worker& worker) {
  if (worker.path.empty()) {
    worker.hasPath = false;
    return;
  }
  const BoardCell next = worker.path.back();
  const int32_t code = board.read(next.column, next.row);
  if (code == kFree || code == kMark) {
    worker.path.pop_back();
    moveTo(board, worker, next, kWorker);
    worker.blockedCount = 0;
  } else if (++worker.blockedCount >= kBlockedSteps) {
    worker.blockedCount = 0;
    worker.hasPath = false;
  }
}

void place(const Placement& at, const IActor& actor, TranslateNode* position, RotateNode* heading) {
  if (position) {
    position->x = at.x(actor.column);
    position->y = 0.0f;
    position->z = at.z(actor.row);
  }
  if (heading) heading->angle = headingFor(actor.direction, heading->angle);
}

}  // namespace

bool createActors(Board& board, GameRecord& record, const std::string& file) {
  record.workers.clear();
  record.workerPositions.clear();
  record.workerHeadings.clear();
  record.child = Children{};
  record.hasChild = false;

  const Placement at = roomPlacement ? roomPlacement() : Placement{};
  const MappedFile text(file);
  const std::string_view bytes = text.bytes();
  LineScanner scan{bytes.data(), bytes.data() + bytes.size()};
  // Each figure needs its column and row; its third number is taken when
  // there. Reading stops at the first number that is not there.
  auto readFigure = [&scan](IActor& actor) {
    if (!scan.readInt(actor.column) || !scan.readInt(actor.row)) return false;
    int32_t third = 0;
    if (scan.readInt(third)) actor.kind = third;
    return true;
  };

  int32_t count = 0;
  bool reading = scan.readInt(count);
  if (reading && count > kMaxWorkers)
    std::fprintf(stderr, "kelvo-viewer: %s: %d workers are more than the board takes; the first %d are placed\n",
                 file.c_str(), count, kMaxWorkers);
  for (int32_t i = 0; reading && i < count; ++i) {
    Worker worker;
    reading = readFigure(worker);
    if (!reading) break;
    if (i >= kMaxWorkers) continue;  // read past, so that the child's line is found
    board.write(worker.column, worker.row, kWorker);
    record.workerPositions.push_back(makeShared<TranslateNode>(at.x(worker.column), 0.0f, at.z(worker.row)));
    record.workerHeadings.push_back(makeShared<RotateNode>(0.0f, 0.0f, 1.0f, 0.0f));
    record.workers.push_back(std::move(worker));
  }
  if (reading) {
    Children child;
    if (readFigure(child)) {
      child.kind = 0;  // the child's third number means nothing
      record.child = std::move(child);
      record.hasChild = true;
      board.write(record.child.column, record.child.row, kChild);
    }
  }
  record.childPosition = makeShared<TranslateNode>(at.x(record.child.column), 0.0f, at.z(record.child.row));
  record.childHeading = makeShared<RotateNode>(0.0f, 0.0f, 1.0f, 0.0f);
  return text.opened();
}

void updateWorkers(Board& board, GameRecord& record) {
  const Placement at = roomPlacement ? roomPlacement() : Placement{};
  PathSearch& search = actorSearch();
  const Thief& thief = record.thief;
  // Each worker's share of the update's search budget (a whole board for
  // up to three workers).
  const std::size_t sharers = std::max<std::size_t>(record.workers.size(), 1);
  const auto allowance = static_cast<int32_t>(
      std::min<std::size_t>(kCellCount, static_cast<std::size_t>(kWorkerSearchBudget) / sharers));
  for (std::size_t i = 0; i < record.workers.size(); ++i) {
    Worker& worker = record.workers[i];
    // 1. A random target, used only when a new path is planned.
    worker.targetColumn = randomScaled(kColumns);
    worker.targetRow = randomScaled(kRows);
    // 2-3. Chase while the child follows the thief and she is near; a
    // worker next to her catches her before it tries to step.
    const int32_t d = distance(worker, thief.column, thief.row);
    if (record.child.engaged && d < kChaseRange) {
      if (!worker.engaged) {
        playVoice(kVoiceChase);
        worker.engaged = true;
      }
      if (d < kCatchRange) {
        record.caught = true;
        playVoice(kVoiceCatch);
      }
      worker.targetColumn = thief.column;
      worker.targetRow = thief.row;
      worker.hasPath = false;
    } else {
      worker.engaged = false;
    }
    // 4-5. Plan when there is no path (a failed search leaves the worker
    // where it is until the next target), otherwise walk.
    if (!worker.hasPath) {
      if (search.findCell(board, {worker.column, worker.row}, {worker.targetColumn, worker.targetRow}, worker.path,
                          allowance)) {
        worker.hasPath = true;
        stepWorker(board, worker);
      }
    } else {
      stepWorker(board, worker);
    }
    // 6-7.
    place(at, worker, i < record.workerPositions.size() ? record.workerPositions[i].get() : nullptr,
          i < record.workerHeadings.size() ? record.workerHeadings[i].get() : nullptr);
    search.clearMarks(board);
  }
}

void updateChild(Board& board, GameRecord& record) {
  if (!record.hasChild) return;
  Children& child = record.child;
  const bool wasFollowing = child.engaged;
  child.engaged = false;
  const Thief& thief = record.thief;
  if (distance(child, thief.column, thief.row) >= kFollowRange) return;  // too far: the child stands
  if (distance(child, kHomeCell.column, kHomeCell.row) < kHomeRadius) {
    record.escaped = true;
    playVoice(kVoiceHome);
  }
  PathSearch& search = actorSearch();
  if (search.findCode(board, {child.column, child.row}, kPlayer, kFollowRange, &childNeighbourStart, child.path)) {
    if (!wasFollowing) playVoice(kVoiceFollow);
    child.engaged = true;
    // The path is traced from the cell where the thief was found, not from
    // the cell her record names: only cells this search reached have a
    // parent, so a record out of step with the board cannot lead the trace
    // through stale parents. More than one element means she is not
    // adjacent, so the child takes its first step.
    if (child.path.size() > 1) {
      moveTo(board, child, child.path.back(), kChild);
      child.path.clear();
    }
  }
  place(roomPlacement ? roomPlacement() : Placement{}, child, record.childPosition.get(), record.childHeading.get());
  search.clearMarks(board);
}

void releaseActorNodes(GameRecord& record) {
  record.workerPositions.clear();
  record.workerHeadings.clear();
  record.childPosition = nullptr;
  record.childHeading = nullptr;
}

}  // namespace qor::ai
