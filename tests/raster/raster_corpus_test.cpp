// The settings fuzz target's seeds (fuzz/corpus/raster_settings_fuzz/) and the
// empty input, through the target's own checks.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

extern "C" int raster_settings_fuzz_entry(const uint8_t* data, std::size_t size);

namespace {

TEST(RasterSettingsCorpus, EverySeedRunsCleanly) {
  const std::filesystem::path dir = std::filesystem::path(KELVO_SOURCE_DIR) / "fuzz/corpus/raster_settings_fuzz";
  int seeds = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    SCOPED_TRACE(entry.path().string());
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    raster_settings_fuzz_entry(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    ++seeds;
  }
  EXPECT_GT(seeds, 0);
  raster_settings_fuzz_entry(nullptr, 0);
}

}  // namespace
