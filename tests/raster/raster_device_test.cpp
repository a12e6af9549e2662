// The tracking device: the settings file, the serial port, the start-up sequence and its wait (on a
// stepped clock, and once in real time through the script), reconnecting, closing, and the five built-ins.

#include "app/TrackingDevice.h"
#include "platform/Clock.h"
#include "script/SyntaxTree.h"
#include "support/ScriptFixture.h"
#include "support/TempDir.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <tuple>

namespace fs = std::filesystem;
using kelvo::test::TempDir;
using qor::rasterDevice;
using Clock = std::chrono::steady_clock;

static const std::string kFirstByte = "\x19", kCommands = "R1\rmfcuO2,4\r";

// A pty stands in for the device: the program opens the slave side as a serial port, the test reads the master.
struct PseudoTerminal {
  PseudoTerminal() {
    char name[128];
    if (grantpt(master) == 0 && unlockpt(master) == 0 && ptsname_r(master, name, sizeof name) == 0) path = name;
  }
  ~PseudoTerminal() { ::close(master); }
  // What arrives until nothing more has come for `quietMs` (a pty passes bytes on asynchronously).
  std::string drain(int quietMs = 150) const {
    std::string got;
    pollfd p{master, POLLIN, 0};
    char buffer[256];
    for (ssize_t n = 0; ::poll(&p, 1, quietMs) > 0 && (p.revents & POLLIN) && (n = ::read(master, buffer, 256)) > 0;)
      got.append(buffer, static_cast<std::size_t>(n));
    return got;
  }
  bool slaveClosed() const {  // no process has the slave side open any more
    pollfd p{master, 0, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & POLLHUP);
  }
  const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  std::string path;
};

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

// A clean device, a stepped clock (starting just below the 32-bit wrap, so the
// wait is measured across it) and a working directory of its own for the settings.
class RasterTest : public scripttest::ScriptTest {
protected:
  static inline int32_t fakeNow = 0;
  void SetUp() override {
    fakeNow = INT32_MAX - 1000;
    qor::platform::setClockSource([] { return fakeNow; });
    fs::current_path(dir.path());
    qor::installTrackingDevice();  // as the viewer and the tools do, before the built-ins are registered
    ScriptTest::SetUp();
  }
  void TearDown() override {
    ScriptTest::TearDown();
    qor::clearRasterButtonFunction();
    rasterDevice.Close();
    qor::platform::setClockSource(nullptr);
    fs::current_path(previousDir);
  }
  // Lets `ms` pass on the clock, runs one main-loop pass and returns what `p` got.
  static std::string after(int32_t ms, const PseudoTerminal& p) {
    fakeNow = qor::platform::clockDiff(fakeNow, -ms);
    rasterDevice.update();
    return p.drain();
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

TEST_F(RasterTest, StartUpSequenceWaitsFiveSecondsAndEveryCallStartsItAnew) {
  // A link to the pty named by 31 characters, given with more: only the 31 are kept and opened.
  const std::string link(31, 'p');
  ASSERT_EQ(symlink(pty.path.c_str(), link.c_str()), 0);
  initialize(link + "TOOLONG 9600");
  EXPECT_STREQ(rasterDevice.portName, link.c_str());
  EXPECT_EQ(after(4999, pty), kFirstByte);
  EXPECT_EQ(after(1, pty), kCommands);
  EXPECT_EQ(after(10000, pty), "");

  // Again after a finished sequence: the first byte again, and a new wait.
  // Again during that wait: the earlier rest is dropped, the new wait counts.
  initialize(pty.path + " 9600");
  EXPECT_EQ(after(3000, pty), kFirstByte);
  run("InitializeRaster();");
  EXPECT_EQ(after(2000, pty), kFirstByte);
  EXPECT_EQ(after(3000, pty), kCommands);

  // To another port: the first one is closed.
  PseudoTerminal other;
  initialize(other.path + " 115200");
  EXPECT_TRUE(pty.slaveClosed());
  termios tio{};  // the port as set up, read on the master: raw 8N1 without flow control
  ASSERT_EQ(tcgetattr(other.master, &tio), 0);
  EXPECT_EQ(tio.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS | CREAD | CLOCAL), tcflag_t{CS8 | CREAD | CLOCAL});
  EXPECT_EQ((tio.c_iflag & (IXON | IXOFF)) | (tio.c_lflag & (ICANON | ECHO | ISIG)) | (tio.c_oflag & OPOST), 0u);
  EXPECT_TRUE(cfgetospeed(&tio) == B115200 && cfgetispeed(&tio) == B115200);
  EXPECT_EQ(after(5000, other), kFirstByte + kCommands);

  run("InitializeRaster();");
  EXPECT_EQ(other.drain(), kFirstByte);
  rasterDevice.Close();  // drops the rest of the sequence (the fixture closes once more)
  EXPECT_TRUE(other.slaveClosed());
  EXPECT_EQ(after(5000, other), "");

  // Once in real time: the built-in returns at once with the first byte sent,
  // and the rest comes no sooner than 5 s later, from the caller's passes.
  qor::platform::setClockSource(nullptr);
  const auto start = Clock::now();
  run("InitializeRaster();");
  EXPECT_EQ(other.drain(50), kFirstByte);
  std::string rest;
  while (rest.size() < kCommands.size() && Clock::now() - start < std::chrono::seconds(10)) {
    rasterDevice.update();
    rest += other.drain(10);
  }
  EXPECT_EQ(rest, kCommands);
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(5000));
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
  EXPECT_EQ(pty.drain(), "");

  // The button function is stored, not called; released with the key bindings.
  EXPECT_EQ(run("def f() { print(\"called\"); } SetRasterButtonFunc(f());"), "");
  const qor::DataPtr& stored = qor::rasterButtonFunction();
  ASSERT_TRUE(stored && stored->tag() == qor::kTagCallFunction);
  EXPECT_EQ(static_cast<qor::DataCallFunction*>(stored.get())->text(), "f");
  run("SetRasterButtonFunc(3);");  // not a call: removes it
  EXPECT_FALSE(qor::rasterButtonFunction());
  run("SetRasterButtonFunc(f());");
  qor::clearRasterButtonFunction();  // the scene reset and the shut-down
  EXPECT_FALSE(qor::rasterButtonFunction());
}
