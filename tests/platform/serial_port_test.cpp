// The serial port on a pseudo-terminal: what configure() sets, and that the
// terminal's own settings come back however the port ends (closed, destroyed,
// or the process ended by SIGINT or SIGTERM).

#include "platform/SerialPort.h"
#include "support/PseudoTerminal.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <optional>

namespace {

using kelvo::test::PseudoTerminal;
using kelvo::test::sameSettings;
using qor::platform::SerialPort;

bool rawAt(const termios& tio, speed_t speed) {
  return (tio.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS | CREAD | CLOCAL)) == tcflag_t{CS8 | CREAD | CLOCAL} &&
         (tio.c_iflag & (IXON | IXOFF | ICRNL)) == 0 && (tio.c_lflag & (ICANON | ECHO | ISIG)) == 0 &&
         (tio.c_oflag & OPOST) == 0 && cfgetospeed(&tio) == speed && cfgetispeed(&tio) == speed;
}

TEST(SerialPortTest, SettingsComeBackWhenThePortIsClosedOrDestroyed) {
  enum class End { Close, Destroy, CloseAfterSecondConfigure };
  for (End end : {End::Close, End::Destroy, End::CloseAfterSecondConfigure}) {
    PseudoTerminal pty;
    const termios before = pty.settings();  // a fresh pty: line editing, echo, 38400 baud
    ASSERT_FALSE(rawAt(before, B9600));
    std::optional<SerialPort> port(std::in_place);
    ASSERT_TRUE(port->open(pty.path.c_str()));
    ASSERT_TRUE(port->configure(9600));
    EXPECT_TRUE(rawAt(pty.settings(), B9600));
    // Bytes written just before the end still leave raw and whole.
    ASSERT_TRUE(port->write("\x19R1\r\n", 5));
    if (end == End::CloseAfterSecondConfigure) {
      // Set up again: what comes back is still what was there before us.
      ASSERT_TRUE(port->configure(115200));
      EXPECT_TRUE(rawAt(pty.settings(), B115200));
    }
    if (end == End::Destroy) port.reset();
    else port->close();
    EXPECT_TRUE(sameSettings(pty.settings(), before)) << static_cast<int>(end);
    EXPECT_EQ(pty.read(5), "\x19R1\r\n");
    EXPECT_TRUE(pty.slaveClosed());
    if (port) port->close();  // closing twice does nothing
  }
}

TEST(SerialPortTest, SettingsComeBackWhenASignalEndsTheProcess) {
  // In a child: the port set up, then the signal. With no handler of its own
  // the child ends by the signal as it would have; a handler that was there
  // first still runs (here it exits with 7).
  struct Case {
    int signal;
    bool ownHandler;
  };
  for (const Case c : {Case{SIGTERM, false}, Case{SIGINT, false}, Case{SIGTERM, true}}) {
    PseudoTerminal pty;
    const termios before = pty.settings();
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      if (c.ownHandler) ::signal(c.signal, [](int) { ::_exit(7); });
      SerialPort port;
      const char ok = port.open(pty.path.c_str()) && port.configure(9600) ? 'y' : 'n';
      (void)!::write(ready[1], &ok, 1);
      for (;;) ::pause();
    }
    ::close(ready[1]);
    char ok = 0;
    ASSERT_EQ(::read(ready[0], &ok, 1), 1);  // the child has set the port up
    ::close(ready[0]);
    EXPECT_EQ(ok, 'y');
    EXPECT_TRUE(rawAt(pty.settings(), B9600));
    ::kill(pid, c.signal);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    if (c.ownHandler) EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 7) << status;
    else EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == c.signal) << status;
    EXPECT_TRUE(sameSettings(pty.settings(), before)) << strsignal(c.signal);
  }
}

TEST(SerialPortTest, WhatCannotBeSetUpChangesNothing) {
  PseudoTerminal pty;
  const termios before = pty.settings();
  SerialPort port;
  ASSERT_TRUE(port.open(pty.path.c_str()));
  EXPECT_FALSE(port.configure(12345));  // no such speed
  port.close();
  EXPECT_TRUE(sameSettings(pty.settings(), before));
  EXPECT_FALSE(port.open("/nonexistent/tty"));
}

}  // namespace
