#include "app/TrackingDevice.h"

#include "platform/Clock.h"
#include "script/Builtins.h"
#include "script/Interpreter.h"
#include "script/datatypes/DataValues.h"
#include "script/datatypes/DataVector.h"
#include "util/LineScanner.h"
#include "util/MappedFile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace qor {

RasterDevice rasterDevice;

// ---- settings ------------------------------------------------------------------

RasterSettings parseRasterSettings(std::string_view text) {
  RasterSettings settings;
  LineScanner scan{text.data(), text.data() + text.size()};
  // "%s": the run of bytes up to white space. A NUL byte belongs to the word
  // but ends the name, as it ends the C string "%s" fills.
  scan.skipSpace();
  const char* word = scan.p;
  while (scan.p < scan.end && !isScanSpace(*scan.p)) ++scan.p;
  settings.portName.assign(word, std::find(word, scan.p, '\0'));
  int32_t baud = 0;
  if (scan.readInt(baud)) settings.baudRate = static_cast<uint32_t>(baud);
  return settings;
}

std::optional<RasterSettings> readRasterSettings(const std::string& path) {
  const MappedFile file(path);
  if (!file.opened()) return std::nullopt;
  return parseRasterSettings(file.bytes());
}

// ---- the device ------------------------------------------------------------------

void copyPortName(char (&out)[RasterDevice::kPortNameSize], std::string_view name) {
  const std::size_t n = std::min(name.size(), RasterDevice::kPortNameSize - 1);
  std::memmove(out, name.data(), n);  // `name` may be `out` itself
  out[n] = '\0';
}

RasterDevice::~RasterDevice() {
  finish();
  Close();
}

bool RasterDevice::Open(const char* name, uint32_t rate) {
  Close();
  return openPort(name, rate);
}

bool RasterDevice::openPort(const char* name, uint32_t rate) {
  port_.close();
  if (!name) return false;
  copyPortName(portName, name);
  baudRate = rate;
  // Checked before the device is touched: opening a serial line can already
  // change its modem lines, and a port we cannot set up is better left alone.
  if (!platform::SerialPort::isKnownBaudRate(baudRate)) {
    std::fprintf(stderr, "tracking device: baud rate %u is not supported; \"%s\" is not opened\n", baudRate, portName);
    return false;
  }
  if (!port_.open(portName)) return false;
  return port_.configure(baudRate);
}

bool RasterDevice::Connect(const char* name, uint32_t rate) {
  if (!waiting_) return start(name, rate);
  // Behind the sequence under way, as if that call had blocked through its
  // wait: this one opens its port when the earlier one is done.
  if (!name) return false;
  Request& request = queue_.emplace_back();
  copyPortName(request.portName, name);
  request.baudRate = rate;
  return true;
}

bool RasterDevice::start(const char* name, uint32_t rate) {
  if (!openPort(name, rate)) return false;
  send("\x19");
  waiting_ = true;
  waitStart_ = platform::clockMs();
  return true;
}

void RasterDevice::Close() {
  waiting_ = false;
  queue_.clear();
  port_.close();
}

void RasterDevice::update() {
  if (!waiting_ || platform::clockDiff(platform::clockMs(), waitStart_) < kStartUpWaitMs) return;
  waiting_ = false;
  send("R1\r");
  send("m");
  send("f");
  send("c");
  send("u");
  send("O2,4\r");
  // The next queued call; one whose port cannot be opened sends nothing and
  // makes way for the one after it.
  while (!waiting_ && !queue_.empty()) {
    const Request next = queue_.front();
    queue_.pop_front();
    start(next.portName, next.baudRate);
  }
}

void RasterDevice::finish() {
  while (waiting_) {
    sleep(kStartUpWaitMs - platform::clockDiff(platform::clockMs(), waitStart_));
    update();
  }
}

void RasterDevice::send(std::string_view bytes) {
  // How much was written is not checked: the device gives no answer that
  // could be acted on.
  if (port_.isOpen()) port_.write(bytes.data(), bytes.size());
}

// ---- built-ins --------------------------------------------------------------------

namespace {

DataPtr& buttonFunction() {
  static DataPtr function;
  return function;
}

DataPtr builtinInitializeRaster(BuiltinArgs args) {
  if (!args.empty()) return nullptr;
  const std::optional<RasterSettings> settings = readRasterSettings(kRasterSettingsFile);
  if (!settings) return nullptr;
  // The script is not told whether the device answered the call.
  rasterDevice.Connect(settings->portName.c_str(), settings->baudRate);
  return nullptr;
}

DataPtr builtinIsRasterButtonPressed(BuiltinArgs args) {
  if (!args.empty()) return nullptr;
  return makeBool(rasterDevice.stations[0].button);
}

// The argument arrives unevaluated. As with "setKeyFunc", a call expression
// is kept to be called later; anything else removes the registration.
DataPtr builtinSetRasterButtonFunc(BuiltinArgs args) {
  if (args.size() != 1) return nullptr;
  const DataPtr& call = args[0];
  buttonFunction() = call && call->tag() == kTagCallFunction ? call : nullptr;
  return nullptr;
}

DataPtr threeFloats(const float (&v)[3]) { return makeList({makeFloat(v[0]), makeFloat(v[1]), makeFloat(v[2])}); }

DataPtr builtinGetRasterPosition(BuiltinArgs args) {
  if (!args.empty()) return nullptr;
  return threeFloats(rasterDevice.stations[0].position);
}

DataPtr builtinGetRasterOrientation(BuiltinArgs args) {
  if (!args.empty()) return nullptr;
  return threeFloats(rasterDevice.stations[0].orientation);
}

void registerRasterBuiltins() {
  using script::registerBuiltin;
  registerBuiltin("InitializeRaster", &builtinInitializeRaster);
  registerBuiltin("IsRasterButtonPressed", &builtinIsRasterButtonPressed);
  // Its argument is the call to keep, unevaluated.
  registerBuiltin("SetRasterButtonFunc", &builtinSetRasterButtonFunc, script::ArgumentForm::Expressions);
  registerBuiltin("GetRasterPosition", &builtinGetRasterPosition);
  registerBuiltin("GetRasterOrientation", &builtinGetRasterOrientation);
}

}  // namespace

void installTrackingDevice() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  script::addBuiltinRegistrar(&registerRasterBuiltins);
}

const DataPtr& rasterButtonFunction() { return buttonFunction(); }

void clearRasterButtonFunction() { buttonFunction() = nullptr; }

}  // namespace qor
