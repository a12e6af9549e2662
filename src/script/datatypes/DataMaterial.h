#pragma once
// The script type "Material": a value that refers to a material shared with
// the library, models and scene nodes. Its colours, alpha and shininess are
// read and written one component at a time, and the change shows wherever
// the material is used.

#include "material/Material.h"
#include "script/Symbol.h"
#include "script/datatypes/IData.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace qor {

class DataMaterial final : public IData {
public:
  explicit DataMaterial(SmartPointer<Material> m) : IData(kTagMaterial), material(std::move(m)) {}
  std::size_t size() const override { return sizeof(*this); }

  bool refersToObject() const override { return static_cast<bool>(material); }
  DataPtr callMethod(script::MethodCall& m) override;

  SmartPointer<Material> material;  // may be null
};

DataPtr makeMaterial(SmartPointer<Material> material);

// The material a value refers to: false for anything that is not a Material
// value.
bool asMaterial(const IData* v, SmartPointer<Material>& out);

// "==" on two Material values: true when both refer to the same material
// object (a clone is another material, even with equal colours).
bool materialValuesEqual(IData& a, IData& b);

namespace script {

class MethodCall;

// The per-component colour methods shared by materials and lights:
// "get<Colour>X" reads the red component of colour array <Colour>, Y the
// green and Z the blue; "set<Colour>X" with one number writes it and gives the
// new value back. Built once per object type, searched by symbol.
class ColourMethods {
public:
  // `colours` are the array names in order ("Ambient", "Diffuse" ...); a
  // method reports its array by that position.
  explicit ColourMethods(std::initializer_list<const char*> colours);

  // Runs the call when its name is one of the table's. `arrays[i]` is the
  // array named colours[i]. Returns false when the name is not in the table
  // (the caller tries its other methods); otherwise `result` is the float
  // read or written, or null for a wrong count or an argument that does not
  // convert (nothing changed).
  bool run(const MethodCall& m, float* const* arrays, DataPtr& result) const;

private:
  struct Entry {
    Symbol name;
    bool set;
    uint8_t colour;
    uint8_t component;
  };
  std::vector<Entry> entries_;
};

}  // namespace script
}  // namespace qor
