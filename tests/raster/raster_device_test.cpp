// The tracking device: the settings file, the serial port, the start-up sequence and its wait (on a
// stepped clock), calls queued behind a wait, what is sent before the end, closing, and the five built-ins.

#include "app/TrackingDevice.h"
#include "platform/Clock.h"
#include "script/SyntaxTree.h"
#include "support/PseudoTerminal.h"
#include "support/ScriptFixture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <tuple>

namespace fs = std::filesystem;
using kelvo::test::PseudoTerminal;
using kelvo::test::TempDir;
using qor::rasterDevice;

static const std::string kFirstByte = "\x19", kCommands = "R1\rmfcuO2,4\r", kSequence = kFirstByte + kCommands;

TEST(RasterSettings, ReadsAWordAndANumberAsScanfWould) {
  const std::tuple<std::string_view, std::string, uint32_t> cases[] = {
      {"COM1 9600", "COM1", 9600}, {"", "", 0},
      {"\r\n  /dev/ttyS0\r\n\t19200 trailing words 7\r\n", "/dev/ttyS0", 19200},
      {"/dev/ttyUSB0", "/dev/ttyUSB0", 0},      // name only: the rate is 0
      {"port abc", "port", 0},                  // no number
      {"port 12abc", "port", 12},               // the number's digits only
      {"port -1", "port", 4294967295u},         // wraps as the unsigned rate
      {"port 99999999999", "port", INT32_MAX},  // saturates as the Windows runtime does
      {std::string_view("na\0me 4800", 10), "na", 4800},  // NUL ends the name, not the word
  };
  for (const auto& [text, name, baud] : cases) {
    const qor::RasterSettings s = qor::parseRasterSettings(text);
    EXPECT_EQ(std::pair(s.portName, s.baudRate), std::pair(name, baud)) << text;
  }
  TempDir dir;  // only regular files are read: a FIFO would block
  ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);
  for (const auto& path : {dir.file("no"), dir.path(), dir.file("fifo")}) EXPECT_FALSE(qor::readRasterSettings(path));
  EXPECT_EQ(qor::readRasterSettings(dir.write("s.txt", "COM2 38400\r\n"))->baudRate, 38400u);
}

// A clean device, a stepped clock (starting just below the 32-bit wrap, so the wait is measured across it;
// the device's waits at the end step it too) and a working directory of its own for the settings.
class RasterTest : public scripttest::ScriptTest {
protected:
  static inline int32_t fakeNow = 0;
  static void step(int32_t ms) { fakeNow = qor::platform::clockDiff(fakeNow, -std::max(ms, 0)); }
  void SetUp() override {
    fakeNow = INT32_MAX - 1000;
    qor::platform::setClockSource([] { return fakeNow; });
    rasterDevice.sleep = &step;
    fs::current_path(dir.path());
    qor::installTrackingDevice();  // as the viewer and the tools do, before the built-ins are registered
    ScriptTest::SetUp();
  }
  void TearDown() override {
    ScriptTest::TearDown();
    qor::clearRasterButtonFunction();
    rasterDevice.Close();
    rasterDevice.sleep = &qor::platform::sleepMs;
    qor::platform::setClockSource(nullptr);
    fs::current_path(previousDir);
  }
  // Lets `ms` pass on the clock, runs one main-loop pass and returns the `count` bytes `p` should get then.
  static std::string after(int32_t ms, const PseudoTerminal& p, std::size_t count) {
    step(ms);
    rasterDevice.update();
    return p.read(count);
  }
  // Writes the settings file (none when `settings` is empty) and calls the built-in.
  void initialize(const std::string& settings) {
    if (!settings.empty()) dir.write(qor::kRasterSettingsFile, settings);
    run("InitializeRaster();");
  }

  fs::path previousDir = fs::current_path();
  TempDir dir;
  PseudoTerminal pty;
};

