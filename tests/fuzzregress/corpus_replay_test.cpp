// Replays each fuzz target's seed corpus (fuzz/corpus/<target>/) through the
// target's own entry point. Under the sanitiser build any out-of-bounds
// access, leak or undefined behaviour on those inputs fails the test.

#include "support/EngineFixtures.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

// Every target once, so the declarations and the table below cannot drift apart.
#define KELVO_FUZZ_TARGETS(X) \
  X(script_parse_fuzz) X(script_run_fuzz) X(script_file_fuzz) X(obj_fuzz) X(model_fuzz) X(image_fuzz) X(mtl_fuzz) \
  X(aabb_fuzz) X(scene_settings_fuzz) \
  X(screen_settings_fuzz) X(vshadow_fuzz) X(raster_settings_fuzz) \
  X(gui_config_fuzz) X(board_fuzz) X(actors_fuzz)
#define KELVO_FUZZ_DECLARE(name) extern "C" int name##_entry(const uint8_t* data, std::size_t size);
KELVO_FUZZ_TARGETS(KELVO_FUZZ_DECLARE)

namespace {

namespace fs = std::filesystem;

TEST(CorpusReplay, EverySeedOfEveryTargetRunsCleanly) {
#define KELVO_FUZZ_ENTRY(name) {#name, &name##_entry},
  const std::pair<const char*, int (*)(const uint8_t*, std::size_t)> targets[] = {KELVO_FUZZ_TARGETS(KELVO_FUZZ_ENTRY)};
  for (const auto& [name, entry] : targets) {
    std::set<fs::path> files;  // sorted, so that runs are repeatable
    std::error_code ec;
    for (const auto& file : fs::directory_iterator(fs::path(KELVO_SOURCE_DIR) / "fuzz" / "corpus" / name, ec)) {
      if (file.is_regular_file()) files.insert(file.path());
    }
    // An empty or misnamed folder would otherwise pass by testing nothing.
    EXPECT_FALSE(files.empty()) << "no seeds for " << name;
    for (const fs::path& file : files) {
      SCOPED_TRACE(file.string());
      const std::string bytes = kelvo::test::readFile(file.string());
      entry(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
    entry(nullptr, 0);  // the empty input, which every reader must take as well
  }
}

}  // namespace
