#pragma once
// FreeImage, opened at run time by the process that decodes textures (the
// decoding helper; see TextureManager.cpp) instead of being linked into the
// program: the viewer and the script tool never map it and the twenty
// libraries it brings, some 3.5 MB of every process (the viewer only once a
// screenshot is saved). FreeImage initialises itself when it is loaded.

#include <FreeImage.h>

namespace qor {

// The functions the texture decoder calls, and those that encode screenshots.
#define KELVO_FREEIMAGE_FUNCTIONS(X)                                                                          \
  X(OpenMemory) X(CloseMemory) X(SeekMemory) X(GetFileTypeFromMemory) X(GetFIFFromFilename)                 \
  X(FIFSupportsReading) X(FIFSupportsNoPixels) X(LoadFromMemory) X(Unload) X(GetWidth) X(GetHeight) X(GetBPP) \
  X(GetImageType) X(GetColorType) X(ConvertTo32Bits) X(ConvertToStandardType) X(Rescale) X(GetBits)         \
  X(GetPitch) X(GetScanLine) X(ConvertFromRawBits) X(SaveToMemory) X(AcquireMemory)

struct FreeImageLibrary {
#define KELVO_FREEIMAGE_POINTER(name) decltype(&::FreeImage_##name) name = nullptr;
  KELVO_FREEIMAGE_FUNCTIONS(KELVO_FREEIMAGE_POINTER)
#undef KELVO_FREEIMAGE_POINTER
};

// The library, opened on the first call. Null when it cannot be opened or
// lacks a function; the reason goes to standard error, once.
const FreeImageLibrary* freeImage();

}  // namespace qor
