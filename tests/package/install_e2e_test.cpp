// The installation as a user gets it: the build installed under a staging
// folder (DESTDIR, with a prefix holding a space), the programs run from
// there, the show's files and the examples without what a run leaves
// behind, manual pages that format cleanly; kelvo-show making the per-user
// copy under a fresh home and starting the show in it; the Debian package's
// contents, and its programs running from where it unpacks.

#include "base/Version.h"
#include "show/UserCopy.h"
#include "support/ChildProcess.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace kelvo::test;

const char* const kPrograms[] = {"kelvo-viewer", "kelvo-scene", "kelvo-script", "kelvo-content", "kelvo-gui-art",
                                 "kelvo-show"};

std::string shellQuoted(const std::string& s) { return "'" + s + "'"; }

bool hasProgram(const char* name) { return std::system(("command -v " + std::string(name) + " >/dev/null 2>&1").c_str()) == 0; }

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

// The long options ("--name") that `text` mentions, each once, sorted.
std::set<std::string> longOptions(const std::string& text) {
  std::set<std::string> found;
  for (std::size_t at = text.find("--"); at != std::string::npos; at = text.find("--", at + 2)) {
    std::size_t end = at + 2;
    while (end < text.size() && (std::islower(static_cast<unsigned char>(text[end])) || text[end] == '-')) ++end;
    if (end > at + 2 && std::islower(static_cast<unsigned char>(text[at + 2]))) found.insert(text.substr(at, end - at));
    at = end - 2;
  }
  return found;
}

// The files of `sub` (game or examples) that the source tree's history
// holds; without a checkout, the regular files there.
std::vector<std::string> trackedFiles(const std::string& sub) {
  std::vector<std::string> files;
  for (const std::string& f : lines(runCommand("git -C " + shellQuoted(KELVO_SOURCE_DIR) + " ls-files -- " + sub + " 2>/dev/null")))
    files.push_back(f.substr(sub.size() + 1));
  if (files.empty()) kelvo::show::listRegularFiles(std::string(KELVO_SOURCE_DIR) + "/" + sub, files);
  std::sort(files.begin(), files.end());
  return files;
}

// The build installed once for every test here.
class Installed : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    stage_ = new TempDir;
    const std::string command = "DESTDIR=" + shellQuoted(stage_->path()) + " " + shellQuoted(KELVO_CMAKE) + " --install " +
                                shellQuoted(KELVO_BINARY_DIR) + " --prefix '/opt/kelvo show' >" +
                                shellQuoted(stage_->file("install.log")) + " 2>&1";
    status_ = std::system(command.c_str());
  }
  static void TearDownTestSuite() { delete stage_; }
  void SetUp() override { ASSERT_EQ(status_, 0) << readFile(stage_->file("install.log")); }

  static std::string prefix() { return stage_->path() + "/opt/kelvo show"; }

  static TempDir* stage_;
  static int status_;
};
TempDir* Installed::stage_ = nullptr;
int Installed::status_ = -1;

TEST_F(Installed, EveryProgramRunsFromTheInstalledPlace) {
  for (const char* program : kPrograms) {
    const std::string out =
        runCommand("env -u DISPLAY " + shellQuoted(prefix() + "/bin/" + program) + " --version 2>&1");
    EXPECT_EQ(out, std::string(program) + " " + kelvo::kVersion + "\n") << program;
  }
}

TEST_F(Installed, ShowFilesAndExamplesAreTheTrackedOnesWithoutRunLeftovers) {
  for (const std::string sub : {"game", "examples"}) {
    const std::string installed = prefix() + "/share/kelvo/" + sub;
    std::vector<std::string> files;
    ASSERT_TRUE(kelvo::show::listRegularFiles(installed, files)) << installed;
    const std::vector<std::string> tracked = trackedFiles(sub);
    ASSERT_FALSE(tracked.empty()) << sub;
    for (const std::string& f : tracked) {
      EXPECT_EQ(readFile(installed + "/" + f), readFile(std::string(KELVO_SOURCE_DIR) + "/" + sub + "/" + f))
          << sub << "/" << f;
    }
    for (const std::string& f : files) {
      const std::string name = fs::path(f).filename().string();
      const bool leftover = name == "newTablero.txt" || name == "stdin" || f.ends_with(".new") ||
                            (fs::path(f).parent_path().filename() == "tmp" && name != ".gitkeep");
      EXPECT_FALSE(leftover) << sub << "/" << f;
    }
  }
  EXPECT_TRUE(fs::exists(prefix() + "/share/kelvo/game/Data/Scenes/initial.txt"));
}

TEST_F(Installed, EachProgramHasAManualPageThatFormatsCleanly) {
  if (!hasProgram("groff")) GTEST_SKIP() << "groff is not installed: the pages are not formatted";
  for (const char* program : kPrograms) {
    const std::string page = prefix() + "/share/man/man1/" + program + ".1.gz";
    ASSERT_TRUE(fs::exists(page)) << page;
    const std::string unpack = "gzip -dc " + shellQuoted(page) + " | ";
    // -ww: every warning; -z: no output but the warnings.
    EXPECT_EQ(runCommand(unpack + "groff -man -Tutf8 -ww -z 2>&1"), "") << program;
    // Plain text (no bold or underline), unhyphenated, on long lines, so
    // that every option stays whole.
    const std::string text =
        runCommand(unpack + "groff -man -Tutf8 -P-cbou -rHY=0 -rLL=300n 2>/dev/null");
    for (const std::string& part : {std::string("NAME"), std::string("SYNOPSIS"), std::string(program) + " "}) {
      EXPECT_NE(text.find(part), std::string::npos) << program << ": " << part;
    }
    // The page names the options the program's --help names, and no others.
    const std::string help = runCommand("env -u DISPLAY " + shellQuoted(prefix() + "/bin/" + program) + " --help");
    EXPECT_EQ(longOptions(text), longOptions(help)) << program << "'s manual page and --help";
  }
}

