// The screen settings reader over an arbitrary file: whatever it reads, the
// size it hands the window must be positive.

#include "FuzzInput.h"
#include "app/ScreenSettings.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string& path = kelvo::fuzz::writeInput(data, size, ".txt");
  const qor::ScreenSettings settings = qor::readScreenSettings(path);
  if (settings.width <= 0 || settings.height <= 0) std::abort();
  return 0;
}
