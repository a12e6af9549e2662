#pragma once
// A serial port on POSIX termios, standing in for the Win32 port calls: open
// the device for exclusive use, set it to raw 8N1 at a baud rate with no flow
// control, write synchronously, close. Works with a real serial device and
// with a pseudo-terminal alike.
//
// The device's settings belong to whoever set them before us (the name may
// even be the user's own terminal): the settings found by configure() are put
// back when the port is closed, which the destructor does at a normal exit,
// and by a SIGINT or SIGTERM handler that then lets the signal take its
// course. A terminal is never left raw behind the program.

#include <cstddef>
#include <cstdint>
#include <termios.h>

namespace qor::platform {

class SerialPort {
public:
  SerialPort() = default;
  ~SerialPort() { close(); }
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // True when termios has a speed for exactly this many bits per second.
  // 0 is not a speed here: termios's B0 means "hang up the line".
  static bool isKnownBaudRate(uint32_t baudRate);

  // Opens the device read-write, not as the controlling terminal, and asks
  // for exclusive use (no other process may open it while it is open).
  // Opening never waits for a modem carrier. False when it does not open.
  bool open(const char* path);

  // Raw mode, 8 data bits, no parity, one stop bit, receiver on, modem
  // control lines ignored, no hardware or software flow control, reads with
  // no time-out, input and output at `baudRate`; afterwards writes block
  // until the driver has taken the bytes. False when the device is no
  // terminal or refuses the settings (the port stays open then). The
  // settings found the first time are kept, to be put back by close() or
  // by the signal handler this installs (once per process) for SIGINT and
  // SIGTERM, unless the signal is ignored.
  bool configure(uint32_t baudRate);

  // Writes every byte (retrying after signals and short writes); false when
  // the port is closed or the device reports an error.
  bool write(const void* data, std::size_t size);

  // Puts back the settings configure() found (after the bytes written have
  // gone out), gives up exclusive use and closes the device; nothing when
  // closed.
  void close();

  bool isOpen() const { return fd_ >= 0; }
  // The file descriptor, -1 when closed.
  int handle() const { return fd_; }

private:
  void restoreSettings();

  int fd_ = -1;
  bool saved_ = false;  // savedSettings_ holds what configure() found
  termios savedSettings_{};
  int signalSlot_ = -1;  // where the signal handler finds them, -1 for nowhere
};

}  // namespace qor::platform
