// Replays each fuzz target's seed corpus (fuzz/corpus/<target>/) through the
// target's own entry point. Under the sanitiser build any out-of-bounds
// access, leak or undefined behaviour on those inputs fails the test.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

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

using Entry = int (*)(const uint8_t*, std::size_t);

struct Target {
  const char* name;
  Entry entry;
};

const Target kTargets[] = {
    {"script_parse_fuzz", &script_parse_fuzz_entry},
    {"script_run_fuzz", &script_run_fuzz_entry},
    {"obj_fuzz", &obj_fuzz_entry},
    {"mtl_fuzz", &mtl_fuzz_entry},
    {"aabb_fuzz", &aabb_fuzz_entry},
    {"scene_settings_fuzz", &scene_settings_fuzz_entry},
    {"screen_settings_fuzz", &screen_settings_fuzz_entry},
};

std::string readBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The files of one corpus folder, sorted so that runs are repeatable.
std::vector<fs::path> corpusFiles(const std::string& target) {
  std::vector<fs::path> files;
  const fs::path dir = fs::path(KELVO_SOURCE_DIR) / "fuzz" / "corpus" / target;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(dir, ec))
    if (entry.is_regular_file()) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

class CorpusReplay : public ::testing::TestWithParam<Target> {};

TEST_P(CorpusReplay, EverySeedRunsCleanly) {
  const Target& target = GetParam();
  const std::vector<fs::path> files = corpusFiles(target.name);
  // An empty or misnamed folder would otherwise pass by testing nothing.
  ASSERT_FALSE(files.empty()) << "no seeds for " << target.name;
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.string());
    const std::string bytes = readBytes(file);
    target.entry(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
  // The empty input, which every reader must take as well.
  target.entry(nullptr, 0);
}

INSTANTIATE_TEST_SUITE_P(FuzzTargets, CorpusReplay, ::testing::ValuesIn(kTargets),
                         [](const ::testing::TestParamInfo<Target>& info) { return std::string(info.param.name); });

}  // namespace
