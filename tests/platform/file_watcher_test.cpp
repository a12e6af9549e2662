// The file watcher on real files in a scratch folder: the ways editors save,
// the names it must not react to, and one change per burst of events. Time is
// the caller's clock, stepped here; inotify queues an event before the call
// that caused it returns, so each wait below ends on its first turns.

#include "platform/FileWatcher.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace {

using kelvo::test::TempDir;
using qor::platform::FileWatcher;
namespace fs = std::filesystem;

struct WatchRun {
  FileWatcher watcher;
  int32_t now = 0;

  // Polls, 10 ms of the caller's clock apart, until the watcher reports a
  // change (at most 1000 turns); what changed, then how many more reports a
  // further second of polls gives (one save is one change: none).
  std::pair<std::set<std::string>, int> nextChange() {
    std::set<std::string> changed;
    for (int turn = 0; turn < 1000 && changed.empty(); ++turn, now += 10)
      if (watcher.poll(now)) changed = watcher.changed();
    int more = 0;
    for (int turn = 0; turn < 100; ++turn, now += 10) more += watcher.poll(now);
    return {changed, more};
  }
};

// Replaces `path` as an editor that saves by rename does.
void renameOver(const TempDir& dir, const std::string& path, const std::string& text) {
  const std::string temporary = dir.write(".save.tmp", text);
  fs::rename(temporary, path);
}

