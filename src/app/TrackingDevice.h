#pragma once
// The position-and-orientation tracking device (the "raster") on a serial
// port, and the five script built-ins that reach it: "InitializeRaster",
// "IsRasterButtonPressed", "SetRasterButtonFunc", "GetRasterPosition" and
// "GetRasterOrientation".
//
// The device belongs to the shell; its built-ins reach the script through
// the built-in registrar (installTrackingDevice), so the script layer knows
// nothing of it.
//
// Connecting sends one byte, waits 5 s for the device to come up, then sends
// its set-up commands. The wait does not stop the program: Connect sends the
// first byte and returns, and update(), called once per main-loop pass, sends
// the rest when the wait is over. The window keeps drawing and answering in
// the meantime, and everything stays on the one thread, so the port needs no
// locking. A Connect during a wait is queued behind it, so the device gets
// every call's whole sequence in the order of the calls, as if each call had
// blocked through its wait. Whatever is still pending when the program ends
// is sent before it ends (finish(): the shut-down, the tools' end of run, the
// destructor at exit), so a script that calls "exit" or simply ends right
// after "InitializeRaster" still configures the device.

#include "platform/Clock.h"
#include "platform/SerialPort.h"
#include "script/datatypes/IData.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

namespace qor {

inline constexpr const char* kRasterSettingsFile = "raster_settings.txt";

// What "raster_settings.txt" holds, read as "%s %d": one word, the port
// name, then a whole number, the baud rate (0 when it cannot be read; a
// negative number wraps as the unsigned rate it is stored in).
struct RasterSettings {
  std::string portName;
  uint32_t baudRate = 0;
};

// Nothing when the file is missing or not a regular file (a FIFO or a
// directory is never read, so the read never blocks).
std::optional<RasterSettings> readRasterSettings(const std::string& path);
// The same over text already in memory.
RasterSettings parseRasterSettings(std::string_view text);

struct RasterStation {
  float position[3] = {0.0f, 0.0f, 0.0f};
  float orientation[3] = {0.0f, 0.0f, 0.0f};
  bool button = false;
};

class RasterDevice {
public:
  static constexpr std::size_t kPortNameSize = 32;  // 31 characters and the terminator
  static constexpr int32_t kStartUpWaitMs = 5000;

  RasterDevice() = default;
  // Sends what is pending (finish), then closes the port.
  ~RasterDevice();
  RasterDevice(const RasterDevice&) = delete;
  RasterDevice& operator=(const RasterDevice&) = delete;

  // Closes the port if open, keeps the first 31 characters of `name` and the
  // baud rate, opens the port and configures it. A baud rate termios does
  // not know leaves the port closed, with one line on standard error. A
  // device that opens but refuses the settings stays open, unused. False
  // unless the port is open and configured.
  bool Open(const char* name, uint32_t baudRate);

  // Open, then the device's start-up sequence: the byte 0x19 now, and after
  // kStartUpWaitMs (sent by update()) "R1\r", "m", "f", "c", "u", "O2,4\r".
  // False, with nothing sent, when Open fails. During the wait of an earlier
  // sequence the call is queued instead (true): its Open and its sequence
  // follow when that one is done, and a port that cannot be opened then
  // sends nothing.
  bool Connect(const char* name, uint32_t baudRate);

  // Closes the port if open and drops every pending sequence.
  void Close();

  // Once per main-loop pass: when the wait is over, sends the rest of the
  // sequence and starts the next queued one. Cheap when nothing is pending;
  // allocates nothing.
  void update();

  // Blocks until every pending sequence has been sent, waits included; the
  // port stays open. Nothing when nothing is pending.
  void finish();

  bool isOpen() const { return port_.isOpen(); }
  // True from a Connect until the end of the last queued sequence's wait.
  bool waiting() const { return waiting_; }
  // Calls queued behind the sequence under way.
  std::size_t queued() const { return queue_.size(); }

  // How finish() waits out a wait (nothing for 0 or less); a test that steps
  // the clock steps it here too.
  void (*sleep)(int32_t ms) = &platform::sleepMs;

  char portName[kPortNameSize] = {};
  uint32_t baudRate = 0;
  // The device's output is not read, so these keep their initial values.
  RasterStation stations[2];

private:
  struct Request {
    char portName[kPortNameSize];
    uint32_t baudRate;
  };

  // Open without touching the queue.
  bool openPort(const char* name, uint32_t baudRate);
  // openPort, the first byte, and the wait begins.
  bool start(const char* name, uint32_t baudRate);
  void send(std::string_view bytes);

  platform::SerialPort port_;
  bool waiting_ = false;   // a sequence is between its first byte and the rest
  int32_t waitStart_ = 0;  // clock reading when its first byte went out
  std::deque<Request> queue_;  // Connect calls made during a wait, oldest first
};

// Copies at most 31 characters of `name` into `out` and terminates it.
void copyPortName(char (&out)[RasterDevice::kPortNameSize], std::string_view name);

// The one device of the program, closed at shut-down and again at exit.
extern RasterDevice rasterDevice;

// Adds the five tracking-device built-ins to every registration of the
// script's built-ins from now on (the viewer at start-up, the tools before
// they run a script); calling it again adds nothing.
void installTrackingDevice();

// The call expression registered with "SetRasterButtonFunc" (null for none).
// Stored only: nothing reads the device's button.
const DataPtr& rasterButtonFunction();
// Releases it (scene reset, shut-down).
void clearRasterButtonFunction();

}  // namespace qor
