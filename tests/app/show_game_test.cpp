// The shipped game played to its end by a scripted visitor: the board and
// the actors read from game/, the real game step at 60 passes a second of
// a stepped clock, and one key message every 7 or 8 passes (about 8 cells a
// second, a brisk human pace) sent through the window procedure. The nurses
// draw from the seeded 15-bit generator, so every run is the same on every
// machine.
//
// Two visitors, twenty seeds each. Both walk to Tito by the shortest way.
// Once he follows, the careful one goes home by the way that keeps away
// from where the nurses are; the careless one walks home past them, through
// their room. The careful one is to win at least 15 times, the careless one
// to be caught at least 15 times.

#include "support/SteppedClock.h"
#include "support/TempDir.h"
#include "ai/Actors.h"
#include "ai/Board.h"
#include "app/StageFlow.h"
#include "app/WindowProc.h"
#include "platform/Messages.h"
#include "platform/VirtualKeys.h"
#include "scene/Scene.h"
#include "util/Rand15.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <queue>
#include <string>
#include <vector>

namespace {

using namespace qor;
using namespace qor::platform;
using ai::BoardCell;

const std::string kGame = std::string(KELVO_SOURCE_DIR) + "/game/";

// facing 0 east, 1 north (row - 1), 2 west, 3 south (row + 1).
constexpr int32_t kAhead[4][2] = {{1, 0}, {0, -1}, {-1, 0}, {0, 1}};

int32_t manhattan(BoardCell a, BoardCell b) { return std::abs(a.column - b.column) + std::abs(a.row - b.row); }

// Cost of the cheapest way from every cell to the nearest goal over the
// cells that are not walls (figures are walked around when met), each step
// costing 1 plus `extra` of the cell stepped onto. INT_MAX: no way.
std::vector<int32_t> costField(const ai::Board& board, const std::vector<BoardCell>& goals,
                               const std::vector<int32_t>& extra) {
  std::vector<int32_t> cost(ai::kCellCount, INT_MAX);
  using Entry = std::pair<int32_t, int32_t>;  // cost, cell
  std::priority_queue<Entry, std::vector<Entry>, std::greater<>> open;
  for (const BoardCell& g : goals) {
    cost[static_cast<std::size_t>(ai::Board::index(g.column, g.row))] = 0;
    open.push({0, ai::Board::index(g.column, g.row)});
  }
  while (!open.empty()) {
    const auto [c, cell] = open.top();
    open.pop();
    if (c > cost[static_cast<std::size_t>(cell)]) continue;
    const int32_t column = cell % ai::kColumns, row = cell / ai::kColumns;
    for (const auto& a : kAhead) {
      const int32_t nc = column + a[0], nr = row + a[1];
      if (!ai::Board::contains(nc, nr) || board.read(nc, nr) == ai::kWall) continue;
      const auto next = static_cast<std::size_t>(ai::Board::index(nc, nr));
      const int32_t through = c + 1 + (extra.empty() ? 0 : extra[static_cast<std::size_t>(cell)]);
      if (through < cost[next]) {
        cost[next] = through;
        open.push({through, static_cast<int32_t>(next)});
      }
    }
  }
  return cost;
}

enum class Visitor { Careful, Careless };

struct Outcome {
  int32_t stage = 5;
  int32_t followedAtMs = -1;  // when Tito began to follow
  int32_t endedAtMs = -1;
};

// The visitor's plan: where she is heading and the cost field that leads
// there. She steps onto the free neighbour of least cost when it is cheaper
// than her own cell, turning first when she does not face it.
class ScriptedVisitor {
public:
  explicit ScriptedVisitor(Visitor kind) : kind_(kind) {}

  // The key to send this time, or 0 to wait.
  WPARAM nextKey() {
    const ai::GameRecord& g = ai::game;
    const BoardCell me{playerColumn, playerRow};
    const BoardCell child{g.child.column, g.child.row};
    if (!g.child.engaged) {
      if (leg_ != Leg::ToChild || planned_ != child) plan(Leg::ToChild, child);
    } else if (leg_ == Leg::ToChild) {
      if (kind_ == Visitor::Careless)
        plan(Leg::PastNurses, nursesMiddle());
      else
        plan(Leg::Home, ai::kHomeCell);
    } else if (leg_ == Leg::PastNurses && manhattan(me, planned_) < 20) {
      plan(Leg::Home, ai::kHomeCell);
    }
    const int32_t here = at(me);
    int32_t best = -1, bestCost = here;
    for (int32_t f = 0; f < 4; ++f) {
      const BoardCell n{me.column + kAhead[f][0], me.row + kAhead[f][1]};
      if (ai::board.read(n.column, n.row) != ai::kFree) continue;
      if (at(n) < bestCost) best = f, bestCost = at(n);
    }
    if (best < 0) return 0;
    if (best == facing) return VK_UP;
    if (best == (facing + 1) % 4) return VK_LEFT;
    if (best == (facing + 3) % 4) return VK_RIGHT;
    return VK_DOWN;
  }

private:
  enum class Leg { None, ToChild, PastNurses, Home };

  int32_t at(BoardCell c) const { return field_[static_cast<std::size_t>(ai::Board::index(c.column, c.row))]; }

