// Board and actor benchmark. Prints, in microseconds and as a multiple of one
// pass over the 512 x 396 board (clearing the marks of every cell):
//   - the board load: reading "tableroConfig2.txt", growing the walls (and
//     the 11 x 11 scan over a copy that the growth replaces), the dump;
//   - one worker update of 8 workers chasing a thief 50 cells away;
//   - one worker update of 8 wandering workers that plan paths to far
//     random targets;
//   - one worker update of as many workers as an actor file may hold, each
//     walled in, so that every search fails (the update's search budget is
//     what bounds it).
// Each figure is the median over many runs; the board and the workers are
// restored between runs, outside the timed part.

#include "ai/Actors.h"
#include "ai/Board.h"
#include "util/MappedFile.h"
#include "util/Rand15.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

using namespace qor::ai;

namespace {

using Clock = std::chrono::steady_clock;

double microseconds(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double, std::micro>(b - a).count();
}

template <class Setup, class Run>
double medianUs(int runs, Setup&& setup, Run&& run) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    setup(i);
    const auto start = Clock::now();
    run();
    times.push_back(microseconds(start, Clock::now()));
  }
  std::nth_element(times.begin(), times.begin() + runs / 2, times.end());
  return times[static_cast<std::size_t>(runs / 2)];
}

// The growth the board used to do: the 11 x 11 square of every cell, looked
// up in a copy of the board.
void growWallsByScan(Board& board) {
  const std::vector<int32_t> before(board.cells(), board.cells() + kCellCount);
  for (int32_t r = 0; r < kRows; ++r)
    for (int32_t c = 0; c < kColumns; ++c) {
      bool wall = false;
      for (int32_t dr = -kWallMargin; dr <= kWallMargin && !wall; ++dr)
        for (int32_t dc = -kWallMargin; dc <= kWallMargin && !wall; ++dc)
          wall = Board::contains(c + dc, r + dr) && before[Board::index(c + dc, r + dr)] == kWall;
      board.write(c, r, wall ? kWall : kFree);
    }
}

// A room: walls along the border and some furniture, as a board file.
std::string roomFile() {
  Board room;
  qor::srand15(3);
  for (int32_t c = 0; c < kColumns; ++c) {
    room.write(c, 0, kWall);
    room.write(c, kRows - 1, kWall);
  }
  for (int32_t r = 0; r < kRows; ++r) {
    room.write(0, r, kWall);
    room.write(kColumns - 1, r, kWall);
  }
  for (int k = 0; k < 25; ++k) {
    const int32_t c0 = qor::rand15() % kColumns, r0 = qor::rand15() % kRows;
    const int32_t w = 4 + qor::rand15() % 30, h = 4 + qor::rand15() % 30;
    for (int32_t r = r0; r < r0 + h; ++r)
      for (int32_t c = c0; c < c0 + w; ++c) room.write(c, r, kWall);
  }
  std::string text;
  for (int32_t r = 0; r < kRows; ++r) {
    for (int32_t c = 0; c < kColumns; ++c) text += room.read(c, r) == kWall ? "1 " : "0 ";
    text += '\n';
  }
  return text;
}

Placement fixedRoom() {
  const float boxMin[3] = {-5.12f, -1.0f, -3.96f};
  return Placement::fromBox(boxMin);
}

}  // namespace

