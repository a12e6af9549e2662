#include "script/datatypes/DataMaterial.h"

#include "script/ObjectProtocol.h"
#include "script/datatypes/DataValues.h"

#include <string>

namespace qor {

DataPtr makeMaterial(SmartPointer<Material> material) { return DataPtr(new DataMaterial(std::move(material))); }

bool asMaterial(const IData* v, SmartPointer<Material>& out) {
  if (!v || v->tag() != kTagMaterial) return false;
  out = static_cast<const DataMaterial*>(v)->material;
  return true;
}

bool materialValuesEqual(IData& a, IData& b) {
  if (a.tag() != kTagMaterial || b.tag() != kTagMaterial) return false;
  return static_cast<DataMaterial&>(a).material == static_cast<DataMaterial&>(b).material;
}

DataPtr DataMaterial::callMethod(script::MethodCall& m) {
  static const Symbol kGetAlpha = intern("getAplha");
  // The usual spelling, beside the historic one that scripts use.
  static const Symbol kGetAlphaUsual = intern("getAlpha");
  static const Symbol kGetShininess = intern("getShininess");
  static const Symbol kSetAlpha = intern("setAlpha");
  static const Symbol kSetShininess = intern("setShininess");
  static const script::ColourMethods kColours{"Ambient", "Diffuse", "Specular", "Emission"};

  if (!material) return nullptr;

  Material& mat = *material;
  float* const arrays[] = {mat.ambient, mat.diffuse, mat.specular, mat.emission};
  DataPtr result;
  if (kColours.run(m, arrays, result)) return result;

  float v;
  if (m.is(kGetAlpha, 0) || m.is(kGetAlphaUsual, 0)) return makeFloat(mat.alpha);
  if (m.is(kGetShininess, 0)) return makeFloat(mat.shininess);
  if (m.is(kSetAlpha, 1)) {
    if (!m.argFloat(0, v)) return nullptr;
    mat.alpha = v;
    return makeFloat(v);
  }
  if (m.is(kSetShininess, 1)) {
    if (!m.argFloat(0, v)) return nullptr;
    mat.shininess = v;
    return makeFloat(v);
  }
  return nullptr;
}

namespace script {

ColourMethods::ColourMethods(std::initializer_list<const char*> colours) {
  static const char kAxes[] = {'X', 'Y', 'Z'};
  uint8_t colour = 0;
  for (const char* name : colours) {
    for (uint8_t component = 0; component < 3; ++component) {
      const std::string suffix = std::string(name) + kAxes[component];
      entries_.push_back({intern("get" + suffix), false, colour, component});
      entries_.push_back({intern("set" + suffix), true, colour, component});
    }
    ++colour;
  }
}

bool ColourMethods::run(const MethodCall& m, float* const* arrays, DataPtr& result) const {
  for (const Entry& e : entries_) {
    if (e.name != m.name()) continue;
    result = nullptr;
    float* rgb = arrays[e.colour];
    if (!e.set) {
      if (m.count() == 0) result = makeFloat(rgb[e.component]);
      return true;
    }
    float v;
    if (m.count() == 1 && m.argFloat(0, v)) {
      rgb[e.component] = v;
      result = makeFloat(v);
    }
    return true;
  }
  return false;
}

}  // namespace script
}  // namespace qor
