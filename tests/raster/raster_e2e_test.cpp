// The tracking device as the programs drive it: a pty named in
// "raster_settings.txt" gets every start-up sequence a script asked for, in
// full, before kelvo-script or the viewer ends, and its settings back after.

#include "support/ChildProcess.h"
#include "support/PseudoTerminal.h"

#include <gtest/gtest.h>

namespace {

using namespace kelvo::test;

const std::string kSequence = "\x19R1\rmfcuO2,4\r";

TEST(RasterEndToEnd, EverySequenceIsSentBeforeTheProgramEnds) {
  // Scripts that end at once, or ask the program to end, right after the
  // calls; nothing runs a main loop after them in kelvo-script.
  struct Case {
    const char* program;  // the command line, run in the scratch folder
    const char* scriptFile;
    const char* script;
    int sequences;
  };
  const Case cases[] = {
      {"'" KELVO_BIN_DIR "/kelvo-script' s.txt", "s.txt", "InitializeRaster();\n", 1},
      {"'" KELVO_BIN_DIR "/kelvo-script' s.txt", "s.txt", "InitializeRaster(); InitializeRaster(); exit();\n", 2},
      {"SDL_VIDEODRIVER=offscreen '" KELVO_BIN_DIR "/kelvo-viewer'", "Data/Scenes/initial.txt",
       "InitializeRaster(); exit();\n", 1},
  };
  for (const Case& c : cases) {
    PseudoTerminal pty;
    const termios before = pty.settings();
    ChildProcess program;
    program.dir.write("Data/ScreenSettings.txt", "320 240 f\n");
    program.dir.write("raster_settings.txt", pty.path + " 9600\n");
    program.dir.write(c.scriptFile, c.script);
    program.start(c.program, false);
    std::string expected;
    for (int i = 0; i < c.sequences; ++i) expected += kSequence;
    EXPECT_EQ(pty.read(expected.size()), expected) << c.script << program.err();
    EXPECT_EQ(program.waitExit(), 0) << c.script << program.err();
    EXPECT_EQ(pty.pending(), "") << c.script;
    // The port was closed and its settings put back when the program ended.
    EXPECT_TRUE(sameSettings(pty.settings(), before)) << c.script;
  }
}

}  // namespace
