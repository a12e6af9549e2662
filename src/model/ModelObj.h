#pragma once
// Wavefront OBJ model: groups of triangles with per-range materials, scaled
// into a unit box centred on the origin and compiled into display lists.

#include "model/IModel.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace qor {

class ModelObj : public IModel {
public:
  // Stores the name and loads the file (GL context required for the lists).
  explicit ModelObj(const std::string& fileName);
  ~ModelObj() override;

  std::size_t size() const override { return sizeof(*this); }

  void load(const std::string& fileName) override;
  void draw(uint8_t flags) const override;
  void draw(uint8_t flags, const SmartPointer<Material>& material) const override;
  bool drawsIn(uint8_t flags) const override;
  bool drawsIn(uint8_t flags, const SmartPointer<Material>& material) const override;

  // Reads, parses and normalises the file without touching GL; false when
  // the file cannot be read (the model stays empty).
  bool loadGeometry(const std::string& fileName);

  // Steps of load, public for tests and tools that want geometry without GL:
  // parse text into groups, normalise, compile display lists.
  void parse(std::string_view text);
  void normalise();
  void compile();
};

}  // namespace qor
