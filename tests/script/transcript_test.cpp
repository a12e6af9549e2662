// Every script file of the source tree (tests/, examples/ and its lib/,
// bench/script/, the show's scene script) run by kelvo-script --transcript,
// compared with the transcript kept in
// tests/script/transcripts/<path of the script>.txt (followed by what
// kelvo-script --check says of the file). A script without a kept
// transcript, or a transcript without its script, fails too.
//
// KELVO_UPDATE_TRANSCRIPTS=1 writes the kept transcripts instead
// (scripts/update-transcripts.sh), for a change that is meant to show.

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using kelvo::test::TempDir;
using kelvo::test::readFile;

namespace {

const fs::path kSource = KELVO_SOURCE_DIR;
const fs::path kKept = kSource / "tests/script/transcripts";

struct Result {
  std::string out, err;
  int status = -1;
};

// Runs kelvo-script with `args` in `dir`.
Result runTool(const std::string& dir, const std::string& args) {
  const TempDir capture;
  const std::string out = capture.file("out"), err = capture.file("err");
  const std::string cmd = "cd '" + dir + "' && '" + KELVO_BIN_DIR + "/kelvo-script' " + args +
                          " >'" + out + "' 2>'" + err + "'";
  const int st = std::system(cmd.c_str());
  return {readFile(out), readFile(err), WIFEXITED(st) ? WEXITSTATUS(st) : -1};
}

// Where scripts are found: the files of `search` (and below, when
// recursive) whose names end in one of `endings`, run from `workFolder`
// (empty: each from its own folder) as the viewer's tools run them.
struct ScriptSet {
  const char* workFolder;
  const char* search;
  bool recursive;
  std::vector<std::string> endings;
};

const ScriptSet kSets[] = {
    {"", "tests", true, {".script", ".inc", ".ks", ".kvs"}},
    {"examples", "examples", false, {".ks"}},
    {"examples", "examples/lib", false, {""}},
#ifndef KELVO_TRANSCRIPTS_WITHOUT_BENCH
    {"bench/script", "bench/script", false, {".kvs"}},
#endif
    {"game", "game/Data/Scenes", false, {"initial.txt"}},
};

struct Script {
  fs::path path;  // relative to the source tree
  fs::path work;  // the working folder, relative to the source tree
};

bool endsWith(const std::string& s, const std::string& end) {
  return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

std::vector<Script> findScripts() {
  std::vector<Script> scripts;
  for (const ScriptSet& set : kSets) {
    auto consider = [&](const fs::directory_entry& e) {
      if (!e.is_regular_file()) return;
      const std::string name = e.path().filename().string();
      const auto matches = [&](const std::string& end) { return endsWith(name, end); };
      if (std::none_of(set.endings.begin(), set.endings.end(), matches)) return;
      const fs::path rel = fs::relative(e.path(), kSource);
      scripts.push_back({rel, *set.workFolder ? fs::path(set.workFolder) : rel.parent_path()});
    };
    if (set.recursive)
      for (const auto& e : fs::recursive_directory_iterator(kSource / set.search)) consider(e);
    else
      for (const auto& e : fs::directory_iterator(kSource / set.search)) consider(e);
  }
  std::sort(scripts.begin(), scripts.end(), [](const Script& a, const Script& b) { return a.path < b.path; });
  return scripts;
}

// Each line of `text` after `prefix`.
std::string prefixLines(const std::string& prefix, const std::string& text) {
  std::string out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out += prefix + line + "\n";
  return out;
}

fs::path keptFile(const fs::path& script) { return kKept / (script.string() + ".txt"); }

// A scratch copy of each working folder, so that what the runs write (model
// caches) stays out of the source tree. Caches left in the tree by other runs ("tmp" folders) are not
// copied: every run starts from the same files.
class Copies {
public:
  std::string folder(const fs::path& work) {
    std::unique_ptr<TempDir>& dir = copies_[work.string()];
    if (!dir) {
      dir = std::make_unique<TempDir>();
      const fs::path from = kSource / work;
      for (auto it = fs::recursive_directory_iterator(from); it != fs::recursive_directory_iterator(); ++it) {
        const fs::path to = dir->path() / fs::relative(it->path(), from);
        if (it->is_directory() && it->path().filename() == "tmp")
          it.disable_recursion_pending();
        else if (it->is_directory())
          fs::create_directories(to);
        else if (it->is_regular_file())
          fs::copy_file(it->path(), to);
      }
    }
    return dir->path();
  }

private:
  std::map<std::string, std::unique_ptr<TempDir>> copies_;
};

void writeKept(const fs::path& file, const std::string& text) {
  fs::create_directories(file.parent_path());
  const fs::path temporary = file.string() + ".new";
  if (std::FILE* f = std::fopen(temporary.c_str(), "wb")) {
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
    fs::rename(temporary, file);
  }
}

TEST(ScriptTranscripts, EveryScriptAsKept) {
  const bool update = std::getenv("KELVO_UPDATE_TRANSCRIPTS") && *std::getenv("KELVO_UPDATE_TRANSCRIPTS") == '1';
  const std::vector<Script> scripts = findScripts();
  ASSERT_GT(scripts.size(), 20u);  // a search that finds nothing fails, not passes
  Copies copies;
  std::set<fs::path> expected;
  for (const Script& s : scripts) {
    SCOPED_TRACE(s.path.string());
    const fs::path kept = keptFile(s.path);
    expected.insert(kept);
    const std::string arg = "'" + fs::relative(s.path, s.work).string() + "'";
    const std::string folder = copies.folder(s.work);
    const Result r = runTool(folder, "--transcript " + arg);
    // Everything the run says is in the transcript, its status too.
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(endsWith(r.out, "\nexit status " + std::to_string(r.status) + "\n")) << r.out;
    // The check of the same file follows it.
    const Result check = runTool(folder, "--check " + arg);
    const std::string text = r.out + "== check\n" + prefixLines("out| ", check.out) + prefixLines("err| ", check.err) +
                             "exit status " + std::to_string(check.status) + "\n";
    if (update) writeKept(kept, text);
    EXPECT_EQ(text, readFile(kept.string())) << "kept in " << kept << "; scripts/update-transcripts.sh rewrites it";
  }
  for (const auto& e : fs::recursive_directory_iterator(kKept)) {
    if (!e.is_regular_file() || expected.count(e.path())) continue;
#ifdef KELVO_TRANSCRIPTS_WITHOUT_BENCH
    if (*fs::relative(e.path(), kKept).begin() == "bench") continue;
#endif
    if (update)
      fs::remove(e.path());
    else
      ADD_FAILURE() << e.path() << " is kept for a script that is gone";
  }
}

}  // namespace
