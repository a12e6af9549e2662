#include "platform/SerialPort.h"

#include <cerrno>
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

void SerialPort::close() {
  if (fd_ < 0) return;
  // Exclusive use is a property of the terminal, not of this descriptor:
  // give it up, or the next open (ours included) could be refused.
  ioctl(fd_, TIOCNXCL);
  ::close(fd_);
  fd_ = -1;
}

}  // namespace qor::platform
