// Replays each fuzz target's seed corpus (fuzz/corpus/<target>/) through the
// target's own entry point. Under the sanitiser build any out-of-bounds
// access, leak or undefined behaviour on those inputs fails the test.

#include "support/EngineFixtures.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#define KELVO_FUZZ_ENTRY(name) extern "C" int name##_entry(const uint8_t* data, std::size_t size);
KELVO_FUZZ_ENTRY(script_parse_fuzz)
KELVO_FUZZ_ENTRY(script_run_fuzz)
KELVO_FUZZ_ENTRY(obj_fuzz)
KELVO_FUZZ_ENTRY(mtl_fuzz)
KELVO_FUZZ_ENTRY(aabb_fuzz)
KELVO_FUZZ_ENTRY(scene_settings_fuzz)
KELVO_FUZZ_ENTRY(screen_settings_fuzz)
#undef KELVO_FUZZ_ENTRY

namespace {

namespace fs = std::filesystem;

TEST(CorpusReplay, EverySeedOfEveryTargetRunsCleanly) {
  const std::pair<const char*, int (*)(const uint8_t*, std::size_t)> targets[] = {
      {"script_parse_fuzz", &script_parse_fuzz_entry}, {"script_run_fuzz", &script_run_fuzz_entry},
      {"obj_fuzz", &obj_fuzz_entry},                   {"mtl_fuzz", &mtl_fuzz_entry},
      {"aabb_fuzz", &aabb_fuzz_entry},                 {"scene_settings_fuzz", &scene_settings_fuzz_entry},
      {"screen_settings_fuzz", &screen_settings_fuzz_entry},
  };
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
