#pragma once
// A pseudo-terminal standing in for the tracking device: the program opens
// the slave side by its path as it would a serial port, and the test reads
// what arrives at the master side.

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <string>

namespace kelvo::test {

class PseudoTerminal {
public:
  PseudoTerminal() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[128];
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0 || ptsname_r(master_, name, sizeof name) != 0)
      return;
    slavePath_ = name;
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
  }
  ~PseudoTerminal() {
    if (master_ >= 0) ::close(master_);
  }
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  bool ok() const { return !slavePath_.empty(); }
  const std::string& slavePath() const { return slavePath_; }
  int master() const { return master_; }

  // Everything that arrives until nothing more has come for `quietMs`. The
  // pty passes bytes on asynchronously, so a short pause is needed to be
  // sure that nothing else follows.
  std::string drain(int quietMs = 150) {
    std::string got;
    pollfd p{master_, POLLIN, 0};
    while (::poll(&p, 1, quietMs) > 0 && (p.revents & POLLIN)) {
      char buffer[256];
      const ssize_t n = ::read(master_, buffer, sizeof buffer);
      if (n <= 0) break;
      got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
  }

  // True when no process has the slave side open any more.
  bool slaveClosed() const {
    pollfd p{master_, 0, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & POLLHUP);
  }

private:
  int master_ = -1;
  std::string slavePath_;
};

}  // namespace kelvo::test
