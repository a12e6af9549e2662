#pragma once
// The figures on the board: the player (the thief, steered by the stage
// flow), the workers (nurses who wander and chase the thief once she has the
// child) and the child (who follows the thief when she is near and is to be
// brought home). Their behaviour lives in the update functions below; the
// game record holds them and the scene nodes that place them.
//
// The stage flow calls, in this order over a run:
//   createActors()            once, after loadBoard()
//   game.thief.column/row     copied from the player's cell at every step
//   updateWorkers()           in the game stage, at most once per millisecond
//   updateChild()             in the game stage, every 50 ms
//   game.caught, game.escaped, game.child.engaged   read after the updates
//   releaseActorNodes()       at shut-down
// and sets `voicePlayer` (and, if it wants, `roomPlacement`) before the first
// update.

#include "ai/Board.h"
#include "ai/PathSearch.h"
#include "base/memory/SmartPointer.h"
#include "scene/TransformNodes.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qor::ai {

// Step directions (the last move of a figure).
constexpr int32_t kEast = 1;   // column + 1
constexpr int32_t kWest = 2;   // column - 1
constexpr int32_t kSouth = 4;  // row + 1
constexpr int32_t kNorth = 8;  // row - 1

constexpr BoardCell kHomeCell = {350, 10};
constexpr int32_t kHomeRadius = 10;     // the child is home below this Manhattan distance
constexpr int32_t kFollowRange = 20;    // the child follows below this distance and search depth
constexpr int32_t kChaseRange = 60;     // workers chase below this distance, while the child follows
constexpr int32_t kCatchRange = 2;      // a chasing worker catches below this distance
constexpr int32_t kBlockedSteps = 5;    // failed steps before a worker plans again

// Voices, played once each at kVoicePosition.
constexpr float kVoicePosition[3] = {3.0f, 0.0f, -30.0f};
constexpr const char* kVoiceChase = "./Data/sounds/Efectos/Atrapenla.wav";
constexpr const char* kVoiceCatch = "./Data/sounds/Efectos/ninomio.wav";
constexpr const char* kVoiceFollow = "./Data/sounds/Efectos/VenBebe.wav";
constexpr const char* kVoiceHome = "./Data/sounds/Efectos/vamosacasa.wav";

// What one worker update may cost. A worker plans with a search that has
// no depth limit: one that fails (a target walled off, a worker boxed in by
// the others) enters every cell it can reach, the whole board of 202,752
// cells, about 1.5 ms. An update lets its workers' searches enter at most
// three boards' worth of cells together, which keeps it well within a
// frame: up to three workers each search the whole board, as the show's
// design has it; with more, each search gets an equal share and gives up
// beyond it (the worker then tries another target at its next update). The
// show's five nurses never reach their shares: over a game's worth of
// updates their searches together never entered 100,000 cells in one.
constexpr int32_t kWorkerSearchBudget = 3 * kCellCount;
// The most workers an actor file may hold: a power of two for which a share
// of the budget (9,504 cells, a square of 97 cells) still covers every cell
// within the chase range of 60 (7,200 cells), so that a chase can always be
// planned. The show's own file has five. A file with more places the first
// kMaxWorkers and leaves the rest out, with a message on stderr.
constexpr int32_t kMaxWorkers = 64;

constexpr const char* kActorFile = "ActorDescription.txt";
constexpr const char* kRoomModel = "./Data/Models/escenario.obj";

class IActor {
public:
  virtual ~IActor();
  virtual void act() = 0;

  int32_t blockedCount = 0;         // consecutive failed steps along the current path
  bool hasPath = false;             // a path is planned and being walked
  std::vector<BoardCell> path;      // the next step is the last element
  int32_t targetColumn = 0;         // where the last search was aimed
  int32_t targetRow = 0;
  int32_t column = 0;               // the figure's cell
  int32_t row = 0;
  int32_t direction = 0;            // kEast, kWest, kSouth or kNorth: the last step
  bool engaged = false;             // worker: chasing the thief; child: following her
  int32_t kind = 0;                 // a worker's third number in the actor file; not used
};

// The behaviour of the figures lives in the update functions; act() does nothing.
class Worker : public IActor {
public:
  void act() override;
};
class Children : public IActor {
public:
  void act() override;
};
class Thief : public IActor {
public:
  void act() override;
};

struct GameRecord {
  bool caught = false;   // a worker has reached the thief
  bool escaped = false;  // the child has been brought home
  Thief thief;           // only its cell is used: the player's cell, (0, 0) before her first step
  Children child;        // child.engaged: the child follows the thief
  bool hasChild = false; // the child's line was read; an unread child stands still
  std::vector<Worker> workers;  // in file order
  std::vector<SmartPointer<TranslateNode>> workerPositions;  // one per worker
  std::vector<SmartPointer<RotateNode>> workerHeadings;      // one per worker
  SmartPointer<TranslateNode> childPosition;  // made by createActors even when the child is not read
  SmartPointer<RotateNode> childHeading;
};

// The program's game record.
extern GameRecord game;

// Where the figures stand in the room: column 0 at the room's smallest x,
// columns growing towards larger x, rows likewise in z.
struct Placement {
  float minX = 0.0f;
  float minZ = 0.0f;
  float cellWidth = 0.0f;  // 2 * minX / 512: negative for a room centred on the origin
  float cellDepth = 0.0f;  // 2 * minZ / 396

  static Placement fromBox(const float boxMin[3]);
  float x(int32_t column) const { return minX - static_cast<float>(column) * cellWidth; }
  float z(int32_t row) const { return minZ - static_cast<float>(row) * cellDepth; }
};

// The heading (degrees about y) of a figure whose last step went `direction`;
// any other value keeps `current`.
float headingFor(int32_t direction, float current);

// Plays one voice: the stage flow fetches the sound by file name, places it
// at (x, y, z) and plays it once, skipping a sound that did not load. Null
// (the default): the figures are silent.
using VoicePlayer = void (*)(const char* fileName, float x, float y, float z);
extern VoicePlayer voicePlayer;

// The placement read at every actor update; by default from the box of the
// room model kRoomModel as the model manager holds it.
using RoomPlacement = Placement (*)();
extern RoomPlacement roomPlacement;
Placement placementFromRoomModel();

// Reads the actor file into `record` (replacing what it held) and writes the
// figures into `board`: 16 for each worker, 32 for the child. A missing file
// gives no actors; a short or broken one gives the actors read before the
// numbers stop; a cell off the board is kept but not written. Of more than
// kMaxWorkers workers only the first kMaxWorkers are placed (the child still
// comes from its line after all of them). The child's
// nodes are made in every case, so the game scene can always show them.
// True when the file was read.
bool createActors(Board& board = ai::board, GameRecord& record = game, const std::string& file = kActorFile);

// One update of every worker, in list order: a random target, the chase
// test, planning when there is no path, one step, the nodes placed. The
// searches together enter at most kWorkerSearchBudget cells.
void updateWorkers(Board& board = ai::board, GameRecord& record = game);

// One update of the child: home test, the search for the thief within
// kFollowRange steps, one step towards her when she is not adjacent.
void updateChild(Board& board = ai::board, GameRecord& record = game);

// Shut-down: empties the worker node lists and releases the child's nodes.
void releaseActorNodes(GameRecord& record = game);

// The search the updates use (its arrays are allocated on first use);
// benchmarks and tests read how many cells the last search visited.
PathSearch& actorSearch();

}  // namespace qor::ai
