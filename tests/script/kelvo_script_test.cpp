// kelvo-script on the example scripts of tests/script/examples: for each
// NAME.script the standard output must equal NAME.stdout, the standard error
// NAME.stderr (empty when the file is missing) and the exit status the number
// in NAME.status (0 when missing). NAME.args, when present, holds extra
// options placed before the file name.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path kExamples = fs::path(KELVO_SOURCE_DIR) / "tests/script/examples";
const fs::path kTool = fs::path(KELVO_BIN_DIR) / "kelvo-script";

std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string trim(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
  return s;
}

struct Result {
  std::string out, err;
  int status = -1;
};

// Runs the tool in the examples folder, so that file names in messages are
// the bare names.
Result runTool(const std::string& args) {
  const fs::path errFile = fs::temp_directory_path() / ("kelvo_script_err_" + std::to_string(::getpid()));
  const std::string cmd = "cd '" + kExamples.string() + "' && '" + kTool.string() + "' " + args + " 2>'" +
                          errFile.string() + "'";
  Result r;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  std::size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  const int st = pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  r.err = readFile(errFile);
  fs::remove(errFile);
  return r;
}

std::vector<std::string> exampleNames() {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(kExamples))
    if (e.path().extension() == ".script") names.push_back(e.path().stem().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(KelvoScript, Examples) {
  const auto names = exampleNames();
  ASSERT_FALSE(names.empty());
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const fs::path base = kExamples / name;
    std::string args = fs::exists(base.string() + ".args") ? trim(readFile(base.string() + ".args")) + " " : "";
    const Result r = runTool(args + name + ".script");
    const int status = fs::exists(base.string() + ".status") ? std::stoi(readFile(base.string() + ".status")) : 0;
    EXPECT_EQ(r.status, status);
    EXPECT_EQ(r.out, readFile(base.string() + ".stdout"));
    const std::string err = fs::exists(base.string() + ".stderr") ? readFile(base.string() + ".stderr") : "";
    EXPECT_EQ(r.err, err);
  }
}

TEST(KelvoScript, UsageAndTraces) {
  Result help = runTool("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--check"), std::string::npos);
  EXPECT_NE(help.out.find("FILE:LINE.COLUMN: message"), std::string::npos);
  EXPECT_EQ(runTool("").status, 2);
  EXPECT_EQ(runTool("--bogus x.script").status, 2);

  Result missing = runTool("no-such-file.script");
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "no-such-file.script: cannot open no-such-file.script\n");

  Result folder = runTool(".");
  EXPECT_EQ(folder.status, 1);
  EXPECT_EQ(folder.err, ".: cannot open .\n");

  Result parse = runTool("--check --trace-parse arithmetic.script");
  EXPECT_EQ(parse.status, 0);
  EXPECT_EQ(parse.out, "");
  EXPECT_NE(parse.err.find("Starting parse"), std::string::npos);
  EXPECT_NE(parse.err.find("Reducing stack by rule "), std::string::npos);
  EXPECT_NE(parse.err.find("Reading a token"), std::string::npos);

  Result scan = runTool("--check --trace-scan arithmetic.script");
  EXPECT_EQ(scan.status, 0);
  EXPECT_NE(scan.err.find("--accepting rule at line "), std::string::npos);
}

}  // namespace
