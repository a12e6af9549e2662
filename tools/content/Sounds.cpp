// The show's sounds, synthesised: the music loop "ghost6.wav" (a drone, a
// music-box arpeggio and a wavering "ghost" voice, every part repeating
// exactly over the loop so that it plays on without a seam) and the four
// voice lines, spoken by a small formant synthesiser: a band-limited
// sawtooth (the voice) and noise (hiss, bursts) through resonators tuned to
// each sound's formants, moving smoothly from one sound to the next.
//
// All sounds are 16-bit mono PCM at 22050 Hz.

#include "content/Canvas.h"
#include "content/Content.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace kelvo::content {

namespace {

constexpr int kRate = 22050;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

std::vector<uint8_t> wav(const std::vector<float>& samples, float peak) {
  float loudest = 1e-6f;
  for (float s : samples) loudest = std::max(loudest, std::fabs(s));
  const float gain = peak / loudest;
  std::vector<uint8_t> out;
  out.reserve(44 + samples.size() * 2);
  auto put = [&](uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  auto tag = [&](const char* t) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(t[i]));
  };
  const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
  tag("RIFF");
  put(36 + dataBytes, 4);
  tag("WAVE");
  tag("fmt ");
  put(16, 4);
  put(1, 2);  // PCM
  put(1, 2);  // mono
  put(kRate, 4);
  put(kRate * 2, 4);
  put(2, 2);
  put(16, 2);
  tag("data");
  put(dataBytes, 4);
  for (float s : samples) put(static_cast<uint16_t>(static_cast<int16_t>(std::lround(s * gain * 32767.0f))), 2);
  return out;
}

// A voice made denser for mastering: its peaks rounded off (tanh of the
// sample driven `drive` times past full scale), so that it can stand well
// above the music in loudness without its peaks clipping the mix.
std::vector<float> dense(std::vector<float> samples, float drive) {
  float loudest = 1e-6f;
  for (float s : samples) loudest = std::max(loudest, std::fabs(s));
  for (float& s : samples) s = std::tanh(drive * s / loudest);
  return samples;
}

// ---- music -----------------------------------------------------------------

constexpr double kLoopSeconds = 8.0;
constexpr int kLoopSamples = static_cast<int>(kLoopSeconds * kRate);

// A frequency moved to the nearest one that completes whole cycles over the loop.
double looping(double hz) { return std::round(hz * kLoopSeconds) / kLoopSeconds; }

double note(int semitonesFromA4) { return 440.0 * std::pow(2.0, semitonesFromA4 / 12.0); }

std::vector<float> music() {
  std::vector<double> mix(kLoopSamples, 0.0);
  // The drone: A and E, swelling twice per loop.
  for (auto [hz, level] : {std::pair{looping(110.0), 0.22}, {looping(164.81), 0.14}, {looping(220.0), 0.06}})
    for (int i = 0; i < kLoopSamples; ++i) {
      const double t = static_cast<double>(i) / kRate;
      const double swell = 0.75 + 0.25 * std::sin(kTwoPi * t * 2.0 / kLoopSeconds);
      mix[static_cast<std::size_t>(i)] += level * swell * (std::sin(kTwoPi * hz * t) + 0.3 * std::sin(kTwoPi * 2 * hz * t));
    }
  // The music box: sixteen notes, each ringing on past the loop's end into
  // its beginning, as it does when the loop repeats.
  const int melody[16] = {0, 3, 7, 12, 10, 7, 3, 2, -4, 0, 3, 8, 7, 3, 0, -1};
  for (int n = 0; n < 16; ++n) {
    const double hz = note(melody[n]);
    const int start = n * kLoopSamples / 16;
    for (int i = 0; i < kLoopSamples; ++i) {
      const double t = static_cast<double>(i) / kRate;
      const double env = std::exp(-t / 0.55) * std::min(1.0, t / 0.004);
      const double s = std::sin(kTwoPi * hz * t) + 0.25 * std::sin(kTwoPi * 2 * hz * t) + 0.12 * std::sin(kTwoPi * 4.2 * hz * t);
      mix[static_cast<std::size_t>((start + i) % kLoopSamples)] += 0.16 * env * s;
    }
  }
  // The ghost: a sine that glides between three notes and trembles. Its
  // phase steps are scaled a hair so that it ends the loop on a whole
  // number of cycles, where it began.
  const double path[4] = {note(12), note(15), note(10), note(12)};
  std::vector<double> step(kLoopSamples);
  double total = 0;
  for (int i = 0; i < kLoopSamples; ++i) {
    const double x = 3.0 * i / kLoopSamples;
    const int k = static_cast<int>(x);
    const double f = x - k, smooth = f * f * (3 - 2 * f);
    const double vibrato = 1.0 + 0.012 * std::sin(kTwoPi * 5.0 * i / kRate);
    step[static_cast<std::size_t>(i)] = kTwoPi * (path[k] + (path[k + 1] - path[k]) * smooth) * vibrato / kRate;
    total += step[static_cast<std::size_t>(i)];
  }
  const double fit = std::round(total / kTwoPi) * kTwoPi / total;
  double phase = 0;
  for (int i = 0; i < kLoopSamples; ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double level = 0.09 * (0.6 + 0.4 * std::sin(kTwoPi * t * 3.0 / kLoopSeconds));
    mix[static_cast<std::size_t>(i)] += level * std::sin(phase);
    phase += step[static_cast<std::size_t>(i)] * fit;
  }
  std::vector<float> out(mix.size());
  for (std::size_t i = 0; i < mix.size(); ++i) out[i] = static_cast<float>(std::tanh(mix[i]));
  return out;
}

