#include "authoring/ImageCompare.h"

#include "util/MappedFile.h"

#include <FreeImage.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace kelvo::authoring {

namespace {

// A reference larger than this is not an image of a window.
constexpr std::size_t kMaxReferenceBytes = std::size_t{256} << 20;

using Bitmap = std::unique_ptr<FIBITMAP, decltype(&FreeImage_Unload)>;

std::string sizeText(unsigned width, unsigned height) { return std::to_string(width) + "x" + std::to_string(height); }

// The reference decoded as 24-bit B, G, R rows, bottom row first; null with
// `problem` set when it cannot be, or when it is not `width` x `height`
// (told from its header where the format allows, before any pixel is
// decoded).
Bitmap loadReference(const std::string& path, int width, int height, std::string& problem) {
  Bitmap none(nullptr, &FreeImage_Unload);
  std::string bytes;
  if (!qor::readRegularFile(path, bytes, kMaxReferenceBytes)) {
    problem = "cannot read the reference image " + path;
    return none;
  }
  FIMEMORY* memory = FreeImage_OpenMemory(reinterpret_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
  if (!memory) {
    problem = "cannot read the reference image " + path;
    return none;
  }
  const FREE_IMAGE_FORMAT format = FreeImage_GetFileTypeFromMemory(memory, 0);
  const bool readable = format != FIF_UNKNOWN && FreeImage_FIFSupportsReading(format);
  if (readable && FreeImage_FIFSupportsNoPixels(format)) {
    Bitmap header(FreeImage_LoadFromMemory(format, memory, FIF_LOAD_NOPIXELS), &FreeImage_Unload);
    FreeImage_SeekMemory(memory, 0, SEEK_SET);
    if (header && (FreeImage_GetWidth(header.get()) != static_cast<unsigned>(width) ||
                   FreeImage_GetHeight(header.get()) != static_cast<unsigned>(height))) {
      problem = "the reference " + path + " is " + sizeText(FreeImage_GetWidth(header.get()),
                                                            FreeImage_GetHeight(header.get())) +
                ", the frame " + sizeText(width, height);
      FreeImage_CloseMemory(memory);
      return none;
    }
  }
  Bitmap image(readable ? FreeImage_LoadFromMemory(format, memory, 0) : nullptr, &FreeImage_Unload);
  FreeImage_CloseMemory(memory);
  if (image && FreeImage_GetImageType(image.get()) != FIT_BITMAP)
    image.reset(FreeImage_ConvertToStandardType(image.get(), TRUE));
  if (image && FreeImage_GetBPP(image.get()) != 24) image.reset(FreeImage_ConvertTo24Bits(image.get()));
  if (!image) problem = "the reference " + path + " is not an image that can be decoded";
  return image;
}

}  // namespace

ImageDifference compareWithReference(const qor::FrameCapture& frame, const std::string& reference) {
  ImageDifference result;
  if (!frame.taken) {
    result.problem = "no frame was drawn to compare with " + reference;
    return result;
  }
  Bitmap image = loadReference(reference, frame.width, frame.height, result.problem);
  if (!image) return result;
  const int width = static_cast<int>(FreeImage_GetWidth(image.get()));
  const int height = static_cast<int>(FreeImage_GetHeight(image.get()));
  if (width != frame.width || height != frame.height) {
    result.problem = "the reference " + reference + " is " + sizeText(width, height) + ", the frame " +
                     sizeText(frame.width, frame.height);
    return result;
  }
  result.compared = true;
  result.pixels = int64_t{width} * height;
  // Both are bottom row first, B, G, R.
  for (int y = 0; y < height; ++y) {
    const BYTE* want = FreeImage_GetScanLine(image.get(), y);
    const unsigned char* got = frame.pixels.data() + static_cast<std::size_t>(y) * frame.pitch;
    for (int x = 0; x < width * 3; x += 3) {
      int worst = 0;
      for (int c = 0; c < 3; ++c) {
        const int d = std::abs(int{want[x + c]} - int{got[x + c]});
        if (d > worst) worst = d;
      }
      if (worst > result.largest) result.largest = worst;
      if (worst > kChannelTolerance) ++result.differing;
    }
  }
  return result;
}

bool parseThreshold(const char* text, double& percent) {
  char* end = nullptr;
  const double value = std::strtod(text, &end);
  if (end == text || *end != '\0' || !std::isfinite(value) || value < 0 || value > 100) return false;
  percent = value;
  return true;
}

std::string describeDifference(const ImageDifference& difference, const std::string& reference, double threshold) {
  if (!difference.compared) return difference.problem;
  char line[160];
  std::snprintf(line, sizeof line, ": %.3f%% of pixels (%lld of %lld) differ by more than %d of 255 (at most %d); threshold %g%%",
                difference.percent(), static_cast<long long>(difference.differing),
                static_cast<long long>(difference.pixels), kChannelTolerance, difference.largest, threshold);
  return "difference from " + reference + line;
}

}  // namespace kelvo::authoring
