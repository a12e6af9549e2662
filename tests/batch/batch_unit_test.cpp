// The pieces of kelvo-scene's batch runs that need no window: the
// comparison of a frame with a reference image and the virtual clock.

#include "authoring/FrameClock.h"
#include "authoring/ImageCompare.h"
#include "platform/Clock.h"

#include "support/Images.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>

namespace {

using namespace kelvo::authoring;
using kelvo::test::TempDir;

// A frame as the renderer's capture holds it: 5 x 3 pixels of one colour,
// B, G, R, rows padded to 16 bytes.
qor::FrameCapture frameOf(unsigned char red, unsigned char green, unsigned char blue) {
  qor::FrameCapture frame;
  frame.width = 5;
  frame.height = 3;
  frame.pitch = 16;
  frame.pixels.assign(48, 0xEE);  // the padding: never compared
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) {
      unsigned char* p = frame.pixels.data() + y * 16 + x * 3;
      p[0] = blue, p[1] = green, p[2] = red;
    }
  frame.taken = true;
  frame.reads = 1;
  return frame;
}

TEST(ImageCompareTest, DifferencesFromReferencesOfEveryKind) {
  TempDir dir;
  ASSERT_TRUE(kelvo::test::writeColourImage(dir.file("orange.png"), FIF_PNG, 200, 100, 0, 5, 3));
  ASSERT_TRUE(kelvo::test::writeColourImage(dir.file("orange.bmp"), FIF_BMP, 200, 100, 0, 5, 3));
  ASSERT_TRUE(kelvo::test::writeImage(dir.file("grey.png"), FIF_PNG, 32, 5, 3, 0x80));  // with alpha
  ASSERT_TRUE(kelvo::test::writeColourImage(dir.file("small.png"), FIF_PNG, 200, 100, 0, 3, 5));
  ASSERT_TRUE(kelvo::test::writeColourImage(dir.file("wide.tga"), FIF_TARGA, 200, 100, 0, 6, 3));
  dir.write("text.png", "not an image\n");
  ASSERT_EQ(::mkfifo(dir.file("fifo.png").c_str(), 0600), 0);

  qor::FrameCapture orange = frameOf(200, 100, 0);
  qor::FrameCapture onePixelOff = orange, slightlyOff = orange, notDrawn;
  onePixelOff.pixels[16 + 2 * 3 + 1] = 180;  // green of the middle pixel
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) slightlyOff.pixels[y * 16 + x * 3] = kChannelTolerance;  // blue, as far as allowed

  struct Case {
    const char* what;
    const qor::FrameCapture& frame;
    const char* reference;
    bool compared;
    int64_t differing;
    int largest;
    const char* problem;  // a part of it
  } cases[] = {
      {"equal", orange, "orange.png", true, 0, 0, ""},
      {"equal, another format", orange, "orange.bmp", true, 0, 0, ""},
      {"alpha ignored", frameOf(0x80, 0x80, 0x80), "grey.png", true, 0, 0, ""},
      {"one pixel off", onePixelOff, "orange.png", true, 1, 80, ""},
      {"off by the tolerance", slightlyOff, "orange.png", true, 0, kChannelTolerance, ""},
      {"another size", orange, "small.png", false, 0, 0, "is 3x5, the frame 5x3"},
      {"another size, another format", orange, "wide.tga", false, 0, 0, "is 6x3, the frame 5x3"},
      {"missing", orange, "missing.png", false, 0, 0, "cannot read the reference image"},
      {"a folder", orange, ".", false, 0, 0, "cannot read the reference image"},
      {"a FIFO", orange, "fifo.png", false, 0, 0, "cannot read the reference image"},
      {"not an image", orange, "text.png", false, 0, 0, "not an image that can be decoded"},
      {"no frame drawn", notDrawn, "orange.png", false, 0, 0, "no frame was drawn"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ImageDifference d = compareWithReference(c.frame, dir.file(c.reference));
    EXPECT_EQ(d.compared, c.compared) << d.problem;
    EXPECT_EQ(d.differing, c.differing);
    EXPECT_EQ(d.largest, c.largest);
    EXPECT_NE(d.problem.find(c.problem), std::string::npos) << d.problem;
    EXPECT_EQ(d.pixels, c.compared ? 15 : 0);
  }
  // The line printed: the share in percent, the counts, the threshold.
  const ImageDifference d = compareWithReference(onePixelOff, dir.file("orange.png"));
  EXPECT_NEAR(d.percent(), 100.0 / 15, 1e-9);
  EXPECT_EQ(describeDifference(d, "orange.png", 0.5),
            "difference from orange.png: 6.667% of pixels (1 of 15) differ by more than 8 of 255 (at most 80); "
            "threshold 0.5%");
}

TEST(FrameClockTest, TimeIsTheFrameCountOverTheRateRoundedNeverSummed) {
  for (auto [frames, fps, ms] : {std::tuple<int64_t, double, int32_t>{0, 30, 0}, {1, 30, 33}, {2, 30, 67},
                                 {30, 30, 1000}, {3, 29.97, 100}, {1, 16, 63}, {2999, 30, 99967},
                                 {1, 0.5, 2000}, {1000000000, 0.5, -1454759936}}) {  // wraps as the clock does
    EXPECT_EQ(frameClockMs(frames, fps), ms) << frames << " at " << fps;
  }
  // The program clock follows the frames drawn, from 0.
  startFrameClock(30);
  EXPECT_EQ(qor::platform::clockMs(), 0);
  for (int i = 0; i < 3000; ++i) advanceFrameClock();
  EXPECT_EQ(qor::platform::clockMs(), 100000);  // not 3000 x 33
  stopFrameClock();
  advanceFrameClock();  // no longer moves anything
  startFrameClock(30);
  EXPECT_EQ(qor::platform::clockMs(), 0);
  stopFrameClock();
}

TEST(FrameClockTest, RatesAndThresholdsThatParse) {
  for (auto [text, ok] : {std::pair{"30", true}, {"29.97", true}, {"100000", true}, {"0", false}, {"-1", false},
                          {"", false}, {"30x", false}, {"inf", false}, {"nan", false}, {"100001", false}}) {
    double fps = -1;
    EXPECT_EQ(parseFrameRate(text, fps), ok) << text;
  }
  for (auto [text, ok] : {std::pair{"0", true}, {"0.5", true}, {"100", true}, {"100.5", false}, {"-0.1", false},
                          {"", false}, {"1%", false}, {"nan", false}}) {
    double percent = -1;
    EXPECT_EQ(parseThreshold(text, percent), ok) << text;
  }
}

}  // namespace
