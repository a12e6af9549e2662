// kelvo-script on the example scripts of tests/script/examples: for each
// NAME.script the standard output must equal NAME.stdout, the standard error
// NAME.stderr (empty when the file is missing) and the exit status the number
// in NAME.status (0 when missing). With nobody listening (--no-warnings)
// the script must print the same, and only the warnings go.

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path kExamples = fs::path(KELVO_SOURCE_DIR) / "tests/script/examples";

// The whole file, or `missing` when there is none.
std::string readFile(const fs::path& p, const std::string& missing = "") {
  return fs::exists(p) ? kelvo::test::readFile(p.string()) : missing;
}

struct Result {
  std::string out, err;
  int status = -1;
};

// Runs the tool in the examples folder, so that file names in messages are
// the bare names.
Result runTool(const std::string& args) {
  const kelvo::test::TempDir logs;
  const std::string cmd = "cd '" + kExamples.string() + "' && '" + KELVO_BIN_DIR + "/kelvo-script' " + args + " >'" +
                          logs.file("out") + "' 2>'" + logs.file("err") + "'";
  const int st = std::system(cmd.c_str());
  return {readFile(logs.file("out")), readFile(logs.file("err")), WIFEXITED(st) ? WEXITSTATUS(st) : -1};
}

TEST(KelvoScript, Examples) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(kExamples))
    if (e.path().extension() == ".script") names.push_back(e.path().stem().string());
  std::sort(names.begin(), names.end());
  ASSERT_FALSE(names.empty());
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const std::string base = (kExamples / name).string();
    const Result r = runTool(name + ".script");
    EXPECT_EQ(r.status, std::stoi(readFile(base + ".status", "0")));
    EXPECT_EQ(r.out, readFile(base + ".stdout"));
    EXPECT_EQ(r.err, readFile(base + ".stderr"));
    const Result quiet = runTool("--no-warnings " + name + ".script");
    std::istringstream lines(readFile(base + ".stderr"));
    std::string errors;
    for (std::string line; std::getline(lines, line);)
      if (line.find(": warning: ") == std::string::npos && line.find(": note: ") == std::string::npos)
        errors += line + "\n";
    EXPECT_EQ(std::make_tuple(quiet.status, quiet.out, quiet.err), std::make_tuple(r.status, r.out, errors));
  }
}

TEST(KelvoScript, UsageErrorsAndTraces) {
  const Result help = runTool("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("FILE:LINE.COLUMN: message"), std::string::npos);
  EXPECT_NE(help.out.find("--strict"), std::string::npos);
  for (const char* bad : {"", "--bogus x.script", "--no-warnings --check x.script", "a.script b.script", "--memory-limit 0 a.script",
                          "--memory-limit lots a.script", "--memory-limit"})
    EXPECT_EQ(runTool(bad).status, 2) << bad;
  // A missing file, a folder and a device cannot be opened.
  const Result missing = runTool("no-such-file.script");
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "no-such-file.script: cannot open no-such-file.script\n");
  EXPECT_EQ(runTool(".").err, ".: cannot open .\n");
  EXPECT_EQ(runTool("/dev/zero").err, "/dev/zero: cannot open /dev/zero\n");
  // A statement past the memory budget stops with a note; the next one runs.
  const kelvo::test::TempDir dir;
  const std::string hog = dir.write("hog.ks", "s = \"ab\";\nwhile (true) s = s + s;\nprint(\"after\");\n");
  const Result stopped = runTool("--memory-limit 8 '" + hog + "'");
  EXPECT_EQ(std::make_tuple(stopped.status, stopped.out, stopped.err),
            std::make_tuple(0, std::string("after\n"), hog + ":2.0: out of memory\n"));
  // --check runs nothing; the traces go to standard error.
  const Result parse = runTool("--check --trace-parse arithmetic.script");
  EXPECT_EQ(parse.status, 0);
  EXPECT_EQ(parse.out, "");
  EXPECT_NE(parse.err.find("Reducing stack by rule "), std::string::npos);
  EXPECT_NE(runTool("--check --trace-scan arithmetic.script").err.find("--accepting rule at line "), std::string::npos);
  EXPECT_EQ(runTool("--check error_partial.script").status, 1);
}

// --check and --strict: the exit status follows the errors, and with
// --strict the warnings too, in both modes; the lines come out in order.
TEST(KelvoScript, CheckAndStrictStatuses) {
  const kelvo::test::TempDir dir;
  const struct {
    const char* text;
    const char* args;
    int status;
    std::string err;
  } cases[] = {
      {"scene = Group();\n", "--check --strict", 0, ""},
      {"scene = rotate(0, 1, 0);\n", "--check", 0, "F:1.8: warning: rotate takes 4 arguments (angle, x, y, z), given 3\n"},
      {"scene = rotate(0, 1, 0);\n", "--strict --check", 1, "F:1.8: warning: rotate takes 4 arguments (angle, x, y, z), given 3\n"},
      {"scene = ;\n", "--check", 1, "F:1.8: syntax error, unexpected ;\n"},
      // Running: the trap is found while parsing, the unset names as they are
      // read.
      {"scene = Group();\nx = a < b && c;\n", "--strict", 1,
       "F:2.10: warning: '&&' takes the comparison 'a < b' without parentheses (comparisons and '&&'/'||' bind alike, "
       "left to right); write (a < b) && c\n"
       "F:2.4: warning: 'a' has no value\nF:2.8: warning: 'b' has no value\nF:2.13: warning: 'c' has no value\n"},
      {"scene = Group();\n", "--strict", 0, ""},
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::string file = dir.write("case" + std::to_string(n++) + ".ks", c.text);
    const Result r = runTool(std::string(c.args) + " '" + file + "'");
    std::string expected = c.err;
    for (std::size_t at = 0; (at = expected.find("F:", at)) != std::string::npos; at += file.size())
      expected.replace(at, 1, file);
    EXPECT_EQ(std::make_tuple(r.status, r.err), std::make_tuple(c.status, expected)) << c.args << " " << c.text;
  }
}

}  // namespace
