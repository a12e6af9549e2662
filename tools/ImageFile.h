#pragma once
// Saving images from the tools. FreeImage_Save opens the name itself and
// writes through whatever is there, a symbolic link included; the image is
// encoded into memory instead and written as a new regular file.

#include "util/MappedFile.h"

#include <FreeImage.h>

#include <string>
#include <string_view>

namespace kelvo::tools {

inline bool saveImage(FIBITMAP* bitmap, FREE_IMAGE_FORMAT format, int flags, const std::string& path) {
  FIMEMORY* memory = FreeImage_OpenMemory();
  if (!memory) return false;
  BYTE* data = nullptr;
  DWORD size = 0;
  const bool ok = FreeImage_SaveToMemory(format, bitmap, memory, flags) &&
                  FreeImage_AcquireMemory(memory, &data, &size) &&
                  qor::writeRegularFile(path, std::string_view(reinterpret_cast<const char*>(data), size));
  FreeImage_CloseMemory(memory);
  return ok;
}

}  // namespace kelvo::tools
