#include "platform/SerialPort.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace qor::platform {

namespace {

struct Speed {
  uint32_t bitsPerSecond;
  speed_t code;
};

// The speeds this system's termios defines.
constexpr Speed kSpeeds[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},         {150, B150},
    {200, B200},         {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
    {2400, B2400},       {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
#ifdef B57600
    {57600, B57600},
#endif
#ifdef B115200
    {115200, B115200},
#endif
#ifdef B230400
    {230400, B230400},
#endif
#ifdef B460800
    {460800, B460800},
#endif
#ifdef B500000
    {500000, B500000},
#endif
#ifdef B576000
    {576000, B576000},
#endif
#ifdef B921600
    {921600, B921600},
#endif
#ifdef B1000000
    {1000000, B1000000},
#endif
#ifdef B1152000
    {1152000, B1152000},
#endif
#ifdef B1500000
    {1500000, B1500000},
#endif
#ifdef B2000000
    {2000000, B2000000},
#endif
#ifdef B2500000
    {2500000, B2500000},
#endif
#ifdef B3000000
    {3000000, B3000000},
#endif
#ifdef B3500000
    {3500000, B3500000},
#endif
#ifdef B4000000
    {4000000, B4000000},
#endif
};

bool speedOf(uint32_t baudRate, speed_t& code) {
  for (const Speed& s : kSpeeds) {
    if (s.bitsPerSecond == baudRate) {
      code = s.code;
      return true;
    }
  }
  return false;
}

// ---- settings put back on SIGINT and SIGTERM ----------------------------------

// One slot per configured port, for the signal handler. The main thread
// writes `settings` before it publishes `fd`, and takes `fd` back before the
// descriptor is closed; the handler only reads.
struct SignalSlot {
  std::atomic<int> fd{-1};
  termios settings{};
};
static_assert(std::atomic<int>::is_always_lock_free, "the handler reads the slots");

constexpr int kSignalSlots = 8;  // more ports than that are only restored by close()
SignalSlot signalSlots[kSignalSlots];

constexpr int kRestoredSignals[] = {SIGINT, SIGTERM};
struct sigaction previousActions[2];  // what each of them did before, by index in kRestoredSignals

// Async-signal-safe throughout: tcsetattr, ioctl, sigaction and raise are
// plain system calls, the slots lock-free atomics.
void restoreOnSignal(int signal, siginfo_t* info, void* context) {
  const int savedErrno = errno;
  for (SignalSlot& slot : signalSlots) {
    const int fd = slot.fd.load(std::memory_order_acquire);
    if (fd < 0) continue;
    ::tcsetattr(fd, TCSANOW, &slot.settings);
    ::ioctl(fd, TIOCNXCL);
  }
  const struct sigaction& previous = previousActions[signal == SIGINT ? 0 : 1];
  // A handler that was there first (SDL's turns the signal into a quit
  // request) still gets the signal; the program then ends its own way.
  if (previous.sa_flags & SA_SIGINFO) {
    if (previous.sa_sigaction) previous.sa_sigaction(signal, info, context);
  } else if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
    previous.sa_handler(signal);
  } else {
    // Otherwise the signal's own default action, once this handler returns
    // and the signal is unblocked.
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    sigemptyset(&standard.sa_mask);
    ::sigaction(signal, &standard, nullptr);
    ::raise(signal);
  }
  errno = savedErrno;
}

// At every configured port: our handler goes in front of whatever handles
// the signal now (a handler installed after ours, as SDL's, is kept behind
// it). A signal the process ignores stays ignored.
void installSignalHandlers() {
  for (int i = 0; i < 2; ++i) {
    struct sigaction current {};
    if (::sigaction(kRestoredSignals[i], nullptr, &current) != 0) continue;
    if (current.sa_flags & SA_SIGINFO) {
      if (current.sa_sigaction == &restoreOnSignal) continue;
    } else if (current.sa_handler == SIG_IGN) {
      continue;
    }
    // Our handler is not in place for this signal, so it cannot be reading
    // this entry now.
    previousActions[i] = current;
    struct sigaction action {};
    action.sa_sigaction = &restoreOnSignal;
    action.sa_flags = SA_SIGINFO | SA_RESTART;
    sigfillset(&action.sa_mask);
    ::sigaction(kRestoredSignals[i], &action, nullptr);
  }
}

// The slot now holding `settings` for `fd`, or -1 when all are taken.
int publishSettings(int fd, const termios& settings) {
  installSignalHandlers();
  for (int i = 0; i < kSignalSlots; ++i) {
    if (signalSlots[i].fd.load(std::memory_order_relaxed) >= 0) continue;
    signalSlots[i].settings = settings;
    signalSlots[i].fd.store(fd, std::memory_order_release);
    return i;
  }
  return -1;
}

}  // namespace

bool SerialPort::isKnownBaudRate(uint32_t baudRate) {
  speed_t ignored;
  return speedOf(baudRate, ignored);
}

bool SerialPort::open(const char* path) {
  close();
  if (!path) return false;
  // O_NONBLOCK only for the open itself: without it a serial line waits for
  // the modem's carrier before open returns. configure() clears it.
  int fd;
  do {
    fd = ::open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return false;
  // No sharing while we hold it. Not every device is a terminal; configure()
  // reports that.
  ioctl(fd, TIOCEXCL);
  fd_ = fd;
  return true;
}

bool SerialPort::configure(uint32_t baudRate) {
  if (fd_ < 0) return false;
  speed_t speed;
  if (!speedOf(baudRate, speed)) return false;
  termios tio{};
  if (tcgetattr(fd_, &tio) != 0) return false;
  // What the device was set to before us, to be put back at the end.
  if (!saved_) {
    savedSettings_ = tio;
    saved_ = true;
    signalSlot_ = publishSettings(fd_, savedSettings_);
  }
  // Raw: no line editing, echo, signals, input translation or output
  // processing, 8 data bits, no parity.
  cfmakeraw(&tio);
  tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
  tio.c_cflag |= CS8 | CREAD | CLOCAL;
  tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
  // A read waits for at least one byte, with no time-out.
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
  if (cfsetispeed(&tio, speed) != 0 || cfsetospeed(&tio, speed) != 0) return false;
  if (tcsetattr(fd_, TCSANOW, &tio) != 0) return false;
  // Writes are synchronous from here on.
  const int flags = fcntl(fd_, F_GETFL);
  return flags >= 0 && fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

bool SerialPort::write(const void* data, std::size_t size) {
  if (fd_ < 0) return false;
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd_, p, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return false;
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

void SerialPort::restoreSettings() {
  if (saved_) {
    // After the bytes written so far have gone out, so that they leave at
    // the speed they were written for.
    while (tcsetattr(fd_, TCSADRAIN, &savedSettings_) != 0 && errno == EINTR) {
    }
    saved_ = false;
  }
  // Only now: a signal in between restores the same settings once more.
  if (signalSlot_ >= 0) signalSlots[signalSlot_].fd.store(-1, std::memory_order_release);
  signalSlot_ = -1;
}

void SerialPort::close() {
  if (fd_ < 0) return;
  restoreSettings();
  // Exclusive use is a property of the terminal, not of this descriptor:
  // give it up, or the next open (ours included) could be refused.
  ioctl(fd_, TIOCNXCL);
  ::close(fd_);
  fd_ = -1;
}

}  // namespace qor::platform
