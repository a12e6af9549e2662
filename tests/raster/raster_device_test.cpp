// The tracking device: the settings file, the serial port settings, the
// start-up sequence and its wait (on a stepped clock, and once in real time
// through the script), reconnecting, closing, and the five built-ins.

#include "PseudoTerminal.h"
#include "support/ScriptFixture.h"
#include "support/TempDir.h"

#include "platform/Clock.h"
#include "script/TrackingDevice.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <filesystem>
#include <string>

namespace {

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
}

TEST(RasterSettings, OnlyRegularFilesAreRead) {
  TempDir dir;
  EXPECT_FALSE(qor::readRasterSettings(dir.file("missing.txt")));
  EXPECT_FALSE(qor::readRasterSettings(dir.path()));
  const std::string fifo = dir.file("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(qor::readRasterSettings(fifo));  // and does not block
  const auto s = qor::readRasterSettings(dir.write("raster_settings.txt", "COM2 38400\r\n"));
  ASSERT_TRUE(s);
  EXPECT_EQ(s->portName, "COM2");
  EXPECT_EQ(s->baudRate, 38400u);
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
    previousDir = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    ScriptTest::SetUp();
  }
  void TearDown() override {
    ScriptTest::TearDown();
    rasterDevice.Close();
    qor::platform::setClockSource(nullptr);
    std::filesystem::current_path(previousDir);
  }

  static void advance(int32_t ms) { fakeNow = qor::platform::clockDiff(fakeNow, -ms); }
  void settings(const std::string& content) { dir.write("raster_settings.txt", content); }

  TempDir dir;
  PseudoTerminal pty;
  std::filesystem::path previousDir;
};

TEST_F(RasterTest, StartUpSequenceWaitsFiveSecondsWithoutBlocking) {
  ASSERT_TRUE(rasterDevice.Connect(pty.slavePath().c_str(), 9600));
  EXPECT_EQ(pty.drain(), kFirstByte);
  EXPECT_TRUE(rasterDevice.waiting());
  advance(4999);
  rasterDevice.update();
  EXPECT_EQ(pty.drain(), "");
  advance(1);
  rasterDevice.update();
  EXPECT_EQ(pty.drain(), kCommands);
  EXPECT_FALSE(rasterDevice.waiting());
  advance(10000);
  rasterDevice.update();
  EXPECT_EQ(pty.drain(), "");
  EXPECT_TRUE(rasterDevice.isOpen());
}

TEST_F(RasterTest, PortIsRaw8N1WithoutFlowControl) {
  for (uint32_t baud : {9600u, 115200u}) {
    SCOPED_TRACE(baud);
    ASSERT_TRUE(rasterDevice.Open(pty.slavePath().c_str(), baud));
    // On a pty master, tcgetattr reports the slave's settings.
    termios tio{};
    ASSERT_EQ(tcgetattr(pty.master(), &tio), 0);
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(tio.c_cflag & (CREAD | CLOCAL), static_cast<tcflag_t>(CREAD | CLOCAL));
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL | ISTRIP), 0u);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
    EXPECT_EQ(cfgetospeed(&tio), baud == 9600 ? speed_t(B9600) : speed_t(B115200));
    EXPECT_EQ(cfgetispeed(&tio), cfgetospeed(&tio));
  }
}

TEST_F(RasterTest, ConnectingAgainReopensAndResendsEverything) {
  // Again after a finished sequence: the whole sequence, wait included.
  ASSERT_TRUE(rasterDevice.Connect(pty.slavePath().c_str(), 9600));
  advance(5000);
  rasterDevice.update();
  EXPECT_EQ(pty.drain(), kFirstByte + kCommands);
  ASSERT_TRUE(rasterDevice.Connect(pty.slavePath().c_str(), 9600));
  EXPECT_EQ(pty.drain(), kFirstByte);
  advance(5000);
  rasterDevice.update();
  EXPECT_EQ(pty.drain(), kCommands);

  // Again during the wait: the earlier rest is dropped, the new wait counts.
  ASSERT_TRUE(rasterDevice.Connect(pty.slavePath().c_str(), 9600));
  advance(3000);
  ASSERT_TRUE(rasterDevice.Connect(pty.slavePath().c_str(), 9600));
  EXPECT_EQ(pty.drain(), kFirstByte + kFirstByte);
  advance(2000);
  rasterDevice.update();
  EXPECT_EQ(pty.drain(), "");
  advance(3000);
  rasterDevice.update();
  EXPECT_EQ(pty.drain(), kCommands);

  // Through the built-in, to another port: the first one is closed.
  PseudoTerminal other;
  settings(pty.slavePath() + " 9600");
  run("InitializeRaster();");
  EXPECT_EQ(pty.drain(), kFirstByte);
  settings(other.slavePath() + " 19200");
  run("InitializeRaster();");
  EXPECT_TRUE(pty.slaveClosed());
  EXPECT_EQ(other.drain(), kFirstByte);
  EXPECT_STREQ(rasterDevice.portName, other.slavePath().c_str());
  EXPECT_EQ(rasterDevice.baudRate, 19200u);
  advance(5000);
  rasterDevice.update();
  EXPECT_EQ(other.drain(), kCommands);
  EXPECT_EQ(pty.drain(), "");
}

