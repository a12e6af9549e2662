#pragma once
// Surface look of a model part: the fixed-function lighting colours and,
// optionally, one texture. Materials are shared through SmartPointer between
// the material library, models, scene nodes and script values, so a change to
// one object shows everywhere it is used.

#include "base/memory/IMMObject.h"
#include "base/memory/SmartPointer.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace qor {

// Bits of the flags byte shared by ApplyMaterial and the model draw calls.
enum DrawFlag : uint8_t {
  kDrawOpaque = 1,       // parts whose material alpha is 1 (or more)
  kDrawTranslucent = 2,  // parts whose material alpha is below 1
  kDrawColours = 4,      // set the material colours
  kDrawTexture = 8,      // bind the material texture
};

class Material : public IMMObject {
public:
  Material() = default;
  std::size_t size() const override { return sizeof(*this); }

  // Texture (bit 8) and colours (bit 4) of this material into GL state.
  // The colours are not set again when this material was the last to set
  // them (see forgetAppliedColours).
  void ApplyMaterial(uint8_t flags) const;
  // Forgets which material last set GL's colours, so the next ApplyMaterial
  // sets them. The renderer calls it at the start of every pass: between
  // passes a script may have changed a material's colours, or other code
  // GL's material state. Within a pass, items that share a material then
  // set its colours once, which saves GL the lighting update each change
  // costs.
  static void forgetAppliedColours();

  // A copy with name, texture, shininess, illum, colours and texture id; alpha
  // and wrapOption keep their defaults.
  SmartPointer<Material> CloneMaterial() const;

  bool hasTexture() const { return !textureName.empty(); }

  float ambient[4] = {0.1f, 0.1f, 0.1f, 0.0f};
  float diffuse[4] = {0.8f, 0.8f, 0.8f, 0.0f};
  float specular[4] = {0.7f, 0.7f, 0.7f, 0.0f};
  float emission[4] = {0.0f, 0.0f, 0.0f, 0.0f};
  int32_t illum = 2;
  float alpha = 1.0f;
  float shininess = 8.0f;
  std::string name;
  std::string textureName;  // as written in the MTL file
  uint32_t textureId = 1;   // GL texture name; 1 is the fallback image
  int32_t wrapOption = 0;   // non-zero: clamp to edge, zero: repeat
};

}  // namespace qor