TEST_F(Installed, KelvoShowMakesTheCopyInAFreshHomeAndTheShowRunsThere) {
  const TempDir home;
  const std::string homeDir = home.file("fake home");
  fs::create_directories(homeDir);
  const std::string installed = prefix() + "/share/kelvo/game";
  std::vector<std::string> before;
  kelvo::show::listRegularFiles(installed, before);

  ChildProcess show;
  show.start("env -u XDG_DATA_HOME HOME=" + shellQuoted(homeDir) + " " + shellQuoted(prefix() + "/bin/kelvo-show"));
  const unsigned long window = show.findWindow();
  ASSERT_NE(window, 0ul) << show.err();
  const std::string copy = homeDir + "/.local/share/kelvo/game";
  // The show writes its board dump at start-up, beside its files.
  for (int i = 0; i < 600 && !fs::exists(copy + "/newTablero.txt"); ++i) std::this_thread::sleep_for(50ms);
  EXPECT_EQ(show.pressKeys(window, "Escape"), 0) << show.err();

  EXPECT_NE(show.out().find("copied to " + copy), std::string::npos) << show.out();
  EXPECT_TRUE(fs::exists(copy + "/newTablero.txt"));
  for (const std::string& f : before) EXPECT_EQ(readFile(copy + "/" + f), readFile(installed + "/" + f)) << f;
  // Nothing was written into the installation.
  std::vector<std::string> after;
  kelvo::show::listRegularFiles(installed, after);
  EXPECT_EQ(after, before);
}

TEST(DebianPackage, HoldsTheInstallationUnderUsrAndItsProgramsRun) {
  if (!hasProgram("dpkg-deb")) GTEST_SKIP() << "dpkg-deb is not installed: no Debian package is made";
  const TempDir out;
  const std::string log = runCommand(shellQuoted(KELVO_CPACK) + " -G DEB --config " +
                                     shellQuoted(std::string(KELVO_BINARY_DIR) + "/CPackConfig.cmake") + " -B " +
                                     shellQuoted(out.path()) + " 2>&1");
  std::string deb;
  for (const auto& entry : fs::directory_iterator(out.path()))
    if (entry.path().extension() == ".deb") deb = entry.path().string();
  ASSERT_FALSE(deb.empty()) << log;
  EXPECT_EQ(fs::path(deb).filename().string().rfind(std::string("kelvo-viewer_") + kelvo::kVersion + "_", 0), 0u)
      << deb;

  const std::string contents = runCommand("dpkg-deb -c " + shellQuoted(deb));
  std::vector<std::string> wanted = {"./usr/share/kelvo/game/Data/Scenes/initial.txt",
                                     "./usr/share/kelvo/examples/camera_keys.ks"};
  for (const char* program : kPrograms) {
    wanted.push_back(std::string("./usr/bin/") + program);
    wanted.push_back(std::string("./usr/share/man/man1/") + program + ".1.gz");
  }
  for (const std::string& path : wanted) EXPECT_NE(contents.find(" " + path + "\n"), std::string::npos) << path;
  EXPECT_EQ(contents.find("./usr/local"), std::string::npos);

  const std::string fields = runCommand("dpkg-deb -f " + shellQuoted(deb) + " Package Version Depends Maintainer Description");
  EXPECT_NE(fields.find("Package: kelvo-viewer\n"), std::string::npos) << fields;
  EXPECT_NE(fields.find(std::string("Version: ") + kelvo::kVersion + "\n"), std::string::npos) << fields;
  for (const char* library : {"libsdl2-2.0-0", "libgl1", "libglu1-mesa", "libfreeimage3", "libopenal1", "libalut0"})
    EXPECT_NE(fields.find(library), std::string::npos) << library << " in " << fields;

  // The description as apt shows it: the summary, then the long text as
  // paragraphs, each line indented by one space (two would make it a
  // verbatim line), the summary not repeated.
  const std::vector<std::string> description = lines(runCommand("dpkg-deb -f " + shellQuoted(deb) + " Description"));
  ASSERT_GE(description.size(), 2u) << fields;
  for (std::size_t i = 1; i < description.size(); ++i) {
    const std::string& line = description[i];
    EXPECT_TRUE(line.size() >= 2 && line[0] == ' ' && line[1] != ' ') << "line " << i << ": '" << line << "'";
    EXPECT_NE(line.substr(line.empty() ? 0 : 1), description[0]) << "the summary again in line " << i;
  }
  // Debian keeps the "games" section for programs in /usr/games.
  EXPECT_EQ(runCommand("dpkg-deb -f " + shellQuoted(deb) + " Section") == "games\n",
            contents.find("./usr/games/") != std::string::npos);

  // Unpacked, the programs run from there; kelvo-show finds its files
  // beside itself.
  const std::string root = out.file("root");
  ASSERT_EQ(std::system(("dpkg-deb -x " + shellQuoted(deb) + " " + shellQuoted(root)).c_str()), 0);
  for (const char* program : {"kelvo-scene", "kelvo-show"}) {
    EXPECT_EQ(runCommand("env -u DISPLAY " + shellQuoted(root + "/usr/bin/" + program) + " --version"),
              std::string(program) + " " + kelvo::kVersion + "\n");
  }
}

}  // namespace
