#pragma once
// Wavefront OBJ model: groups of triangles with per-range materials, scaled
// into a unit box centred on the origin and compiled into display lists.

#include "model/IModel.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace qor {

class ObjLines;

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
  // parse text into groups, normalise, compile display lists. A file whose
  // faces all fit the numbering that restarts in every group (each group's
  // faces use the vertices declared after its "g" line) is read that way;
  // any other file is read with the file-wide numbering of OBJ files in
  // general (see ObjFileNumbered.h).
  void parse(std::string_view text);
  // The same from lines read on demand (a file read in blocks).
  void parse(ObjLines& lines);
  void normalise();
  void compile();

protected:
  // An empty model, for files of other formats that fill the groups their
  // own way and are then normalised, compiled and drawn as OBJ models are.
  ModelObj() = default;

private:
  static constexpr std::size_t kReadWhole = static_cast<std::size_t>(-1);
  // Reads with the numbering that starts again in every group (indices count
  // from the group's own first vertex, texture coordinate and normal).
  // Returns kReadWhole when every face fitted; otherwise the offset of the
  // line from which on material libraries have not been loaded yet. When it
  // stopped before any face and any "g" or "o" line, what it read is the
  // file's first group as any reading has it: moved to `first`, `carried` set,
  // and `linesBefore` holds the count of lines before the offset.
  std::size_t parseGroupNumbered(ObjLines& lines, ModelGroup& first, bool& carried, std::size_t& linesBefore);
};

}  // namespace qor
