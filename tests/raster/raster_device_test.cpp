// The tracking device: the settings file, the serial port settings, the
// start-up sequence and its wait (on a stepped clock, and once in real time
// through the script), reconnecting, closing, and the five built-ins.

#include "PseudoTerminal.h"
#include "support/ScriptFixture.h"
#include "support/TempDir.h"

#include "platform/Clock.h"
#include "script/SyntaxTree.h"
#include "script/TrackingDevice.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>


namespace {

namespace fs = std::filesystem;
using kelvo::test::PseudoTerminal;
using kelvo::test::TempDir;
using qor::DataPtr;
using qor::rasterDevice;
using namespace std::string_view_literals;

const std::string kFirstByte = "\x19";
const std::string kCommands = "R1\rmfcuO2,4\r";

// ---- the settings file -------------------------------------------------------------

TEST(RasterSettings, ReadsAWordAndANumberAsScanfWould) {
  struct Case {
    std::string_view text;
    const char* name;
    uint32_t baud;
  };
  const Case cases[] = {
      {"COM1 9600", "COM1", 9600},
      {"\r\n  /dev/ttyS0\r\n\t19200 trailing words 7\r\n", "/dev/ttyS0", 19200},
      {"/dev/ttyUSB0", "/dev/ttyUSB0", 0},    // name only: the rate is 0
      {"port abc", "port", 0},                // no number
      {"port 12abc", "port", 12},             // the number's digits only
      {"port -1", "port", 4294967295u},       // wraps as the unsigned rate
      {"port 99999999999", "port", INT_MAX},  // saturates as the Windows runtime does
      {"", "", 0},
      {"na\0me 4800"sv, "na", 4800},  // NUL ends the name, not the word
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text));
    const qor::RasterSettings s = qor::parseRasterSettings(c.text);
    EXPECT_EQ(s.portName, c.name);
    EXPECT_EQ(s.baudRate, c.baud);
  }
  // Only regular files are read: a FIFO would block.
  TempDir dir;
  const std::string fifo = dir.file("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {dir.file("missing"), dir.path(), fifo}) EXPECT_FALSE(qor::readRasterSettings(path));
  EXPECT_EQ(qor::readRasterSettings(dir.write("s.txt", "COM2 38400\r\n"))->baudRate, 38400u);
}

// ---- the device ------------------------------------------------------------------

int32_t fakeNow = 0;
int32_t fakeClock() { return fakeNow; }

// A clean device, a stepped clock (starting just below the 32-bit wrap, so
// the wait is measured across it) and a working directory of its own for
// "raster_settings.txt".
class RasterTest : public scripttest::ScriptTest {
protected:
  void SetUp() override {
    ASSERT_TRUE(pty.ok());
    rasterDevice.Close();
    fakeNow = INT32_MAX - 1000;
    qor::platform::setClockSource(&fakeClock);
    previousDir = fs::current_path();
    fs::current_path(dir.path());
    ScriptTest::SetUp();
  }
  void TearDown() override {
    ScriptTest::TearDown();
    rasterDevice.Close();
    qor::platform::setClockSource(nullptr);
    fs::current_path(previousDir);
  }

  static bool connect(const PseudoTerminal& p) { return rasterDevice.Connect(p.slavePath().c_str(), 9600); }
  static void wait(int32_t ms) { fakeNow = qor::platform::clockDiff(fakeNow, -ms); }
  // Lets `ms` pass, runs one main-loop pass and returns what the device got.
  static std::string after(int32_t ms, PseudoTerminal& p) {
    wait(ms);
    rasterDevice.update();
    return p.drain();
  }
  std::string after(int32_t ms) { return after(ms, pty); }
  void settings(const std::string& content) { dir.write("raster_settings.txt", content); }

  TempDir dir;
  PseudoTerminal pty;
  fs::path previousDir;
};

TEST_F(RasterTest, StartUpSequenceWaitsFiveSecondsWithoutBlocking) {
  ASSERT_TRUE(connect(pty));
  EXPECT_EQ(pty.drain(), kFirstByte);
  EXPECT_TRUE(rasterDevice.waiting());
  EXPECT_EQ(after(4999), "");
  EXPECT_EQ(after(1), kCommands);
  EXPECT_FALSE(rasterDevice.waiting());
  EXPECT_EQ(after(10000), "");
  EXPECT_TRUE(rasterDevice.isOpen());
}