TEST_F(RasterTest, ClosingDropsTheRestOfTheSequence) {
  ASSERT_TRUE(rasterDevice.Connect(pty.slavePath().c_str(), 9600));
  EXPECT_EQ(pty.drain(), kFirstByte);
  rasterDevice.Close();
  EXPECT_FALSE(rasterDevice.isOpen());
  EXPECT_TRUE(pty.slaveClosed());
  advance(5000);
  rasterDevice.update();
  EXPECT_EQ(pty.drain(), "");
  rasterDevice.Close();  // closing twice is harmless
}

TEST_F(RasterTest, PortNameIsCutTo31Characters) {
  // A link to the pty whose path is exactly 31 characters long, named in the
  // settings with more characters after it: only the link's path is opened.
  char pattern[] = "/tmp/kr-XXXXXX";
  ASSERT_TRUE(mkdtemp(pattern));
  const std::string linkDir = pattern;
  const std::string link = linkDir + "/" + std::string(31 - linkDir.size() - 1, 'p');
  ASSERT_EQ(link.size(), 31u);
  ASSERT_EQ(symlink(pty.slavePath().c_str(), link.c_str()), 0);
  settings(link + "TOOLONG 9600");
  run("InitializeRaster();");
  EXPECT_STREQ(rasterDevice.portName, link.c_str());
  EXPECT_TRUE(rasterDevice.isOpen());
  EXPECT_EQ(pty.drain(), kFirstByte);
  rasterDevice.Close();
  std::filesystem::remove_all(linkDir);
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
  EXPECT_EQ(std::filesystem::file_size(plainFile), 0u);
}

// ---- the built-ins ------------------------------------------------------------------

TEST_F(RasterTest, BuiltinsGiveNullForOtherArgumentCounts) {
  settings(pty.slavePath() + " 9600");
  for (const char* call : {"InitializeRaster(1)", "IsRasterButtonPressed(1)", "SetRasterButtonFunc()",
                           "SetRasterButtonFunc(f(), g())", "GetRasterPosition(1)", "GetRasterOrientation(1, 2)"}) {
    SCOPED_TRACE(call);
    EXPECT_EQ(eval(call), "null");
  }
  EXPECT_FALSE(rasterDevice.isOpen());
  EXPECT_FALSE(qor::script::rasterButtonFunction());
  EXPECT_EQ(pty.drain(), "");
}

TEST_F(RasterTest, BuiltinsReportTheUntouchedStation) {
  EXPECT_EQ(eval("InitializeRaster()"), "null");  // no settings file: nothing happens
  EXPECT_EQ(eval("IsRasterButtonPressed()"), "bool false");
  for (const char* call : {"GetRasterPosition()", "GetRasterOrientation()"}) {
    SCOPED_TRACE(call);
    run(std::string("v = ") + call + ";");
    const DataPtr* v = global("v");
    ASSERT_TRUE(v && *v && (*v)->tag() == qor::kTagVector);
    const auto& elements = static_cast<qor::DataVector*>(v->get())->elements;
    ASSERT_EQ(elements.size(), 3u);
    for (const DataPtr& e : elements) {
      ASSERT_TRUE(e && e->tag() == qor::kTagFloat);
      EXPECT_EQ(static_cast<qor::DataFloat*>(e.get())->value, 0.0f);
    }
  }
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
  const auto elapsed = Clock::now() - start;
  EXPECT_EQ(rest, kCommands);
  EXPECT_GE(elapsed, std::chrono::milliseconds(5000));
  EXPECT_GT(passes, 100);  // the loop went on while the device waited
}

}  // namespace
