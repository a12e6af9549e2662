#pragma once
// A pseudo-terminal standing in for a serial device: the program opens the
// slave side by its path, as it would a serial port, and the test reads what
// was sent from the master side and the terminal's settings through it.

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

namespace kelvo::test {

struct PseudoTerminal {
  PseudoTerminal() {
    char name[128];
    if (grantpt(master) == 0 && unlockpt(master) == 0 && ptsname_r(master, name, sizeof name) == 0) path = name;
  }
  ~PseudoTerminal() { ::close(master); }
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  // Bytes as they arrive until there are `count` of them, or until `limit`
  // has passed (a generous bound for a correct program, never a measure).
  std::string read(std::size_t count, std::chrono::milliseconds limit = std::chrono::seconds(60)) const {
    std::string got;
    const auto end = std::chrono::steady_clock::now() + limit;
    char buffer[256];
    while (got.size() < count) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
      if (left.count() <= 0) break;
      pollfd p{master, POLLIN, 0};
      if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
      if (!(p.revents & POLLIN)) {
        // Hung up: nothing has the slave open, between one sequence's close
        // and the next one's open, say. Wait for it to be opened again.
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        continue;
      }
      const ssize_t n = ::read(master, buffer, std::min(sizeof buffer, count - got.size()));
      if (n <= 0) continue;
      got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
  }
  // What has arrived already, without waiting. Used to show that nothing
  // more came: a late byte is caught by the next read instead.
  std::string pending() const { return read(SIZE_MAX, std::chrono::milliseconds(1)); }

  bool slaveClosed() const {  // no process has the slave side open any more
    pollfd p{master, 0, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & POLLHUP);
  }
  // The terminal's settings (the master reports the slave's).
  termios settings() const {
    termios tio{};
    tcgetattr(master, &tio);
    return tio;
  }

  const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  std::string path;
};

// The parts of two settings that a program setting a terminal up changes.
inline bool sameSettings(const termios& a, const termios& b) {
  return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag && a.c_lflag == b.c_lflag &&
         cfgetispeed(&a) == cfgetispeed(&b) && cfgetospeed(&a) == cfgetospeed(&b) &&
         std::equal(a.c_cc, a.c_cc + NCCS, b.c_cc);
}

}  // namespace kelvo::test
