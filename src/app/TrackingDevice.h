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
// locking and closing it never has to wait for anything.

#include "platform/SerialPort.h"
#include "script/datatypes/IData.h"

#include <cstddef>
#include <cstdint>
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
  ~RasterDevice() { Close(); }
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
  // False, with nothing sent, when Open fails. A Connect during the wait
  // drops the rest of the earlier sequence.
  bool Connect(const char* name, uint32_t baudRate);

  // Closes the port if open and drops a pending part of the sequence.
  void Close();

  // Once per main-loop pass: sends the rest of the start-up sequence when its
  // wait is over. Cheap when nothing is pending.
  void update();

  bool isOpen() const { return port_.isOpen(); }
  // True between Connect and the end of its wait.
  bool waiting() const { return waiting_; }

  char portName[kPortNameSize] = {};
  uint32_t baudRate = 0;
  // The device's output is not read, so these keep their initial values.
  RasterStation stations[2];

private:
  void send(std::string_view bytes);

  platform::SerialPort port_;
  bool waiting_ = false;
  int32_t waitStart_ = 0;  // clock reading when the first byte went out
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