  // The free cell nearest the nurses' mean position: the middle of their room.
  static BoardCell nursesMiddle() {
    int64_t sc = 0, sr = 0;
    for (const ai::Worker& w : ai::game.workers) sc += w.column, sr += w.row;
    const auto n = static_cast<int64_t>(std::max<std::size_t>(ai::game.workers.size(), 1));
    const BoardCell middle{static_cast<int32_t>(sc / n), static_cast<int32_t>(sr / n)};
    BoardCell best = middle;
    int32_t bestDistance = INT_MAX;
    for (int32_t r = 0; r < ai::kRows; ++r)
      for (int32_t c = 0; c < ai::kColumns; ++c)
        if (ai::board.read(c, r) != ai::kWall && manhattan({c, r}, middle) < bestDistance)
          best = {c, r}, bestDistance = manhattan({c, r}, middle);
    return best;
  }

  void plan(Leg leg, BoardCell target) {
    leg_ = leg;
    planned_ = target;
    std::vector<BoardCell> goals;
    if (leg == Leg::Home) {
      // Any open cell close to the front door will do: Tito, one step
      // behind, is then home too.
      for (int32_t r = 0; r < ai::kRows; ++r)
        for (int32_t c = 0; c < ai::kColumns; ++c)
          if (ai::board.read(c, r) != ai::kWall && manhattan({c, r}, target) <= 3) goals.push_back({c, r});
    } else {
      goals.push_back(target);
    }
    // The careful visitor makes every cell near a nurse, as they stand now,
    // dear to walk on: the nearer, the dearer.
    std::vector<int32_t> extra;
    if (leg == Leg::Home && kind_ == Visitor::Careful) {
      extra.assign(ai::kCellCount, 0);
      for (int32_t r = 0; r < ai::kRows; ++r)
        for (int32_t c = 0; c < ai::kColumns; ++c) {
          int32_t nearest = INT_MAX;
          for (const ai::Worker& w : ai::game.workers) nearest = std::min(nearest, manhattan({c, r}, {w.column, w.row}));
          extra[static_cast<std::size_t>(ai::Board::index(c, r))] = std::max(0, kWary - nearest);
        }
    }
    field_ = costField(ai::board, goals, extra);
  }

  static constexpr int32_t kWary = 120;  // the careful visitor keeps this far from every nurse
  Visitor kind_;
  Leg leg_ = Leg::None;
  BoardCell planned_{-1, -1};
  std::vector<int32_t> field_;
};

LRESULT key(WPARAM k) { return windowProc(nullptr, WM_KEYDOWN, k, 1); }

// One game from the first pass of the game stage to its end (or five
// minutes of game time).
Outcome play(Visitor kind, uint32_t seed, const kelvo::test::TempDir& dir) {
  ai::game = ai::GameRecord{};
  ai::board.load(kGame + "tableroConfig2.txt", dir.file("newTablero.txt"));
  EXPECT_TRUE(ai::createActors(ai::board, ai::game, kGame + "ActorDescription.txt"));
  srand15(seed);
  kelvo::test::SteppedClock::install(0);
  stage = 5;
  std::tie(playerColumn, playerRow, facing) = std::tuple(120, 33, 3);
  buildGameScene();
  stageStart = lastWorkerUpdate = lastChildUpdate = 0;

  ScriptedVisitor visitor(kind);
  Outcome out;
  for (int32_t pass = 1; stage == 5 && pass <= 60 * 300 + 60; ++pass) {
    kelvo::test::SteppedClock::now = pass * 1000 / 60;
    // A key every 7.5 passes on average: 8 a second.
    if ((pass * 2) / 15 != ((pass - 1) * 2) / 15)
      if (const WPARAM k = visitor.nextKey()) key(k);
    gameStageStep();
    if (out.followedAtMs < 0 && ai::game.child.engaged) out.followedAtMs = kelvo::test::SteppedClock::now;
  }
  out.stage = stage;
  out.endedAtMs = kelvo::test::SteppedClock::now;
  kelvo::test::SteppedClock::uninstall();
  return out;
}

class ShowGameTest : public ::testing::Test {
protected:
  void SetUp() { ai::roomPlacement = [] { return ai::Placement{}; }; }
  void TearDown() override {
    releaseStageNodes();
    scene.root = nullptr;
    ai::board.clear();
    ai::game = ai::GameRecord{};
    ai::roomPlacement = &ai::placementFromRoomModel;
    stage = 1;
  }
};

TEST_F(ShowGameTest, TheCarefulVisitorWinsAndTheCarelessOneIsCaught) {
  kelvo::test::TempDir dir;
  for (const Visitor kind : {Visitor::Careful, Visitor::Careless}) {
    int32_t won = 0, caught = 0;
    std::string runs;
    for (uint32_t seed = 1; seed <= 20; ++seed) {
      const Outcome o = play(kind, seed, dir);
      won += o.stage == 6;
      caught += o.stage == 7;
      char line[96];
      std::snprintf(line, sizeof line, "  seed %2u: %s, Tito followed at %.1f s, ended at %.1f s\n", seed,
                    o.stage == 6 ? "home" : o.stage == 7 ? "caught" : "still playing", o.followedAtMs / 1000.0,
                    o.endedAtMs / 1000.0);
      runs += line;
    }
    const char* name = kind == Visitor::Careful ? "careful" : "careless";
    std::printf("%s visitor: %d of 20 home, %d caught\n%s", name, won, caught, runs.c_str());
    if (kind == Visitor::Careful) {
      EXPECT_GE(won, 15) << runs;
    } else {
      EXPECT_GE(caught, 15) << runs;
    }
  }
}

}  // namespace
