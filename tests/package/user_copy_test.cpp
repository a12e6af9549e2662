// The per-user copy of the show's files: where it goes, what a first run,
// a run with nothing new and a run after the installed files changed do to
// it, and that no symbolic link takes a write outside it.

#include "show/UserCopy.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using kelvo::show::syncUserCopy;
using kelvo::test::readFile;
using kelvo::test::TempDir;

TEST(UserCopyTest, FolderFollowsTheXdgRuleAndRefusesRelativePaths) {
  const struct {
    const char* xdg;
    const char* home;
    const char* expected;
  } cases[] = {
      {"/x/data", "/home/u", "/x/data/kelvo/game"},
      {nullptr, "/home/u", "/home/u/.local/share/kelvo/game"},
      {"", "/home/u", "/home/u/.local/share/kelvo/game"},
      {"relative/data", "/home/u", "/home/u/.local/share/kelvo/game"},
      {nullptr, "/home/with space", "/home/with space/.local/share/kelvo/game"},
      {nullptr, nullptr, ""},
      {nullptr, "", ""},
      {"rel", "also/relative", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(kelvo::show::userCopyFolder(c.xdg, c.home), c.expected)
        << (c.xdg ? c.xdg : "(null)") << " " << (c.home ? c.home : "(null)");
  }
}

// An installed tree and a home for its copy, both in one scratch folder
// whose path has a space in it.
struct Installation {
  TempDir root;
  std::string installed = root.file("share dir/kelvo/game");
  std::string copy = root.file("home dir/.local/share/kelvo/game");

  Installation() {
    put("Data/Scenes/initial.txt", "scene = Group();\n");
    put("Data/Models/room.obj", "v 0 0 0\n");
    put("Data/Models/tmp/.gitkeep", "");
    put("GUIConfig.txt", "a\n");
  }
  void put(const std::string& name, const std::string& bytes) const {
    root.write("share dir/kelvo/game/" + name, bytes);
  }
  std::string inCopy(const std::string& name) const { return readFile(copy + "/" + name); }
  bool copyHas(const std::string& name) const {
    struct stat info;
    return ::lstat((copy + "/" + name).c_str(), &info) == 0;
  }
};

TEST(UserCopyTest, FirstRunCopiesLaterRunsCopyOnlyWhatChangedAndKeepWhatTheShowWrote) {
  Installation inst;
  kelvo::show::SyncResult first = syncUserCopy(inst.installed, inst.copy, "1.0");
  ASSERT_TRUE(first.ok) << first.error;
  EXPECT_TRUE(first.copied);
  EXPECT_EQ(inst.inCopy("Data/Scenes/initial.txt"), "scene = Group();\n");
  EXPECT_TRUE(inst.copyHas("Data/Models/tmp/.gitkeep"));

  // What the show writes beside its files, and a file of the user's.
  inst.root.write("home dir/.local/share/kelvo/game/Data/Models/tmp/room.aabb", "cache");
  inst.root.write("home dir/.local/share/kelvo/game/newTablero.txt", "board");
  inst.root.write("home dir/.local/share/kelvo/game/GUIConfig.txt", "edited\n");

  // Nothing installed changed: nothing is copied, the edit stays.
  kelvo::show::SyncResult again = syncUserCopy(inst.installed, inst.copy, "1.0");
  ASSERT_TRUE(again.ok) << again.error;
  EXPECT_FALSE(again.copied);
  EXPECT_EQ(inst.inCopy("GUIConfig.txt"), "edited\n");
  // A file of the show deleted from the copy comes back; the edit still stays.
  fs::remove_all(inst.copy + "/Data/Scenes");
  again = syncUserCopy(inst.installed, inst.copy, "1.0");
  ASSERT_TRUE(again.ok) << again.error;
  EXPECT_TRUE(again.copied);
  EXPECT_EQ(inst.inCopy("Data/Scenes/initial.txt"), "scene = Group();\n");
  EXPECT_EQ(inst.inCopy("GUIConfig.txt"), "edited\n");

  // Each change of the installation brings the copy up to date and keeps
  // the show's own files: a new version, new contents of one file at the
  // same version, a file added, a file dropped.
  const struct {
    const char* what;
    const char* version;
    void (*change)(const Installation&);
    const char* file;      // a file of the show to look at afterwards
    const char* contents;  // its contents in the copy; null: gone
  } steps[] = {
      {"new version", "1.1", [](const Installation&) {}, "GUIConfig.txt", "a\n"},
      {"same version, new contents", "1.1", [](const Installation& i) { i.put("GUIConfig.txt", "b\n"); },
       "GUIConfig.txt", "b\n"},
      {"file added", "1.1", [](const Installation& i) { i.put("Data/Textures/new.png", "png"); },
       "Data/Textures/new.png", "png"},
      {"file dropped", "1.1", [](const Installation& i) { fs::remove(i.installed + "/Data/Models/room.obj"); },
       "Data/Models/room.obj", nullptr},
  };
  for (const auto& step : steps) {
    step.change(inst);
    kelvo::show::SyncResult r = syncUserCopy(inst.installed, inst.copy, step.version);
    ASSERT_TRUE(r.ok) << step.what << ": " << r.error;
    EXPECT_TRUE(r.copied) << step.what;
    if (step.contents) {
      EXPECT_EQ(inst.inCopy(step.file), step.contents) << step.what;
    } else {
      EXPECT_FALSE(inst.copyHas(step.file)) << step.what;
    }
    EXPECT_EQ(inst.inCopy("Data/Models/tmp/room.aabb"), "cache") << step.what;
    EXPECT_EQ(inst.inCopy("newTablero.txt"), "board") << step.what;
    EXPECT_FALSE(syncUserCopy(inst.installed, inst.copy, step.version).copied) << step.what << ", run again";
  }
}

TEST(UserCopyTest, ACopyCutShortIsDoneAgain) {
  // The stamp is written last: a copy without it (or with a broken one) is
  // not trusted.
  for (const char* stamp : {static_cast<const char*>(nullptr), "", "kelvo-show stamp 1\nversion 1.0\nfinger"}) {
    Installation inst;
    ASSERT_TRUE(syncUserCopy(inst.installed, inst.copy, "1.0").ok);
    // As if the copy had stopped before this file.
    inst.root.write("home dir/.local/share/kelvo/game/GUIConfig.txt", "older\n");
    if (stamp) inst.root.write(std::string("home dir/.local/share/kelvo/game/") + kelvo::show::kStampName, stamp);
    else fs::remove(inst.copy + "/" + kelvo::show::kStampName);
    const kelvo::show::SyncResult r = syncUserCopy(inst.installed, inst.copy, "1.0");
    EXPECT_TRUE(r.ok && r.copied) << r.error;
    EXPECT_EQ(inst.inCopy("GUIConfig.txt"), "a\n");
  }
}

TEST(UserCopyTest, NoLinkLeadsOutOfTheCopyOrIntoTheInstallation) {
  // An outside folder no write may reach.
  struct Case {
    const char* what;
    void (*arrange)(const Installation&, const std::string& outside);
    bool ok;
  };
  const Case cases[] = {
      {"a folder of the copy is a link elsewhere",
       [](const Installation& i, const std::string& outside) {
         fs::create_directories(i.copy);
         fs::create_directory_symlink(outside, i.copy + "/Data");
       },
       false},
      {"the copy itself is a link elsewhere",
       [](const Installation& i, const std::string& outside) {
         fs::create_directories(fs::path(i.copy).parent_path());
         fs::create_directory_symlink(outside, i.copy);
       },
       false},
      {"a file of the copy is a link elsewhere: replaced, not written through",
       [](const Installation& i, const std::string& outside) {
         fs::create_directories(i.copy);
         fs::create_symlink(outside + "/victim", i.copy + "/GUIConfig.txt");
       },
       true},
      {"a stamp naming files outside the copy for removal",
       [](const Installation& i, const std::string& outside) {
         fs::create_directories(i.copy + "/Data");
         fs::create_directory_symlink(outside, i.copy + "/Data/link");
         std::string stamp = "kelvo-show stamp 1\nversion 0\nfingerprint 0\nfile ../../../victim\nfile " + outside +
                             "/victim\nfile Data/link/victim\n";
         i.root.write(std::string("home dir/.local/share/kelvo/game/") + kelvo::show::kStampName, stamp);
       },
       true},
      {"links in the installed tree are not copied",
       [](const Installation& i, const std::string& outside) {
         fs::create_symlink(outside + "/victim", i.installed + "/linked.txt");
         fs::create_directory_symlink(outside, i.installed + "/Data/linked");
       },
       true},
  };
  for (const Case& c : cases) {
    Installation inst;
    const TempDir outside;
    outside.write("victim", "untouched");
    c.arrange(inst, outside.path());
    const kelvo::show::SyncResult r = syncUserCopy(inst.installed, inst.copy, "1.0");
    EXPECT_EQ(r.ok, c.ok) << c.what << ": " << r.error;
    if (!c.ok) {
      EXPECT_NE(r.error.find("symbolic link"), std::string::npos) << c.what << ": " << r.error;
    }
    EXPECT_EQ(readFile(outside.file("victim")), "untouched") << c.what;
    std::vector<std::string> there;
    kelvo::show::listRegularFiles(outside.path(), there);
    EXPECT_EQ(there, std::vector<std::string>{"victim"}) << c.what;
    if (c.ok) {
      EXPECT_EQ(inst.inCopy("GUIConfig.txt"), "a\n") << c.what;
      EXPECT_FALSE(inst.copyHas("linked.txt")) << c.what;
      EXPECT_FALSE(inst.copyHas("Data/linked")) << c.what;
    }
  }
}

TEST(UserCopyTest, MissingOrEmptyInstallationIsAnErrorAndMakesNoCopy) {
  for (bool makeEmptyFolder : {false, true}) {
    const TempDir root;
    if (makeEmptyFolder) fs::create_directories(root.file("game"));
    const kelvo::show::SyncResult r = syncUserCopy(root.file("game"), root.file("copy"), "1.0");
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find(root.file("game")), std::string::npos) << r.error;
    EXPECT_FALSE(fs::exists(root.file("copy")));
  }
}

}  // namespace
