#pragma once
// Decodes images with FreeImage and uploads each file once, with mipmaps.
// Texture names are cached by file name exactly as requested. A file that
// cannot be decoded yields texture name 1, the fallback image the start-up
// loads first, and is not cached (a later request tries again).

#include <cstdint>
#include <functional>
#include <map>
#include <string>

namespace qor {

class TextureManager {
public:
  // Initialises FreeImage.
  TextureManager();
  // Deletes the cached textures (a no-op without a current context) and
  // shuts FreeImage down.
  ~TextureManager();
  TextureManager(const TextureManager&) = delete;
  TextureManager& operator=(const TextureManager&) = delete;

  // GL texture name of the image file; 1 when it cannot be decoded.
  uint32_t LoadTexture(const std::string& fileName);

  // Sets wrap S, T and R to clamp-to-edge (true) or repeat (false) and
  // applies them to the texture bound now.
  void SetTextureWrap(bool clamp);

  // Deletes every cached texture and empties the cache; call while the
  // context is current.
  void releaseTextures();

  std::size_t cachedCount() const { return cache_.size(); }

  // Setting codes (see applySettings in TextureManager.cpp for their GL
  // values), applied to each texture as it is uploaded.
  int envMode = 2;         // 1 decal, 2 modulate, 3 blend, 4 combine, 5 replace
  int coordGeneration = 8; // 1 eye linear, 2 object linear, 3 sphere map, other: off
  int filtering = 3;       // 1 linear, 2/3 linear mipmaps, 4..7 anisotropy 2..16
  int wrapS = 3;           // 1 clamp, 2 repeat, 3 clamp to edge
  int wrapT = 3;
  int wrapR = 3;

private:
  void applySettings() const;

  std::map<std::string, uint32_t, std::less<>> cache_;
};

// The program's texture manager, alive from static initialisation to exit.
extern TextureManager textureManager;

}  // namespace qor
