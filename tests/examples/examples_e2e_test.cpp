// Every scene script in examples/, and every "ks" code block of README.md,
// runs in kelvo-scene as the README tells an author to run it (from the
// examples folder, here a scratch copy of it, so nothing outside that folder
// is needed): status 0, and nothing on standard error but, for a README
// block that shows a mistake on purpose, its warnings (an example runs
// under --strict, so it has none). An example must also
// have its screenshot, draw a last frame that shows something, and print
// what it says it prints while it loads. Pixels are not compared with the
// screenshots in docs/examples, since GL output differs a little from
// machine to machine.

#include "support/ChildProcess.h"
#include "support/Images.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

namespace {

using namespace kelvo::test;
namespace fs = std::filesystem;

const fs::path kExamples = fs::path(KELVO_SOURCE_DIR) / "examples";

// Standard output of the examples whose printing does not depend on time.
const std::map<std::string, std::string> kPrinted = {
    {"camera_keys.ks", "at (-0.6000, 0.5000, 2.4000) looking at (0.0000, 0.2500, 0.0000)\n"},
    {"lights_colours.ks", "red light: 1.0000 0.2000 0.2000\n"},
    {"materials_blending.ks",
     "the crate's own material: diffuse 1.0000 0.8000 0.5500\nthe copy's alpha: 1.0000, then 0.4000\n"},
    {"nodes_transforms.ks", "a table has 6 parts; a leg 3 nodes\n"},
    {"script_lists_functions.ks",
     "heights: (1, 1, 2, 3, 5, 8, 13, 21), the last 21\n"
     "(2 + 3) * 4 = 20; 7 / 2 = 3; 7.0 / 2 = 3.5000; \"3\" + 4 = 7\n18 parts made; i is 8\n"},
    {"settings_shadows.ks", ""},
};

// The share of pixels of a PNG image with a channel above 32 (not black);
// -1 when the file cannot be read.
double litShare(const std::string& path) {
  const Png image(path);
  long lit = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const RGBQUAD q = image.at(x, y);
      lit += std::max({q.rgbRed, q.rgbGreen, q.rgbBlue}) > 32;
    }
  return image.width() > 0 && image.height() > 0 ? static_cast<double>(lit) / (image.width() * image.height()) : -1;
}

// The code blocks of README.md fenced as "```ks", in order.
std::vector<std::string> readmeScripts() {
  std::ifstream readme(fs::path(KELVO_SOURCE_DIR) / "README.md");
  std::vector<std::string> blocks;
  bool inside = false;
  for (std::string line; std::getline(readme, line);) {
    if (inside) {
      if (line == "```") inside = false;
      else blocks.back() += line + "\n";
    } else if (line == "```ks") {
      inside = true;
      blocks.emplace_back();
    }
  }
  return blocks;
}

TEST(ExamplesTest, EveryExampleAndGuideSnippetRunsInKelvoScene) {
  // File name in the examples folder, and the text to write there for a
  // README block (examples are there already).
  std::vector<std::pair<std::string, std::string>> scripts;
  for (const auto& entry : fs::directory_iterator(kExamples))
    if (entry.path().extension() == ".ks") scripts.emplace_back(entry.path().filename().string(), "");
  std::sort(scripts.begin(), scripts.end());
  ASSERT_GE(scripts.size(), 8u);
  const std::vector<std::string> guide = readmeScripts();
  ASSERT_GE(guide.size(), 3u);
  for (std::size_t i = 0; i < guide.size(); ++i)
    scripts.emplace_back("readme_" + std::to_string(i + 1) + ".ks", guide[i]);

  for (const auto& [script, text] : scripts) {
    SCOPED_TRACE(script);
    const bool example = text.empty();
    ChildProcess run;
    fs::copy(kExamples, run.dir.path(), fs::copy_options::recursive);
    if (!example) run.dir.write(script, text);
    run.start(std::string("'" KELVO_BIN_DIR "/kelvo-scene' --size 320x240 --frames 30 --screenshot shot.png ") +
              (example ? "--strict " : "") + script);
    ASSERT_EQ(run.waitExit(), 0) << run.err();
    if (!example) {
      std::istringstream err(run.err());
      for (std::string line; std::getline(err, line);)
        EXPECT_TRUE(line.find(": warning: ") != std::string::npos || line.find(": note: ") != std::string::npos)
            << line;
      continue;
    }
    EXPECT_EQ(run.err(), "");

    const std::string name = script.substr(0, script.size() - 3);
    EXPECT_TRUE(fs::exists(fs::path(KELVO_SOURCE_DIR) / "docs/examples" / (name + ".png")));
    if (auto printed = kPrinted.find(script); printed != kPrinted.end()) {
      EXPECT_EQ(run.out(), printed->second);
    }
    // The floor alone fills more than a tenth of every example's view.
    EXPECT_GT(litShare(run.dir.file("shot.png")), 0.1);
  }
}

// Under --strict a warning fails the batch run, after the screenshot is
// written. (Without it the README blocks above warn and pass; errors and a
// missing script: render_e2e_test.)
TEST(ExamplesTest, BatchRunsFailAfterWarningsUnderStrict) {
  ChildProcess run;
  fs::copy(kExamples, run.dir.path(), fs::copy_options::recursive);
  run.dir.write("scene.ks", "i = 0;\nwhile (i < 3) { Model(\"models/cube.ob\"); i = i + 1; }\n"
                            "scene = Group(translate(0, 0, -3), Model(\"models/cube.obj\"));\n");
  run.start("'" KELVO_BIN_DIR "/kelvo-scene' --size 160x120 --frames 3 --screenshot shot.png --strict scene.ks");
  EXPECT_EQ(run.waitExit(), 1) << run.err();
  EXPECT_EQ(run.err().rfind("scene.ks:2.16: warning: cannot open model \"models/cube.ob\"", 0), 0u) << run.err();
  EXPECT_GE(litShare(run.dir.file("shot.png")), 0.0) << "no screenshot";
}

}  // namespace