// ---- speech -------------------------------------------------------------------

// One speech sound: three formants with their bandwidths, the voice level,
// the hiss level with its centre and bandwidth, and a burst of noise at its
// start (the release of p, t, k).
struct Phone {
  char symbol;
  float f1, f2, f3, b1, b2, b3;
  float voice, hiss, hissHz, hissBw, burst;
};

// Spanish vowels and the consonants the four lines need, for a woman's
// voice. B and D are the soft Spanish b and d, N is ñ, R the tapped r.
constexpr Phone kPhones[] = {
    {'a', 820, 1320, 2700, 90, 110, 160, 1.0f, 0, 0, 0, 0},
    {'e', 480, 2000, 2750, 70, 100, 160, 1.0f, 0, 0, 0, 0},
    {'i', 320, 2450, 3050, 60, 100, 160, 0.9f, 0, 0, 0, 0},
    {'o', 500, 920, 2700, 70, 100, 160, 1.0f, 0, 0, 0, 0},
    {'u', 340, 760, 2600, 60, 100, 160, 0.9f, 0, 0, 0, 0},
    {'n', 260, 1500, 2600, 90, 300, 300, 0.45f, 0, 0, 0, 0},
    {'m', 260, 1100, 2500, 90, 300, 300, 0.45f, 0, 0, 0, 0},
    {'N', 270, 2100, 2900, 90, 250, 300, 0.5f, 0, 0, 0, 0},
    {'l', 360, 1300, 2700, 80, 200, 250, 0.6f, 0, 0, 0, 0},
    {'R', 420, 1400, 2500, 120, 200, 250, 0.35f, 0, 0, 0, 0},
    {'B', 300, 900, 2400, 90, 200, 250, 0.35f, 0, 0, 0, 0},
    {'D', 330, 1600, 2600, 90, 200, 250, 0.35f, 0, 0, 0, 0},
    {'s', 400, 1600, 2700, 200, 200, 250, 0.0f, 0.55f, 6200, 2000, 0},
    {'t', 400, 1700, 2700, 200, 200, 250, 0.0f, 0.0f, 4200, 2500, 0.9f},
    {'p', 400, 900, 2500, 200, 200, 250, 0.0f, 0.0f, 1100, 1500, 0.6f},
    {'k', 400, 1800, 2600, 200, 200, 250, 0.0f, 0.0f, 2200, 1200, 0.8f},
    {'_', 400, 1500, 2600, 200, 200, 250, 0.0f, 0, 0, 0, 0},
};

const Phone& phone(char symbol) {
  for (const Phone& p : kPhones)
    if (p.symbol == symbol) return p;
  return kPhones[sizeof kPhones / sizeof kPhones[0] - 1];
}

