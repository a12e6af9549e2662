#pragma once
// One hidden SDL window with a legacy (compatibility profile) GL context per
// test binary. List GLContext.cpp among a gl test's sources and derive the
// test fixtures from GLTest; the context is created on first use, stays
// current for the whole binary, and is destroyed after the last test.

#include <gtest/gtest.h>

namespace kelvo::test {

// Creates the window and context on the first call; true when a context is
// current. Needs a display (the test scripts run gl tests under Xvfb).
bool ensureGLContext();

// Fails the test at once when no GL context can be had.
class GLTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(ensureGLContext()) << "no GL context (is DISPLAY set?)"; }
};

}  // namespace kelvo::test
