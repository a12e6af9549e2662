#pragma once
// Virtual time for batch runs: with --fps N the program clock reads
// round(frames * 1000 / N) milliseconds after `frames` frames, whatever the
// machine's speed, so the timers and the script's clock reads of a run of
// --frames give the same picture every time. The time is computed from the
// frame count, never summed from rounded steps, so it does not drift.

#include <cstdint>

namespace kelvo::authoring {

// A frame rate: a positive number (fractions allowed, "29.97") up to 100000.
bool parseFrameRate(const char* text, double& framesPerSecond);

// The clock reading after `frames` frames at `framesPerSecond`, wrapping
// like the 32-bit program clock.
int32_t frameClockMs(int64_t frames, double framesPerSecond);

// Makes the program clock the virtual one, reading 0 (no frame drawn yet).
void startFrameClock(double framesPerSecond);
// One more frame was drawn: the clock moves on to its time.
void advanceFrameClock();
// Gives the program its wall clock back.
void stopFrameClock();

}  // namespace kelvo::authoring
