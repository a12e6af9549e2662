// The command lines of the two generators: an option is never taken for the
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
ToolRun run(const std::string& tool, const std::string& args) {
  const TempDir work, logs;
  const std::string command = "cd '" + work.path() + "' && '" + KELVO_BIN_DIR + "/" + tool + "' " + args + " >'" +
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
      {"--version", 2, "--version"},
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

TEST(ToolOptionsTest, AFolderStartingWithADashFollowsTheEndOfOptions) {
  const ToolRun r = run("kelvo-gui-art", "-- -art");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.made, std::vector<std::string>{"-art"});
}

}  // namespace