TEST_F(RasterTest, StartUpSequenceWaitsFiveSecondsOnePassAfterAnother) {
  // A link to the pty named by 31 characters, given with more: only the 31 are kept and opened.
  const std::string link(31, 'p');
  ASSERT_EQ(symlink(pty.path.c_str(), link.c_str()), 0);
  initialize(link + "TOOLONG 9600");
  EXPECT_STREQ(rasterDevice.portName, link.c_str());
  EXPECT_EQ(pty.read(1), kFirstByte);
  EXPECT_EQ(after(4999, pty, 0), "");
  EXPECT_EQ(pty.pending(), "");
  EXPECT_EQ(after(1, pty, kCommands.size()), kCommands);
  EXPECT_FALSE(rasterDevice.waiting());
  EXPECT_EQ(after(10000, pty, 0) + pty.pending(), "");

  // Again after a finished sequence: the port opened anew, the first byte again, and a new wait.
  // Again during that wait, from another script: queued behind it, whole, with a wait of its own.
  initialize(pty.path + " 9600");
  EXPECT_EQ(after(3000, pty, 1), kFirstByte);
  run("InitializeRaster();");
  EXPECT_EQ(rasterDevice.queued(), 1u);
  EXPECT_EQ(after(1999, pty, 0) + pty.pending(), "");
  EXPECT_EQ(after(1, pty, kSequence.size()), kCommands + kFirstByte);
  EXPECT_EQ(after(4999, pty, 0) + pty.pending(), "");
  EXPECT_EQ(after(1, pty, kCommands.size()), kCommands);
  EXPECT_FALSE(rasterDevice.waiting());
}

TEST_F(RasterTest, EveryCallGetsItsWholeSequenceInTurnBeforeTheProgramEnds) {
  // The program ends right after the script (finish, as the shut-down and the tools do), with no
  // main-loop pass in between: every call's sequence still goes out whole, each after its wait.
  const std::pair<const char*, int> scripts[] = {
      {"InitializeRaster();", 1}, {"InitializeRaster(); exit();", 1}, {"InitializeRaster(); InitializeRaster();", 2}};
  const termios before = pty.settings();
  dir.write(qor::kRasterSettingsFile, pty.path + " 9600");
  for (const auto& [script, calls] : scripts) {
    const int32_t start = fakeNow;
    run(script);
    rasterDevice.finish();
    std::string expected;
    for (int i = 0; i < calls; ++i) expected += kSequence;
    EXPECT_EQ(pty.read(expected.size()), expected) << script;
    EXPECT_EQ(qor::platform::clockDiff(fakeNow, start), calls * qor::RasterDevice::kStartUpWaitMs) << script;
    EXPECT_FALSE(rasterDevice.waiting());
    rasterDevice.finish();  // nothing pending: no wait, nothing sent
    EXPECT_EQ(qor::platform::clockDiff(fakeNow, start), calls * qor::RasterDevice::kStartUpWaitMs) << script;
    EXPECT_EQ(pty.pending(), "") << script;
  }

  // Calls during a wait that name other ports: each opens its own when its turn comes (the one before
  // is closed); one that cannot be opened sends nothing and the next follows.
  PseudoTerminal other;
  const termios otherBefore = other.settings();
  rasterDevice.Close();
  for (const std::string& settings : {pty.path + " 9600", other.path + " 115200", dir.file("none") + " 9600",
                                      pty.path + " 9600"})
    initialize(settings);
  EXPECT_EQ(rasterDevice.queued(), 3u);
  EXPECT_EQ(pty.read(1), kFirstByte);
  EXPECT_EQ(after(5000, pty, kCommands.size()), kCommands);
  EXPECT_EQ(other.read(1), kFirstByte);
  EXPECT_TRUE(pty.slaveClosed());
  termios tio = other.settings();  // at its own rate (the rest of the set-up: serial_port_test)
  EXPECT_TRUE(cfgetospeed(&tio) == B115200 && cfgetispeed(&tio) == B115200);
  rasterDevice.finish();
  EXPECT_EQ(other.read(kCommands.size()), kCommands);
  EXPECT_EQ(pty.read(kSequence.size()), kSequence);
  EXPECT_TRUE(other.slaveClosed());
  EXPECT_TRUE(kelvo::test::sameSettings(other.settings(), otherBefore));  // put back when it was closed

  // Close drops whatever is pending and gives the terminal its settings back.
  run("InitializeRaster(); InitializeRaster();");
  EXPECT_EQ(pty.read(1), kFirstByte);
  rasterDevice.Close();
  EXPECT_EQ(std::pair(rasterDevice.waiting(), rasterDevice.queued()), std::pair(false, std::size_t{0}));
  EXPECT_TRUE(kelvo::test::sameSettings(pty.settings(), before));
  rasterDevice.finish();
  EXPECT_EQ(after(10000, pty, 0) + pty.pending(), "");
}