// A two-pole resonator (unity gain at 0 Hz) whose tuning may change at
// every sample.
class Resonator {
public:
  float run(float x, float hz, float bandwidth) {
    const float t = 1.0f / kRate;
    const float c = -std::exp(-2.0f * std::numbers::pi_v<float> * bandwidth * t);
    const float b = 2.0f * std::exp(-std::numbers::pi_v<float> * bandwidth * t) *
                    std::cos(2.0f * std::numbers::pi_v<float> * hz * t);
    const float a = 1.0f - b - c;
    const float y = a * x + b * y1_ + c * y2_;
    y2_ = y1_;
    y1_ = y;
    return y;
  }

private:
  float y1_ = 0, y2_ = 0;
};

struct Segment {
  char symbol;
  float ms;
};

// A line: its sounds with their lengths, and the pitch contour as (time
// from 0 to 1, Hz) points.
struct Line {
  std::vector<Segment> segments;
  std::vector<std::pair<float, float>> pitch;
  float tremble;  // depth of the voice's wavering
};

float pitchAt(const Line& line, float t) {
  const auto& p = line.pitch;
  for (std::size_t i = 1; i < p.size(); ++i)
    if (t <= p[i].first) {
      const float f = (t - p[i - 1].first) / (p[i].first - p[i - 1].first);
      return p[i - 1].second + (p[i].second - p[i - 1].second) * f;
    }
  return p.back().second;
}

std::vector<float> speak(const Line& line, uint32_t seed) {
  float total = 0;
  for (const Segment& s : line.segments) total += s.ms;
  const int length = static_cast<int>(total / 1000.0f * kRate) + kRate / 3;  // room for the echo
  std::vector<float> out(static_cast<std::size_t>(length), 0.0f);
  Random random(seed);
  Resonator r1, r2, r3, r4, hissFilter;
  double phase = 0;
  float voice = 0, hiss = 0, lastNoise = 0;
  int at = 0;
  Phone previous = phone('_');
  for (const Segment& seg : line.segments) {
    const Phone& target = phone(seg.symbol);
    const int samples = static_cast<int>(seg.ms / 1000.0f * kRate);
    // Formants glide from the last sound over the first 40 ms.
    const int glide = std::min(samples / 2, kRate / 25);
    for (int i = 0; i < samples; ++i, ++at) {
      const float g = glide > 0 ? std::min(1.0f, static_cast<float>(i) / static_cast<float>(glide)) : 1.0f;
      auto lerp = [g](float a, float b) { return a + (b - a) * g; };
      const float t = static_cast<float>(at) / (total / 1000.0f * kRate);
      const float f0 = pitchAt(line, t) * (1.0f + line.tremble * std::sin(static_cast<float>(kTwoPi) * 6.0f * at / kRate));
      phase += kTwoPi * f0 / kRate;
      if (phase > kTwoPi) phase -= kTwoPi;
      // Band-limited sawtooth: harmonics up to 4.5 kHz, each at 1/k.
      float source = 0;
      const int harmonics = static_cast<int>(4500.0f / f0);
      for (int k = 1; k <= harmonics; ++k) source += static_cast<float>(std::sin(k * phase)) / static_cast<float>(k);
      // Levels follow their targets over about 8 ms.
      voice += (target.voice - voice) * 0.006f;
      hiss += (target.hiss - hiss) * 0.006f;
      const float noise = random.unit() * 2.0f - 1.0f;
      float x = voice * source * 0.5f + 0.02f * voice * noise;
      x = r1.run(x, lerp(previous.f1, target.f1), lerp(previous.b1, target.b1));
      x = r2.run(x, lerp(previous.f2, target.f2), lerp(previous.b2, target.b2));
      x = r3.run(x, lerp(previous.f3, target.f3), lerp(previous.b3, target.b3));
      x = r4.run(x, 3600.0f, 300.0f);
      // Hiss and release bursts beside the voice.
      float burst = 0;
      if (target.burst > 0) {
        const int closure = samples * 2 / 3;  // silence, then the release
        if (i >= closure) burst = target.burst * std::exp(-static_cast<float>(i - closure) / (kRate * 0.008f));
      }
      const float hz = target.hissHz > 0 ? target.hissHz : 3000.0f;
      const float bw = target.hissBw > 0 ? target.hissBw : 1000.0f;
      // The noise is differenced first, which tilts it towards the highs.
      const float fricative = hissFilter.run((noise - lastNoise) * (hiss + burst), hz, bw) * 3.0f;
      lastNoise = noise;
      out[static_cast<std::size_t>(at)] = x + fricative;
    }
    previous = target;
  }
  // A little echo down a hospital corridor.
  const int delays[3] = {kRate * 31 / 1000, kRate * 53 / 1000, kRate * 79 / 1000};
  std::vector<float> wet(out.size(), 0.0f);
  for (std::size_t i = 0; i < out.size(); ++i)
    for (int d : delays)
      if (i >= static_cast<std::size_t>(d)) wet[i] += 0.25f * (out[i - static_cast<std::size_t>(d)] + 0.6f * wet[i - static_cast<std::size_t>(d)]);
  for (std::size_t i = 0; i < out.size(); ++i) out[i] += 0.5f * wet[i];
  // Fade the tail out.
  for (int i = 0; i < kRate / 10; ++i) out[out.size() - 1 - static_cast<std::size_t>(i)] *= static_cast<float>(i) / (kRate / 10.0f);
  return out;
}

