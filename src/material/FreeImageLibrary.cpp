#include "material/FreeImageLibrary.h"

#include <cstdio>

#include <dlfcn.h>

namespace qor {

namespace {

// The name of the library's current interface (FreeImage 3).
constexpr const char* kLibraryName = "libfreeimage.so.3";

const FreeImageLibrary* openLibrary() {
  static FreeImageLibrary library;
  void* handle = ::dlopen(kLibraryName, RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    std::fprintf(stderr, "kelvo: images cannot be decoded or saved: %s\n", ::dlerror());
    return nullptr;
  }
  bool complete = true;
#define KELVO_FREEIMAGE_RESOLVE(name)                                                                      \
  if (void* f = ::dlsym(handle, "FreeImage_" #name))                                                     \
    library.name = reinterpret_cast<decltype(library.name)>(f);                                          \
  else                                                                                                   \
    complete = false;
  KELVO_FREEIMAGE_FUNCTIONS(KELVO_FREEIMAGE_RESOLVE)
#undef KELVO_FREEIMAGE_RESOLVE
  if (!complete) {
    std::fprintf(stderr, "kelvo: images cannot be decoded or saved: %s lacks a function\n", kLibraryName);
    return nullptr;
  }
  return &library;
}

}  // namespace

const FreeImageLibrary* freeImage() {
  static const FreeImageLibrary* library = openLibrary();
  return library;
}

}  // namespace qor
