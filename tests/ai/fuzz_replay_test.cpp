// Replays the seed corpora of the board and actor fuzz targets
// (fuzz/corpus/board_fuzz, fuzz/corpus/actors_fuzz) through the targets' own
// entry points, so the ordinary and sanitised builds run them too.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

extern "C" int board_fuzz_entry(const uint8_t* data, std::size_t size);
extern "C" int actors_fuzz_entry(const uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

void replay(const char* target, int (*entry)(const uint8_t*, std::size_t)) {
  int seeds = 0;
  for (const auto& file : fs::directory_iterator(fs::path(KELVO_SOURCE_DIR) / "fuzz" / "corpus" / target)) {
    SCOPED_TRACE(file.path().string());
    std::ifstream in(file.path(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    entry(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    ++seeds;
  }
  EXPECT_GT(seeds, 0) << "no seeds for " << target;
  entry(nullptr, 0);
}

TEST(AiFuzzSeeds, BoardFileSeedsRunCleanly) { replay("board_fuzz", &board_fuzz_entry); }
TEST(AiFuzzSeeds, ActorFileSeedsRunCleanly) { replay("actors_fuzz", &actors_fuzz_entry); }

}  // namespace
