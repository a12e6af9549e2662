#pragma once
// Sound test fixtures: a sine WAV writer, a reader for the 16-bit WAV files
// OpenAL Soft's wave-writer back end produces, and the set-up that sends a
// test process's audio to that back end, so no test needs (or touches) a
// sound card.

#include "support/TempDir.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>
#include <vector>

namespace kelvo::test {

inline void putLE(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// A 16-bit mono PCM WAV file of a sine wave.
inline std::string sineWav(double hz, double seconds, int amplitude = 20000, int rate = 22050) {
  const uint32_t frames = static_cast<uint32_t>(seconds * rate);
  std::string wav = "RIFF";
  putLE(wav, 36 + frames * 2, 4);
  wav += "WAVEfmt ";
  putLE(wav, 16, 4);
  putLE(wav, 1, 2);  // PCM
  putLE(wav, 1, 2);  // mono
  putLE(wav, rate, 4);
  putLE(wav, rate * 2, 4);
  putLE(wav, 2, 2);
  putLE(wav, 16, 2);
  wav += "data";
  putLE(wav, frames * 2, 4);
  for (uint32_t i = 0; i < frames; ++i) {
    double v = amplitude * std::sin(2.0 * std::numbers::pi * hz * i / rate);
    putLE(wav, static_cast<uint16_t>(static_cast<int16_t>(std::lround(v))), 2);
  }
  return wav;
}

// The samples of a 16-bit PCM WAV file (plain or extensible header),
// interleaved by channel. The data runs to the end of the file when the
// header's size is missing or too large (a writer that was not closed).
struct Wav16 {
  bool ok = false;
  int channels = 0;
  int rate = 0;
  std::vector<int16_t> samples;
};

inline Wav16 readWav16(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), {});
  auto u32 = [&](size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
    return v;
  };
  auto u16 = [&](size_t at) {
    return static_cast<uint16_t>(static_cast<unsigned char>(bytes[at]) | (static_cast<unsigned char>(bytes[at + 1]) << 8));
  };
  Wav16 wav;
  if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) return wav;
  size_t at = 12;
  bool haveFormat = false;
  while (at + 8 <= bytes.size()) {
    std::string id = bytes.substr(at, 4);
    size_t size = u32(at + 4);
    size_t body = at + 8;
    if (id == "fmt " && body + 16 <= bytes.size()) {
      wav.channels = u16(body + 2);
      wav.rate = static_cast<int>(u32(body + 4));
      haveFormat = u16(body + 14) == 16;
    } else if (id == "data" && haveFormat) {
      size_t count = std::min(size, bytes.size() - body) / 2;
      wav.samples.resize(count);
      std::memcpy(wav.samples.data(), bytes.data() + body, count * 2);
      wav.ok = true;
      return wav;
    }
    at = body + size + (size & 1);
  }
  return wav;
}

// Sends this process's OpenAL output to the wave-writer back end, writing
// 16-bit stereo at 44100 Hz to `outputFile`; an empty name leaves the back
// end unable to open, which is a machine without an audio device. OpenAL
// Soft reads this once, at its first use in the process, so call it before
// any OpenAL call and with the same name every time.
inline void useWaveBackend(const std::string& outputFile) {
  static TempDir configDir;
  static bool done = false;
  if (done) return;
  done = true;
  std::string config = configDir.write("alsoft.conf",
                                       "[general]\n"
                                       "sample-type = int16\n"
                                       "channels = stereo\n"
                                       "frequency = 44100\n"
                                       "hrtf = false\n"
                                       "dither = false\n"
                                       "[wave]\n"
                                       "bformat = false\n"
                                       "file = " + outputFile + "\n");
  ::setenv("ALSOFT_CONF", config.c_str(), 1);
  ::setenv("ALSOFT_DRIVERS", "wave", 1);
}

}  // namespace kelvo::test