int main() {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path();
  const std::string boardPath = (dir / "kelvo_board_bench.txt").string();
  const std::string dumpPath = (dir / "kelvo_board_bench_dump.txt").string();
  {
    const std::string text = roomFile();
    std::FILE* f = std::fopen(boardPath.c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
  }
  roomPlacement = &fixedRoom;

  Board board;
  const double pass = medianUs(401, [](int) {}, [&] { board.clearMarks(); });

  Board raw;
  raw.load(boardPath, dumpPath);  // warm the page cache
  {
    const qor::MappedFile file(boardPath);
    raw.readCells(file.bytes());
  }
  const Board readOnly = raw;
  auto restore = [&](int) { std::copy(readOnly.cells(), readOnly.cells() + kCellCount, raw.cells()); };
  const double load = medianUs(31, [](int) {}, [&] { raw.load(boardPath, dumpPath); });
  const double grow = medianUs(101, restore, [&] { raw.growWalls(); });
  const double scan = medianUs(11, restore, [&] { growWallsByScan(raw); });
  const double dump = medianUs(31, [](int) {}, [&] { raw.writeDump(dumpPath); });

  std::printf("one board pass (clear every mark)   %9.1f us\n\n", pass);
  std::printf("%-36s %9s %9s\n", "", "us", "passes");
  auto row = [&](const char* name, double us) { std::printf("%-36s %9.1f %9.2f\n", name, us, us / pass); };
  row("board load (read, grow, dump)", load);
  row("  wall growth", grow);
  row("  wall growth by 11 x 11 scan", scan);
  row("  dump", dump);

  // The room as the show has it, figures on top.
  board.load(boardPath, dumpPath);
  GameRecord game;
  const BoardCell thief = {256, 200};
  const BoardCell around[8] = {{306, 200}, {206, 200}, {256, 250}, {256, 150},
                               {281, 225}, {231, 175}, {281, 175}, {231, 225}};
  // Clear the neighbourhood so that every worker has a way to the thief.
  for (int32_t r = thief.row - 60; r <= thief.row + 60; ++r)
    for (int32_t c = thief.column - 60; c <= thief.column + 60; ++c) board.write(c, r, kFree);
  game.thief.column = thief.column;
  game.thief.row = thief.row;
  board.write(thief.column, thief.row, kPlayer);
  for (const BoardCell& at : around) {
    Worker w;
    w.column = at.column;
    w.row = at.row;
    game.workers.push_back(w);
    board.write(at.column, at.row, kWorker);
  }
  const Board chaseBoard = board;
  const std::vector<Worker> chasers = game.workers;
  std::size_t visited = 0;
  auto chaseSetup = [&](int) {
    std::copy(chaseBoard.cells(), chaseBoard.cells() + kCellCount, board.cells());
    game.workers = chasers;
    game.child.engaged = true;
  };
  const double chase = medianUs(201, chaseSetup, [&] { updateWorkers(board, game); });
  chaseSetup(0);
  for (Worker& w : game.workers) {
    // One worker's search at a time, to count the cells it visits.
    GameRecord one;
    one.thief = game.thief;
    one.child.engaged = true;
    one.workers.push_back(w);
    updateWorkers(board, one);
    visited += actorSearch().visitedCount();
  }
  row("8 workers chasing, one update", chase);
  std::printf("%-36s %9zu cells searched\n", "", visited);

  // Wandering: the workers in the corners, no path yet, the child not
  // following; each run draws other targets.
  Board wanderBoard;
  wanderBoard.load(boardPath, dumpPath);
  const BoardCell corners[8] = {{10, 10}, {500, 10}, {10, 385}, {500, 385},
                                {20, 20}, {490, 20}, {20, 375}, {490, 375}};
  std::vector<Worker> wanderers;
  for (const BoardCell& at : corners) {
    for (int32_t r = at.row - 6; r <= at.row + 6; ++r)
      for (int32_t c = at.column - 6; c <= at.column + 6; ++c) wanderBoard.write(c, r, kFree);
  }
  for (const BoardCell& at : corners) {
    Worker w;
    w.column = at.column;
    w.row = at.row;
    wanderers.push_back(w);
    wanderBoard.write(at.column, at.row, kWorker);
  }
  GameRecord wandering;
  auto wanderSetup = [&](int i) {
    std::copy(wanderBoard.cells(), wanderBoard.cells() + kCellCount, board.cells());
    wandering.workers = wanderers;
    qor::srand15(static_cast<uint32_t>(100 + i));
  };
  const double wander = medianUs(101, wanderSetup, [&] { updateWorkers(board, wandering); });
  row("8 workers wandering, one update", wander);

  // The worst an actor file can ask for: as many workers as it may hold,
  // each walled into a cell of its own, so that every search fails after
  // entering all it may (without the update's budget, the whole board each).
  Board walledBoard;
  walledBoard.load(boardPath, dumpPath);
  GameRecord walledIn;
  for (int32_t i = 0; i < kMaxWorkers; ++i) {
    Worker w;
    w.column = 40 + 7 * (i % 64);
    w.row = 200;
    for (int32_t r = w.row - 1; r <= w.row + 1; ++r)
      for (int32_t c = w.column - 1; c <= w.column + 1; ++c) walledBoard.write(c, r, kWall);
    walledBoard.write(w.column, w.row, kWorker);
    walledIn.workers.push_back(w);
  }
  auto walledSetup = [&](int i) {
    std::copy(walledBoard.cells(), walledBoard.cells() + kCellCount, board.cells());
    qor::srand15(static_cast<uint32_t>(300 + i));
  };
  const double walled = medianUs(31, walledSetup, [&] { updateWorkers(board, walledIn); });
  walledSetup(0);
  const uint64_t enteredBefore = actorSearch().enteredTotal();
  updateWorkers(board, walledIn);
  const uint64_t entered = actorSearch().enteredTotal() - enteredBefore;
  char label[64];
  std::snprintf(label, sizeof label, "%d workers walled in, one update", kMaxWorkers);
  row(label, walled);
  std::printf("%-36s %9llu cells searched (budget %d)\n", "", static_cast<unsigned long long>(entered),
              kWorkerSearchBudget);

  fs::remove(boardPath);
  fs::remove(dumpPath);
  return 0;
}
