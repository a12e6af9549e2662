#include "material/Material.h"

#include "material/TextureManager.h"

#include <GL/gl.h>

namespace qor {

namespace {
const Material* appliedColours = nullptr;
}  // namespace

void Material::forgetAppliedColours() { appliedColours = nullptr; }

void Material::ApplyMaterial(uint8_t flags) const {
  if ((flags & kDrawTexture) && hasTexture()) {
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, textureId);
    textureManager.SetTextureWrap(wrapOption != 0);
  }
  if ((flags & kDrawColours) && appliedColours != this) {
    appliedColours = this;
    glMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    glMaterialfv(GL_FRONT, GL_SPECULAR, specular);
    glMaterialfv(GL_FRONT, GL_EMISSION, emission);
    // Illumination model 1 has no specular highlight.
    glMaterialf(GL_FRONT, GL_SHININESS, illum == 1 ? 0.0f : shininess);
  }
}

SmartPointer<Material> Material::CloneMaterial() const {
  SmartPointer<Material> copy = makeShared<Material>();
  copy->name = name;
  copy->textureName = textureName;
  copy->shininess = shininess;
  copy->illum = illum;
  for (int i = 0; i < 4; ++i) {
    copy->ambient[i] = ambient[i];
    copy->diffuse[i] = diffuse[i];
    copy->specular[i] = specular[i];
    copy->emission[i] = emission[i];
  }
  copy->textureId = textureId;
  return copy;
}

}  // namespace qor