TEST(FileWatcher, EverySaveOfAWatchedFileIsOneChangeAndOtherNamesNone) {
  // Each case: the files the folder holds, what is watched (relative to the folder), what is done, and
  // which watched names the one change reports.
  const struct {
    const char* what;
    std::vector<std::string> files, watched;
    std::function<void(const TempDir&)> act;
    std::set<std::string> changed;
  } cases[] = {
      {"written in place", {"a.ks"}, {"a.ks"}, [](const TempDir& d) { d.write("a.ks", "x = 2;\n"); }, {"a.ks"}},
      {"saved by rename over it", {"a.ks"}, {"a.ks"},
       [](const TempDir& d) { renameOver(d, d.file("a.ks"), "x = 2;\n"); }, {"a.ks"}},
      {"deleted and made again", {"a.ks"}, {"a.ks"},
       [](const TempDir& d) {
         fs::remove(d.file("a.ks"));
         d.write("a.ks", "x = 2;\n");
       },
       {"a.ks"}},
      {"written three times, renamed over and touched", {"a.ks"}, {"a.ks"},
       [](const TempDir& d) {
         for (int i = 0; i < 3; ++i) d.write("a.ks", std::to_string(i));
         renameOver(d, d.file("a.ks"), "x = 2;\n");
         fs::last_write_time(d.file("a.ks"), fs::file_time_type::clock::now());
       },
       {"a.ks"}},
      // The neighbour's events come first in the queue; the watched file's change ends the wait.
      {"a neighbour saved, then the watched file", {"a.ks", "b.ks"}, {"a.ks"},
       [](const TempDir& d) {
         d.write("b.ks", "y = 1;\n");
         renameOver(d, d.file("b.ks"), "y = 2;\n");
         fs::remove(d.file("b.ks"));
         d.write("a.ks", "x = 2;\n");
       },
       {"a.ks"}},
      {"two watched files in one burst", {"a.ks", "m/cube.obj"}, {"a.ks", "m/cube.obj"},
       [](const TempDir& d) {
         d.write("m/cube.obj", "v 0 0 0\n");
         d.write("a.ks", "x = 2;\n");
       },
       {"a.ks", "m/cube.obj"}},
      {"a missing file made", {"a.ks"}, {"a.ks", "lib/parts.inc"},
       [](const TempDir& d) { d.write("lib/parts.inc", "def f() {}\n"); }, {"lib/parts.inc"}},
      {"a missing file's folder made", {"a.ks"}, {"a.ks", "lib/deep/parts.inc"},
       [](const TempDir& d) { fs::create_directory(d.file("lib")); }, {"lib/deep/parts.inc"}},
      {"the target of a linked file saved", {"a.ks", "real/t.pgm"}, {"link.pgm"},
       [](const TempDir& d) { renameOver(d, d.file("real/t.pgm"), "P2 1 1 1 1\n"); }, {"link.pgm"}},
      {"the folder of a watched file removed", {"m/cube.obj"}, {"m/cube.obj"},
       [](const TempDir& d) { fs::remove_all(d.file("m")); }, {"m/cube.obj"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    for (const std::string& file : c.files) dir.write(file, "x = 1;\n");
    fs::create_symlink(dir.file("real/t.pgm"), dir.file("link.pgm"));
    WatchRun run;
    ASSERT_TRUE(run.watcher.ok());
    std::vector<std::string> watched;
    for (const std::string& name : c.watched) watched.push_back(dir.file(name));
    run.watcher.watch(watched);
    c.act(dir);
    std::set<std::string> expected;
    for (const std::string& name : c.changed) expected.insert(dir.file(name));
    const auto [changed, more] = run.nextChange();
    EXPECT_EQ(changed, expected);
    EXPECT_EQ(more, 0);
  }
}

TEST(FileWatcher, AChangeIsReportedOnceNoEventCameForTheQuietTime) {
  TempDir dir;
  const std::string script = dir.write("a.ks", "x = 1;\n"), other = dir.write("b.ks", "");
  FileWatcher watcher;
  watcher.watch({script});
  constexpr int32_t quiet = FileWatcher::kQuietMs;
  // Each step: the file is saved first (or not), then the watcher polled at `at`; whether that reports.
  const struct {
    bool save;
    int32_t at;
    bool reports;
  } steps[] = {
      {false, 0, false},           {true, 100, false},          {false, 100 + quiet - 1, false},
      {true, 100 + quiet - 1, false},                           // a save in the quiet time starts it again
      {false, 100 + 2 * quiet - 2, false}, {false, 100 + 2 * quiet - 1, true},
      {false, 1000, false},        {true, 2000, false},         {false, 2000 + quiet, true},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.at);
    if (step.save) renameOver(dir, script, "x = 2;\n");
    dir.write("b.ks", "unwatched");  // never counts, nor keeps the quiet time from passing
    EXPECT_EQ(watcher.poll(step.at), step.reports);
  }
  // What is no longer watched does not count; what is watched now does.
  watcher.watch({other});
  renameOver(dir, script, "x = 3;\n");
  EXPECT_FALSE(watcher.poll(5000));
  EXPECT_FALSE(watcher.poll(6000));
  dir.write("b.ks", "watched now");
  EXPECT_FALSE(watcher.poll(7000));
  EXPECT_TRUE(watcher.poll(7000 + quiet));
  EXPECT_EQ(watcher.changed(), std::set<std::string>{other});
}

}  // namespace

TEST(FileWatcher, AFolderItCannotWatchIsToldOnceAndTheOthersStillAre) {
  TempDir dir;
  const std::string good = dir.write("scene.txt", "1;");
  // A folder name longer than any the system takes cannot be watched (nor
  // made); a missing one that can be is no failure.
  const std::string tooLong = dir.file(std::string(300, 'x')) + "/model.obj";
  WatchRun run;
  ASSERT_TRUE(run.watcher.ok());
  run.watcher.watch({good, tooLong, tooLong + ".mtl", dir.file("missing/model.obj")});
  ASSERT_EQ(run.watcher.failures().size(), 1u);
  EXPECT_EQ(run.watcher.failures()[0].rfind(dir.file(std::string(300, 'x')) + ": ", 0), 0u)
      << run.watcher.failures()[0];
  renameOver(dir, good, "2;");
  EXPECT_EQ(run.nextChange().first, std::set<std::string>{good});
  run.watcher.watch({good});
  EXPECT_TRUE(run.watcher.failures().empty());
}