TEST_F(RasterTest, PortIsRaw8N1WithoutFlowControl) {
  for (uint32_t baud : {9600u, 115200u}) {
    SCOPED_TRACE(baud);
    ASSERT_TRUE(rasterDevice.Open(pty.slavePath().c_str(), baud));
    termios tio{};  // on a pty master, the slave's settings
    ASSERT_EQ(tcgetattr(pty.master(), &tio), 0);
    EXPECT_EQ(tio.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS | CREAD | CLOCAL),
              static_cast<tcflag_t>(CS8 | CREAD | CLOCAL));
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL | ISTRIP), 0u);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
    EXPECT_EQ(cfgetospeed(&tio), baud == 9600 ? speed_t(B9600) : speed_t(B115200));
    EXPECT_EQ(cfgetispeed(&tio), cfgetospeed(&tio));
  }
}

TEST_F(RasterTest, ConnectingAgainReopensAndResendsEverything) {
  // Again after a finished sequence: the whole sequence, wait included.
  ASSERT_TRUE(connect(pty));
  EXPECT_EQ(after(5000), kFirstByte + kCommands);
  ASSERT_TRUE(connect(pty));
  EXPECT_EQ(pty.drain(), kFirstByte);
  EXPECT_EQ(after(5000), kCommands);

  // Again during the wait: the earlier rest is dropped, the new wait counts.
  ASSERT_TRUE(connect(pty));
  wait(3000);
  ASSERT_TRUE(connect(pty));
  EXPECT_EQ(pty.drain(), kFirstByte + kFirstByte);
  EXPECT_EQ(after(2000), "");
  EXPECT_EQ(after(3000), kCommands);

  // Through the built-in, to another port: the first one is closed.
  PseudoTerminal other;
  settings(pty.slavePath() + " 9600");
  run("InitializeRaster();");
  EXPECT_EQ(pty.drain(), kFirstByte);
  settings(other.slavePath() + " 19200");
  run("InitializeRaster();");
  EXPECT_TRUE(pty.slaveClosed());
  EXPECT_STREQ(rasterDevice.portName, other.slavePath().c_str());
  EXPECT_EQ(rasterDevice.baudRate, 19200u);
  EXPECT_EQ(after(5000, other), kFirstByte + kCommands);
  EXPECT_EQ(pty.drain(), "");
}

TEST_F(RasterTest, ClosingDropsTheRestOfTheSequence) {
  ASSERT_TRUE(connect(pty));
  EXPECT_EQ(pty.drain(), kFirstByte);
  rasterDevice.Close();
  EXPECT_FALSE(rasterDevice.isOpen());
  EXPECT_TRUE(pty.slaveClosed());
  EXPECT_EQ(after(5000), "");
  rasterDevice.Close();  // closing twice is harmless
}

TEST_F(RasterTest, PortNameIsCutTo31Characters) {
  // A link to the pty whose path is exactly 31 characters long, named in the
  // settings with more characters after it: only the link's path is opened.
  char pattern[] = "/tmp/kr-XXXXXX";
  ASSERT_TRUE(mkdtemp(pattern));
  const std::string linkDir = pattern;
  const std::string link = linkDir + "/" + std::string(31 - linkDir.size() - 1, 'p');
  ASSERT_EQ(symlink(pty.slavePath().c_str(), link.c_str()), 0);
  settings(link + "TOOLONG 9600");
  run("InitializeRaster();");
  EXPECT_STREQ(rasterDevice.portName, link.c_str());
  EXPECT_EQ(pty.drain(), kFirstByte);
  rasterDevice.Close();
  fs::remove_all(linkDir);
}

