#pragma once
// The screen settings: window size, full screen or not, and the flag that
// keeps the main loop running. One global record, filled from
// "Data/ScreenSettings.txt" before main runs.

#include <cstdint>
#include <string>

namespace qor {

struct ScreenSettings {
  int32_t width = 640;
  int32_t height = 480;
  bool fullscreen = true;
  // The main loop runs while this is true; the script's "exit" clears it.
  bool running = true;
};

extern ScreenSettings screenSettings;

inline constexpr const char* kScreenSettingsFile = "Data/ScreenSettings.txt";

// Reads a settings file of the form "WIDTH HEIGHT FLAG" ("%d %d %c"): full
// screen when FLAG is "t", windowed for any other character. The defaults
// are 640 × 480, full screen; a missing file keeps them all, and a missing
// field, or a size that is no number, not positive or beyond 32 bits, keeps
// its own.
ScreenSettings readScreenSettings(const std::string& path);

}  // namespace qor
