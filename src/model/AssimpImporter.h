#pragma once
// Model files read with the Open Asset Import Library (assimp), which reads
// glTF, STL, PLY, FBX, 3DS, Collada and many more. The library is opened at
// run time, by the process that imports (see ModelImported.h: a child of the
// texture decoder), rather than linked into the program: the viewer never
// maps it and the libraries it brings, and a machine without it still shows
// OBJ models. Its importers trust their input, so this process is the one
// that may crash on a hostile file.
//
// What an import keeps (see ImportedScene.h): every mesh of every node,
// triangulated, placed by the nodes' transforms (the rest pose); per mesh
// one material, its first texture coordinates and its normals (made smooth
// where the file has none); the materials' colours and first colour
// texture; the images the file holds.

#include "model/ImportedScene.h"

#include <cstddef>
#include <string>

namespace qor {

// One format the library reads: an extension (lower case, no ".") and the
// name of the importer that reads it.
struct ImportFormat {
  std::string extension;
  std::string importer;
};

// The formats the library reads, from the library itself; false with `why`
// when it cannot be opened.
bool listAssimpFormats(std::vector<ImportFormat>& formats, std::string& why);

// Imports the file at `path` in this process. False with `why` (the
// library's own message where it gives one) when the library cannot be
// opened, cannot read the file, or the result is too large for `maxBytes`
// of layout.
bool importWithAssimp(const std::string& path, ImportedScene& scene, std::string& why, std::size_t maxBytes);

// Sandbox work (see platform/Sandbox.h) for the two above. Requests and
// answers in the block:
//   importWork: in, the path's length (u32) and the path; out, the layout
//     of ImportedScene.h, or a failure (writeImportFailure);
//   listFormatsWork: out, kFormatListTag, then text (u32 length, bytes) of
//     one "extension importer name" line per extension, or a failure.
bool importWork(unsigned char* block, std::size_t size);
bool listFormatsWork(unsigned char* block, std::size_t size);
inline constexpr std::string_view kFormatListTag = "KELVOEXT";

}  // namespace qor
