// The command lines of the executables: --version everywhere, the viewer's
// --help without a display. The two generators: an option is never taken for the
// output folder, --help prints the usage on stdout, anything else that
// starts with '-' is refused with status 2 and nothing is written.
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using kelvo::test::readFile;
using kelvo::test::TempDir;

struct ToolRun {
  int status = -1;
  std::string out, err;
  std::vector<std::string> made;  // what appeared in the working folder
};

// Runs `tool args` in an empty folder, its output kept in another.
// `environment` goes before the command (e.g. "env -u DISPLAY ").
ToolRun run(const std::string& tool, const std::string& args, const std::string& environment = "") {
  const TempDir work, logs;
  const std::string command = "cd '" + work.path() + "' && " + environment + "'" + KELVO_BIN_DIR + "/" + tool + "' " + args + " >'" +
                              logs.file("out") + "' 2>'" + logs.file("err") + "'";
  const int raw = std::system(command.c_str());
  ToolRun r;
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -2;
  r.out = readFile(logs.file("out"));
  r.err = readFile(logs.file("err"));
  for (const auto& entry : fs::directory_iterator(work.path())) r.made.push_back(entry.path().filename().string());
  return r;
}

TEST(ToolOptionsTest, OptionsAreNeverTakenForTheOutputFolder) {
  // `named` is what stderr must name besides the pointer to --help; null
  // for --help itself, which prints the usage and no error.
  const struct {
    const char* args;
    int status;
    const char* named;
  } cases[] = {
      {"--help", 0, nullptr},
      {"-h", 0, nullptr},
      {"out --help", 0, nullptr},
      {"-V", 2, "-V"},
      {"-", 2, "unknown option -"},
      {"--output out", 2, "--output"},
      {"out -x", 2, "-x"},
      {"", 2, "no folder"},
      {"one two", 2, "two"},
      {"''", 2, "empty"},
  };
  for (const char* tool : {"kelvo-content", "kelvo-gui-art"}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(tool) + " " + c.args);
      const ToolRun r = run(tool, c.args);
      EXPECT_EQ(r.status, c.status);
      EXPECT_TRUE(r.made.empty()) << "wrote " << r.made.front();
      if (c.named) {
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find(c.named), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(std::string(tool) + " --help"), std::string::npos) << r.err;
      } else {
        EXPECT_EQ(r.out.rfind("usage: " + std::string(tool) + " ", 0), 0u) << r.out;
        EXPECT_EQ(r.err, "");
      }
    }
  }
}

// --version answers "NAME VERSION" on stdout in every executable, before
// anything else happens: the viewer's needs no display and no show folder.
TEST(ToolOptionsTest, EveryExecutableAnswersVersionAndTheViewerHelpNeedsNoDisplay) {
  const struct {
    const char* tool;
    const char* args;
    const char* out;  // the start of stdout
  } cases[] = {
      {"kelvo-content", "--version", "kelvo-content "},
      {"kelvo-gui-art", "--version", "kelvo-gui-art "},
      {"kelvo-script", "--version", "kelvo-script "},
      {"kelvo-scene", "--version", "kelvo-scene "},
      {"kelvo-viewer", "--version", "kelvo-viewer "},
      {"kelvo-viewer", "--help", "usage: kelvo-viewer "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.tool) + " " + c.args);
    const ToolRun r = run(c.tool, c.args, "env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER ");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind(c.out, 0), 0u) << r.out;
    if (std::string(c.args) == "--version") {
      EXPECT_EQ(r.out, std::string(c.out) + KELVO_VERSION + "\n");
    }
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(r.made.empty()) << "wrote " << r.made.front();
  }
  // Anything else on the viewer's command line is a usage error, not a show.
  const ToolRun bad = run("kelvo-viewer", "--frames 3", "env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER ");
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.err.find("kelvo-viewer --help"), std::string::npos) << bad.err;
}

TEST(ToolOptionsTest, AFolderStartingWithADashFollowsTheEndOfOptions) {
  const ToolRun r = run("kelvo-gui-art", "-- -art");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.made, std::vector<std::string>{"-art"});
}

}  // namespace
