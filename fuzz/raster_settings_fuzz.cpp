// The tracking device's settings reader over an arbitrary file: the name it
// gives is one word (no white space, no NUL byte), reading the file gives what
// reading the same bytes in memory gives, and the name kept for the port is
// its first 31 characters, terminated.

#include "FuzzInput.h"
#include "app/TrackingDevice.h"
#include "util/LineScanner.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string& path = kelvo::fuzz::writeInput(data, size, ".txt");
  const std::optional<qor::RasterSettings> settings = qor::readRasterSettings(path);
  if (!settings) std::abort();
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const qor::RasterSettings inMemory = qor::parseRasterSettings(bytes);
  if (inMemory.portName != settings->portName || inMemory.baudRate != settings->baudRate) std::abort();
  for (char c : settings->portName)
    if (c == '\0' || qor::isScanSpace(c)) std::abort();

  char name[qor::RasterDevice::kPortNameSize];
  std::memset(name, 'x', sizeof name);
  qor::copyPortName(name, settings->portName);
  const std::size_t kept = std::strlen(name);
  if (kept > qor::RasterDevice::kPortNameSize - 1 || settings->portName.compare(0, kept, name) != 0) std::abort();
  if (kept < qor::RasterDevice::kPortNameSize - 1 && kept != settings->portName.size()) std::abort();
  return 0;
}