TEST_F(RasterTest, WhatCannotBeUsedGetsNothingAndBuiltinsCheckTheirArguments) {
  // No settings file, a missing device, a device that is no terminal (it stays open, unused): no bytes,
  // no message. A baud rate termios does not know: the port is not even opened; one line on stderr.
  const std::string plainFile = dir.write("not-a-tty", "");
  const std::tuple<std::string, int, bool> cases[] = {  // settings (empty: no file), lines on stderr, open
      {"", 0, false},       {dir.file("no-such-port") + " 9600", 0, false}, {plainFile + " 9600", 0, true},
      {pty.path, 1, false}, {pty.path + " 12345", 1, false},                 {pty.path + " -9600", 1, false},
      {pty.path + " 99999999999", 1, false},
  };
  for (const auto& [settings, lines, open] : cases) {
    testing::internal::CaptureStderr();
    initialize(settings);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), lines) << settings << ": " << err;
    EXPECT_TRUE(err.empty() || err.back() == '\n');
    EXPECT_EQ(std::pair(rasterDevice.isOpen(), rasterDevice.waiting()), std::pair(open, false)) << settings;
  }
  EXPECT_FALSE(rasterDevice.Connect(nullptr, 9600));
  EXPECT_EQ(fs::file_size(plainFile), 0u);

  // Other argument counts give null and do nothing; the right ones report the untouched station 0.
  dir.write(qor::kRasterSettingsFile, pty.path + " 9600");
  const std::pair<const char*, const char*> calls[] = {
      {"InitializeRaster(1)", "null"},         {"IsRasterButtonPressed(1)", "null"},
      {"SetRasterButtonFunc()", "null"},       {"SetRasterButtonFunc(f(), g())", "null"},
      {"GetRasterPosition(1)", "null"},        {"GetRasterOrientation(1, 2)", "null"},
      {"IsRasterButtonPressed()", "bool false"}, {"GetRasterPosition()", "List (0.0000, 0.0000, 0.0000)"},
      {"GetRasterOrientation()", "List (0.0000, 0.0000, 0.0000)"},
  };
  for (const auto& [call, expected] : calls) EXPECT_EQ(eval(call), expected) << call;
  EXPECT_EQ(pty.pending(), "");

  // The button function is stored, not called; released with the key bindings.
  EXPECT_EQ(run("def f() { print(\"called\"); } SetRasterButtonFunc(f());"), "");
  const qor::DataPtr& stored = qor::rasterButtonFunction();
  ASSERT_TRUE(stored && stored->tag() == qor::kTagCallFunction);
  run("SetRasterButtonFunc(3);");  // not a call: removes it
  EXPECT_FALSE(qor::rasterButtonFunction());
  run("SetRasterButtonFunc(f());");
  qor::clearRasterButtonFunction();  // the scene reset and the shut-down
  EXPECT_FALSE(qor::rasterButtonFunction());
}
