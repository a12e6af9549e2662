#pragma once
// A sine WAV file, and the set-up that sends a test process's OpenAL output
// to OpenAL Soft's wave-writer back end, so no test needs a sound card.

#include "support/TempDir.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numbers>
#include <string>
#include <vector>

namespace kelvo::test {

// A 16-bit mono PCM WAV file of a 440 Hz sine at 22050 Hz.
inline std::string sineWav(double seconds) {
  const uint32_t frames = static_cast<uint32_t>(seconds * 22050);
  std::string wav = "RIFF";
  auto put = [&](uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) wav.push_back(static_cast<char>(value >> (8 * i)));
  };
  put(36 + frames * 2, 4);
  wav += "WAVEfmt ";
  // Chunk size 16; PCM, 1 channel; 22050 Hz; 44100 bytes/s; 2 bytes a frame, 16 bits.
  for (uint32_t word : {16u, 1u | 1u << 16, 22050u, 44100u, 2u | 16u << 16}) put(word, 4);
  wav += "data";
  put(frames * 2, 4);
  for (uint32_t i = 0; i < frames; ++i)
    put(static_cast<uint16_t>(std::lround(20000 * std::sin(2 * std::numbers::pi * 440 * i / 22050))), 2);
  return wav;
}

// The 16-bit samples after the "data" chunk's header of a WAV file's bytes
// (the wave writer puts that chunk last).
inline std::vector<int16_t> wavSamples(const std::string& bytes) {
  std::vector<int16_t> out;
  const std::size_t data = bytes.find("data", 12);
  for (std::size_t i = data + 8; data != std::string::npos && i + 1 < bytes.size(); i += 2)
    out.push_back(static_cast<int16_t>(static_cast<uint8_t>(bytes[i]) | static_cast<uint8_t>(bytes[i + 1]) << 8));
  return out;
}

// 16-bit stereo at 44100 Hz into `outputFile`; with an empty name the back
// end cannot open, as on a machine without an audio device. OpenAL Soft
// reads this at its first use in the process: call it before any OpenAL call.
inline void useWaveBackend(const std::string& outputFile) {
  static TempDir configDir;
  const std::string config = configDir.write("alsoft.conf",
                                             "[general]\nsample-type = int16\nchannels = stereo\nfrequency = 44100\n"
                                             "hrtf = false\ndither = false\n[wave]\nbformat = false\nfile = " +
                                                 outputFile + "\n");
  ::setenv("ALSOFT_CONF", config.c_str(), 1);
  ::setenv("ALSOFT_DRIVERS", "wave", 1);
}

}  // namespace kelvo::test