// "¡Atrápenla!" — a nurse shouts: catch her!
const Line kCatchHer{{{'_', 40}, {'a', 110}, {'t', 70}, {'R', 30}, {'a', 190}, {'p', 80}, {'e', 100}, {'n', 60},
                      {'l', 60}, {'a', 230}, {'_', 60}},
                     {{0.0f, 260}, {0.35f, 340}, {0.6f, 280}, {1.0f, 220}},
                     0.01f};
// "¡Niño mío!" — Rosa cries out as she is caught.
const Line kMyChild{{{'_', 40}, {'n', 70}, {'i', 190}, {'N', 80}, {'o', 130}, {'_', 60}, {'m', 80}, {'i', 230},
                     {'o', 260}, {'_', 60}},
                    {{0.0f, 250}, {0.3f, 300}, {0.5f, 250}, {0.75f, 320}, {1.0f, 200}},
                    0.035f};
// "Ven, bebé" — Rosa calls the child.
const Line kComeBaby{{{'_', 40}, {'B', 60}, {'e', 150}, {'n', 90}, {'_', 120}, {'B', 60}, {'e', 110}, {'B', 60},
                      {'e', 280}, {'_', 60}},
                     {{0.0f, 210}, {0.3f, 230}, {0.5f, 200}, {0.75f, 250}, {1.0f, 230}},
                     0.03f};
// "Vamos a casa" — Rosa, at the door: let's go home.
const Line kGoHome{{{'_', 40}, {'B', 60}, {'a', 150}, {'m', 70}, {'o', 100}, {'s', 90}, {'a', 90}, {'k', 80},
                    {'a', 170}, {'s', 100}, {'a', 240}, {'_', 60}},
                   {{0.0f, 220}, {0.25f, 250}, {0.6f, 240}, {1.0f, 175}},
                   0.03f};

}  // namespace

void writeSounds(Output& out) {
  // Mastered for the output: every source plays 30 units from the listener
  // at full level, so the music is heard at about -20 dBFS RMS and the
  // voices 6 to 10 dB above it, and music and voice peaks together stay
  // below full scale.
  out.bytes("Data/sounds/Musica/ghost6.wav", wav(music(), 0.51f));
  out.bytes("Data/sounds/Efectos/Atrapenla.wav", wav(dense(speak(kCatchHer, 101), 3.0f), 0.95f));
  out.bytes("Data/sounds/Efectos/ninomio.wav", wav(dense(speak(kMyChild, 102), 3.0f), 0.95f));
  out.bytes("Data/sounds/Efectos/VenBebe.wav", wav(dense(speak(kComeBaby, 103), 3.0f), 0.95f));
  out.bytes("Data/sounds/Efectos/vamosacasa.wav", wav(dense(speak(kGoHome, 104), 3.0f), 0.95f));
}

}  // namespace kelvo::content
