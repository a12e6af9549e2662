// Game-stage step benchmark. Prints the time per pass and the heap
// allocations of the game-stage step (workers, child, arrow, end tests), with
// 8 nurses wandering below a wall across row 100 (too far from the player on
// row 33 ever to chase her) and the child following her, on a clock that
// advances 1 ms per pass (the workers update every pass, the child every
// 51st). The models are missing, so no GL is needed; the room's placement is
// the origin.
//
//   kelvo-bench-stage [passes]   (default 20000; the first 1000 warm up)

#include "ai/Actors.h"
#include "ai/Board.h"
#include "BenchSupport.h"
#include "app/StageFlow.h"
#include "platform/Clock.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>

namespace {
int32_t now = 0;
int32_t benchClock() { return now; }
}  // namespace

int main(int argc, char** argv) {
  using namespace qor;
  const long passes = argc > 1 ? std::atol(argv[1]) : 20000;
  const long warmUp = 1000;
  // An empty folder: no models, no files.
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "kelvo-bench-stage";
  std::filesystem::create_directories(dir);
  std::filesystem::current_path(dir);

  std::FILE* actors = std::fopen("ActorDescription.txt", "w");
  std::fprintf(actors, "8\n");
  for (int i = 0; i < 8; ++i) std::fprintf(actors, "%d %d 0\n", 40 + 55 * i, 300);
  std::fprintf(actors, "122 33 0\n");  // the child two cells from the player
  std::fclose(actors);
  for (int32_t column = 0; column < ai::kColumns; ++column) ai::board.write(column, 100, ai::kWall);
  ai::createActors();
  buildGameScene();
  stage = 5;
  // The player's first step puts her on the board next to the child.
  facing = 0;
  stepPlayerForward();
  platform::setClockSource(&benchClock);

  long counted = 0, measured = 0;
  auto start = std::chrono::steady_clock::now();
  for (long pass = 0; pass < passes + warmUp && stage == 5; ++pass) {
    if (pass == warmUp) {
      counted = kelvo::bench::allocations.load();
      start = std::chrono::steady_clock::now();
    }
    measured += pass >= warmUp;
    ++now;
    stageStart = now;  // no time-out
    gameStageStep();
  }
  const double us = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
  const long allocated = kelvo::bench::allocations.load() - counted;
  std::printf("game-stage step: %.2f us per pass, %ld allocations over %ld passes (stage %d, child follows: %s)\n",
              us / static_cast<double>(measured), allocated, measured, stage, ai::game.child.engaged ? "yes" : "no");
  std::filesystem::current_path(dir.parent_path());
  std::filesystem::remove_all(dir);
  return 0;
}
