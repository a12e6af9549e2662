#pragma once
// OBJ text read with file-wide numbering, as OBJ files are written in
// general: a face's numbers count every vertex, texture coordinate and normal
// declared so far in the file, from 1 (negative numbers count back from the
// last one declared), so a group may use vertices declared before its "g"
// line. "g" and "o" both start a group; a material named by "usemtl" stays
// in force across groups. A polygon of any corner count becomes a fan of
// triangles from its first corner; a face without normals gets one flat
// normal of its own, a corner without texture coordinates (0, 0).
//
// Every group still holds its own arrays, as drawing and the collision trees
// read them: the items declared after the group's start line, in order, then
// copies of those it uses from earlier groups and the normals and texture
// coordinates made for it. A file whose faces all use their own group's items
// therefore gives the same indices as the group-local reading of ModelObj.

#include "model/IModel.h"

#include <cstddef>
#include <string_view>

namespace qor {

// The library's material of that name, or the default material (never null).
SmartPointer<Material> lookUpMaterial(std::string_view name);

class ObjLines;

// Where an earlier reading of the same text stopped: the "mtllib" lines
// before byte `at` are loaded already. When `first` is set, the lines before
// `at` only declared items of the file's first group (no face, no "g" or "o"
// line), which `first` holds with its material ranges: reading goes on from
// `at` with it instead of reading those lines again (the lines are then
// rewound to `at`, otherwise to the start).
struct ObjReadStart {
  std::size_t at = 0;
  ModelGroup* first = nullptr;
};

// Fills model.groups (emptied first) from the lines still to come.
// A face that cannot be read (a number that is no number, fewer than three
// corners, a vertex or normal that does not exist) is dropped and told through
// the warning hook, "FILE:LINE: face dropped: why", the first few by name and
// the rest in one count. A texture coordinate that does not exist reads as
// (0, 0).
void readObjFileNumbered(IModel& model, ObjLines& lines, ObjReadStart start);

}  // namespace qor