TEST_F(RasterTest, UnknownBaudRateLeavesThePortClosedWithOneLine) {
  for (const char* rate : {"12345", "", "0", "-9600", "99999999999"}) {
    SCOPED_TRACE(rate);
    settings(pty.slavePath() + " " + rate);
    testing::internal::CaptureStderr();
    run("InitializeRaster();");
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_EQ(err.back(), '\n');
    EXPECT_FALSE(rasterDevice.isOpen());
    EXPECT_FALSE(rasterDevice.waiting());
  }
  EXPECT_EQ(pty.drain(), "");
}

TEST_F(RasterTest, PortsThatCannotBeUsedGetNothing) {
  // Missing settings, a missing device, a device that is no terminal: no
  // bytes, no wait, no messages.
  const std::string plainFile = dir.write("not-a-tty", "");
  testing::internal::CaptureStderr();
  run("InitializeRaster();");
  EXPECT_FALSE(rasterDevice.isOpen());
  EXPECT_FALSE(rasterDevice.Connect(dir.file("no-such-port").c_str(), 9600));
  EXPECT_FALSE(rasterDevice.isOpen());
  EXPECT_FALSE(rasterDevice.Connect(plainFile.c_str(), 9600));
  EXPECT_FALSE(rasterDevice.Connect(nullptr, 9600));
  EXPECT_FALSE(rasterDevice.waiting());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(fs::file_size(plainFile), 0u);
}

// ---- the built-ins ------------------------------------------------------------------

// Other argument counts give null and do nothing (the settings name a live
// port); the right ones report the untouched station 0.
TEST_F(RasterTest, BuiltinsCheckTheirArgumentCounts) {
  settings(pty.slavePath() + " 9600");
  const std::pair<const char*, const char*> cases[] = {
      {"InitializeRaster(1)", "null"},
      {"IsRasterButtonPressed(1)", "null"},
      {"SetRasterButtonFunc()", "null"},
      {"SetRasterButtonFunc(f(), g())", "null"},
      {"GetRasterPosition(1)", "null"},
      {"GetRasterOrientation(1, 2)", "null"},
      {"IsRasterButtonPressed()", "bool false"},
      {"GetRasterPosition()", "List (0.0000, 0.0000, 0.0000)"},
      {"GetRasterOrientation()", "List (0.0000, 0.0000, 0.0000)"},
  };
  for (const auto& [call, expected] : cases) {
    SCOPED_TRACE(call);
    EXPECT_EQ(eval(call), expected);
  }
  EXPECT_FALSE(rasterDevice.isOpen());
  EXPECT_FALSE(qor::script::rasterButtonFunction());
  EXPECT_EQ(pty.drain(), "");
}

TEST_F(RasterTest, ButtonFunctionIsStoredUnevaluatedAndReleasedWithTheBindings) {
  run("def f() { print(\"called\"); } SetRasterButtonFunc(f());");
  EXPECT_EQ(out, "");  // not called
  const DataPtr& stored = qor::script::rasterButtonFunction();
  ASSERT_TRUE(stored && stored->tag() == qor::kTagCallFunction);
  EXPECT_EQ(static_cast<qor::DataCallFunction*>(stored.get())->text(), "f");
  run("SetRasterButtonFunc(3);");  // not a call: removes it
  EXPECT_FALSE(qor::script::rasterButtonFunction());
  run("SetRasterButtonFunc(f());");
  qor::script::clearKeyBindings();  // the scene reset and the shut-down
  EXPECT_FALSE(qor::script::rasterButtonFunction());
}

// Once, in real time and through the script: the built-in returns at once,
// the first byte is there, and the rest comes no sooner than 5 s later while
// the caller keeps running its passes.
TEST_F(RasterTest, RealTimeStartUpThroughTheScript) {
  qor::platform::setClockSource(nullptr);
  settings(pty.slavePath() + " 9600\n");
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  run("InitializeRaster();");
  EXPECT_TRUE(rasterDevice.waiting());
  EXPECT_EQ(pty.drain(50), kFirstByte);
  std::string rest;
  int passes = 0;
  while (rest.size() < kCommands.size() && Clock::now() - start < std::chrono::seconds(10)) {
    rasterDevice.update();
    ++passes;
    rest += pty.drain(10);
  }
  EXPECT_EQ(rest, kCommands);
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(5000));
  EXPECT_GT(passes, 100);  // the loop went on while the device waited
}

}  // namespace
