#include "model/ModelObj.h"

#include "material/MaterialLibrary.h"
#include "model/ObjFileNumbered.h"
#include "model/ObjText.h"
#include "util/LineScanner.h"
#include "util/ReadRecord.h"
#include "util/Path.h"
#include "util/Warnings.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace qor {

namespace {

// Lines are read the way fgets reads them into a 200-byte buffer: a longer
// line is cut after 199 characters and the rest read as the next line.
constexpr std::size_t kLineBuffer = 200;

// Reads up to `count` corners of the form v/t/n (or v//n when `noTexture`).
// Reading stops at the first number or separator that does not match; the
// numbers not read stay 0.
void readCorners(LineScanner& in, bool noTexture, int count, int32_t v[4], int32_t t[4], int32_t n[4]) {
  for (int c = 0; c < count; ++c) {
    if (!in.readInt(v[c])) return;
    if (noTexture) {
      if (!in.literal('/') || !in.literal('/') || !in.readInt(n[c])) return;
    } else {
      if (!in.literal('/') || !in.readInt(t[c]) || !in.literal('/') || !in.readInt(n[c])) return;
    }
  }
}

// "%*s %s": the second word of the line, empty when there is none.
std::string secondWord(const char* line, const char* end) {
  LineScanner in{line, end};
  in.skipWord();
  in.skipSpace();
  const char* start = in.p;
  in.skipWord();
  return std::string(start, static_cast<std::size_t>(in.p - start));
}

int32_t rebase(int32_t index, int64_t offset) {
  int64_t value = int64_t{index} - offset;
  return static_cast<int32_t>(
      std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

}  // namespace

ModelObj::ModelObj(const std::string& name) {
  fileName = name;
  load(name);
}

ModelObj::~ModelObj() { deleteDisplayLists(); }

bool ModelObj::loadGeometry(const std::string& name) {
  // Only regular files are models: a FIFO or device must not block us.
  noteFileRead(name);
  ObjLines lines;
  if (!lines.open(name)) return false;
  parse(lines);
  normalise();
  return true;
}

namespace {

std::size_t faceCount(const std::vector<ModelGroup>& groups) {
  std::size_t faces = 0;
  for (const ModelGroup& g : groups) faces += g.faces.size();
  return faces;
}

}  // namespace

void ModelObj::load(const std::string& name) {
  if (!loadGeometry(name)) {
    if (warningsWanted()) warn("cannot open model \"" + name + "\": " + describeUnreadableFile(name));
    return;
  }
  // A file that reads but holds no face (not an OBJ text, or faces whose
  // numbers point at no vertex) gives a model that draws nothing.
  if (warningsWanted() && faceCount(groups) == 0)
    warn("model \"" + name + "\" has no face to draw: the node shows nothing");
  compile();
}

namespace {

// Whether every corner of every face names a vertex and a normal of the
// group. A face the group-local numbering cannot place means the file was
// not laid out for it. (Texture numbers that point nowhere are no such sign:
// this reading draws them with the group's first texture coordinate.)
bool facesFitGroup(const ModelGroup& group) {
  const std::size_t vertexCount = group.vertices.size();
  const std::size_t normalCount = group.normals.size();
  auto inside = [](int32_t i, std::size_t n) { return i >= 0 && static_cast<std::size_t>(i) < n; };
  for (const ModelFace& f : group.faces) {
    for (int c = 0; c < 3; ++c) {
      if (!inside(f.vertex[c], vertexCount) || !inside(f.normal[c], normalCount)) return false;
    }
  }
  return true;
}

// Whether the rest of a face line that the line buffer cut holds more
// corners (anything before a comment).
bool cutLineGoesOn(std::string_view rest) {
  for (const char c : rest) {
    if (c == '\n' || c == '\0' || c == '#') return false;
    if (!isScanSpace(c)) return true;
  }
  return false;
}

// readInt of the usual number: white space, then one to nine digits that
// no further digit follows (no sign, nothing to saturate). Anything else
// goes to readInt itself.
inline bool readShortInt(LineScanner& in, int32_t& out) {
  const char* q = in.p;
  while (q < in.end && isScanSpace(*q)) ++q;
  const char* const start = q;
  uint64_t value = 0;
  appendDigits(q, in.end, value);
  if (q == start || q - start > 9) return in.readInt(out);
  out = static_cast<int32_t>(value);
  in.p = q;
  return true;
}

// The usual face line read in one pass: three or four corners, all v/t/n or
// all v//n, with nothing after them but white space. For such a line the
// slash count and the form that the general reading takes from the whole
// line follow from the corners, and it reads the same numbers. False for
// every other line, which the general reading then reads.
bool readPlainFace(LineScanner in, int32_t v[4], int32_t t[4], int32_t n[4], int& corners, bool& noTexture) {
  corners = 0;
  for (;;) {
    in.skipSpace();
    if (in.p == in.end) return corners >= 3;
    if (corners == 4 || !readShortInt(in, v[corners]) || !in.literal('/')) return false;
    const bool pair = in.literal('/');
    if (corners == 0) noTexture = pair;
    if (pair != noTexture) return false;
    if (!pair && (!readShortInt(in, t[corners]) || !in.literal('/'))) return false;
    if (!readShortInt(in, n[corners])) return false;
    if (in.p != in.end && !isScanSpace(*in.p)) return false;
    ++corners;
  }
}

}  // namespace

void ModelObj::parse(std::string_view text) {
  ObjLines lines(text);
  parse(lines);
}

void ModelObj::parse(ObjLines& lines) {
  readFileWide = false;
  ModelGroup first;
  bool carried = false;
  std::size_t linesBefore = 0;
  const std::size_t stoppedAt = parseGroupNumbered(lines, first, carried, linesBefore);
  if (stoppedAt == kReadWhole) return;
  // Some face does not fit the group-local numbering: the whole file is read
  // with file-wide numbering instead (the libraries before `stoppedAt` are
  // loaded already).
  groups.clear();
  readFileWide = true;
  if (carried) {
    lines.rewind(stoppedAt, linesBefore);
  } else {
    lines.rewind(0, 0);
  }
  readObjFileNumbered(*this, lines, ObjReadStart{stoppedAt, carried ? &first : nullptr});
}

std::size_t ModelObj::parseGroupNumbered(ObjLines& lines, ModelGroup& first, bool& carried,
                                         std::size_t& linesBefore) {
  int64_t vertexOffset = 1, texCoordOffset = 1, normalOffset = 1;
  ModelGroup current;
  bool fits = true;
  // Whether everything so far was whole lines of the first group without a
  // face: the other reading reads those lines the same way.
  bool onlyItems = true;
  auto stop = [&](std::size_t at) {
    if (onlyItems && current.faces.empty()) {
      first = std::move(current);
      carried = true;
    }
    return at;
  };

  // Closes the current group; `atEnd` keeps it even without vertices. A group
  // left out for want of vertices takes its faces with it, which is a face
  // the numbering cannot place.
  auto finishGroup = [&](bool atEnd) {
    if (atEnd || !current.vertices.empty()) {
      if (current.materials.empty()) {
        current.materials.push_back(lookUpMaterial(kDefaultMaterialName));
        current.faceStarts.push_back(0);
      }
      fits = fits && facesFitGroup(current);
      vertexOffset += static_cast<int64_t>(current.vertices.size());
      texCoordOffset += static_cast<int64_t>(current.texCoords.size());
      normalOffset += static_cast<int64_t>(current.normals.size());
      groups.push_back(std::move(current));
    } else {
      fits = fits && current.faces.empty();
    }
    current = ModelGroup();
  };

  std::string_view wholeLine;
  std::size_t lineOffset = 0;
  while (lines.next(wholeLine, lineOffset)) {
    linesBefore = lines.lineCount() - 1;
    // The line as fgets reads it into the buffer: pieces of at most 199
    // characters, each read as a line of its own.
    for (std::size_t piece = 0; piece < wholeLine.size();) {
      const std::size_t lineStart = lineOffset + piece;
      const char* line = wholeLine.data() + piece;
      const std::size_t left = wholeLine.size() - piece;
      const bool newline = left <= kLineBuffer - 1 && wholeLine.back() == '\n';
      const std::size_t length = std::min(left, kLineBuffer - 1);
      piece += length;
      const char* const lineEnd = line + length;
      // A piece cut short of the line's end (the file's last line may end
      // without a line end and is whole).
      const bool cut = length < left;
      if (cut) onlyItems = false;

      // First word, as "%s" reads it.
      LineScanner in{line, lineEnd};
      in.skipSpace();
      const char* wordStart = in.p;
      in.skipWord();
      const std::string_view word(wordStart, static_cast<std::size_t>(in.p - wordStart));
      if (word.empty()) continue;

      if (word == "v") {
        std::array<float, 3> v{0.0f, 0.0f, 0.0f};
        in.readFloat(v[0]) && in.readFloat(v[1]) && in.readFloat(v[2]);
        makeRoom(current.vertices);
        current.vertices.push_back(v);
      } else if (word == "vn") {
        std::array<float, 3> n{0.0f, 0.0f, 0.0f};
        in.readFloat(n[0]) && in.readFloat(n[1]) && in.readFloat(n[2]);
        makeRoom(current.normals);
        current.normals.push_back(n);
      } else if (word == "vt") {
        std::array<float, 2> t{0.0f, 0.0f};
        in.readFloat(t[0]) && in.readFloat(t[1]);
        makeRoom(current.texCoords);
        current.texCoords.push_back(t);
      } else if (word == "f") {
        int32_t v[4] = {0, 0, 0, 0}, t[4] = {0, 0, 0, 0}, n[4] = {0, 0, 0, 0};
        int corners = 0;
        bool noTexture = false;
        if (cut || !readPlainFace(in, v, t, n, corners, noTexture)) {
          // Slashes of the whole line decide the corner count, a "//" the form.
          int slashes = 0;
          noTexture = false;
          for (const char* c = line; c < lineEnd && *c; ++c) {
            if (*c == '/') {
              ++slashes;
              noTexture = noTexture || (c + 1 < lineEnd && c[1] == '/');
            }
          }
          corners = slashes < 7 ? 3 : 4;
          std::fill(v, v + 4, 0), std::fill(t, t + 4, 0), std::fill(n, n + 4, 0);
          readCorners(in, noTexture, corners, v, t, n);
          // Corners beyond the ones read (a polygon of more corners, a line
          // longer than the buffer) would be lost.
          in.skipSpace();
          const char next = in.peek();
          if (isScanDigit(next) || next == '-' || next == '+' || (!newline && cutLineGoesOn(wholeLine.substr(piece)))) {
            fits = false;
          }
        }
        // Only the corners read go into faces.
        for (int c = 0; c < corners; ++c) {
          v[c] = rebase(v[c], vertexOffset);
          n[c] = rebase(n[c], normalOffset);
          // The v//n form has no texture numbers at all: they stay 0.
          t[c] = noTexture ? 0 : rebase(t[c], texCoordOffset);
          // Counts only grow, so a negative index never comes to fit.
          if (v[c] < 0 || n[c] < 0) fits = false;
        }
        if (!fits) return stop(lineStart);
        auto corner = [&](ModelFace& f, int slot, int c) {
          f.vertex[slot] = v[c];
          f.normal[slot] = n[c];
          f.texCoord[slot] = t[c];
        };
        makeRoom(current.faces, 2);
        ModelFace face;
        corner(face, 0, 0), corner(face, 1, 1), corner(face, 2, 2);
        current.faces.push_back(face);
        if (corners == 4) {
          corner(face, 0, 0), corner(face, 1, 2), corner(face, 2, 3);
          current.faces.push_back(face);
        }
      } else if (word == "g") {
        onlyItems = false;
        finishGroup(false);
        if (!fits) return lineStart;
      } else if (word == "usemtl") {
        const std::string name = secondWord(line, lineEnd);
        // Faces already read in this group keep the default material rather
        // than falling outside every material range.
        if (current.materials.empty() && !current.faces.empty()) {
          current.materials.push_back(lookUpMaterial(kDefaultMaterialName));
          current.faceStarts.push_back(0);
        }
        current.materials.push_back(lookUpMaterial(name));
        current.faceStarts.push_back(static_cast<int32_t>(current.faces.size()));
      } else if (word == "mtllib") {
        const std::string name = secondWord(line, lineEnd);
        if (!name.empty()) LoadMaterialLibrary(materialLibrary, path::join(fileName, name));
      } else if (word == "o") {
        onlyItems = false;  // ignored here, a group of its own in the other reading
      }
      // "#", "s" and every other word: ignored.
    }
  }
  finishGroup(true);
  return fits ? kReadWhole : lines.endOffset();
}

void ModelObj::normalise() {
  // The box spans the finite coordinates only: one NaN or infinity must not
  // spread into it (and from there into every vertex).
  bool seen[3] = {false, false, false};
  bool allFinite = true;
  for (const ModelGroup& group : groups) {
    for (const auto& v : group.vertices) {
      for (int k = 0; k < 3; ++k) {
        if (!std::isfinite(v[k])) {
          allFinite = false;
          continue;
        }
        if (!seen[k] || v[k] < boxMin[k]) boxMin[k] = v[k];
        if (!seen[k] || v[k] > boxMax[k]) boxMax[k] = v[k];
        seen[k] = true;
      }
    }
  }
  // No vertex: nothing to place. A non-finite coordinate: no centre or scale
  // can be trusted, so the model is left as read (and still drawn).
  if (!seen[0] || !seen[1] || !seen[2] || !allFinite) return;

  float centre[3];
  float longest = 0.0f;
  for (int k = 0; k < 3; ++k) {
    centre[k] = (boxMin[k] + boxMax[k]) / 2.0f;
    longest = std::max(longest, boxMax[k] - boxMin[k]);
  }
  // A model with zero extent in every axis has no scale to divide by, and
  // one whose extent overflows a float none to trust: it is left as read.
  if (!(longest > 0.0f) || !std::isfinite(longest)) return;
  const float scale = 1.0f / longest;
  for (ModelGroup& group : groups) {
    for (auto& v : group.vertices) {
      for (int k = 0; k < 3; ++k) v[k] = (v[k] - centre[k]) * scale;
    }
  }
  for (int k = 0; k < 3; ++k) {
    boxMin[k] = (boxMin[k] - centre[k]) * scale;
    boxMax[k] = (boxMax[k] - centre[k]) * scale;
  }
}

void ModelObj::compile() {
  for (ModelGroup& group : groups) {
    group.faceStarts.push_back(static_cast<int32_t>(group.faces.size()));
    if (group.texCoords.empty()) group.texCoords.push_back({0.0f, 0.0f});
    const std::size_t texCount = group.texCoords.size();
    for (std::size_t range = 0; range < group.materials.size(); ++range) {
      GLuint list = glGenLists(1);
      group.displayLists.push_back(list);
      if (!glIsList(list)) continue;
      glNewList(list, GL_COMPILE);
      glBegin(GL_TRIANGLES);
      const int32_t first = group.faceStarts[range];
      const int32_t last = group.faceStarts[range + 1];
      for (int32_t f = first; f < last; ++f) {
        const ModelFace& face = group.faces[static_cast<std::size_t>(f)];
        for (int c = 0; c < 3; ++c) {
          // Texture numbers that were missing or point nowhere use the first.
          int32_t t = face.texCoord[c];
          if (t < 0 || static_cast<std::size_t>(t) >= texCount) t = 0;
          const auto& uv = group.texCoords[static_cast<std::size_t>(t)];
          const auto& n = group.normals[static_cast<std::size_t>(face.normal[c])];
          const auto& v = group.vertices[static_cast<std::size_t>(face.vertex[c])];
          glTexCoord2f(uv[0], uv[1]);
          glNormal3f(n[0], n[1], n[2]);
          glVertex3f(v[0], v[1], v[2]);
        }
      }
      glEnd();
      glEndList();
    }
  }
}

namespace {

void unbindTexture() {
  glBindTexture(GL_TEXTURE_2D, 0);
  glDisable(GL_TEXTURE_2D);
}

// The pass filters: a range with its own material is left out of a pass
// without the translucent bit when its alpha is below 1, and out of one
// without the opaque bit when its alpha is exactly 1; a whole model drawn
// with one material goes to the translucent pass below 1, to the opaque
// pass from 1 up.
bool rangeDrawn(const Material* m, uint8_t flags) {
  if (!m) return false;
  if (!(flags & kDrawTranslucent) && m->alpha < 1.0f) return false;
  if (!(flags & kDrawOpaque) && m->alpha == 1.0f) return false;
  return true;
}
bool wholeDrawn(const Material* m, uint8_t flags) {
  if (!m) return false;
  if (!(flags & kDrawTranslucent) && m->alpha < 1.0f) return false;
  if (!(flags & kDrawOpaque) && m->alpha >= 1.0f) return false;
  return true;
}

}  // namespace

bool ModelObj::drawsIn(uint8_t flags) const {
  for (const ModelGroup& group : groups) {
    const std::size_t ranges = std::min(group.materials.size(), group.displayLists.size());
    for (std::size_t i = 0; i < ranges; ++i) {
      if (rangeDrawn(group.materials[i].get(), flags)) return true;
    }
  }
  return false;
}

bool ModelObj::drawsIn(uint8_t flags, const SmartPointer<Material>& material) const {
  if (!wholeDrawn(material.get(), flags)) return false;
  for (const ModelGroup& group : groups) {
    if (!group.displayLists.empty()) return true;
  }
  return false;
}

void ModelObj::draw(uint8_t flags) const {
  for (const ModelGroup& group : groups) {
    const std::size_t ranges = std::min(group.materials.size(), group.displayLists.size());
    for (std::size_t i = 0; i < ranges; ++i) {
      const Material* m = group.materials[i].get();
      if (!rangeDrawn(m, flags)) continue;
      m->ApplyMaterial(flags & (kDrawTexture | kDrawColours));
      glCallList(group.displayLists[i]);
      if ((flags & kDrawTexture) && m->hasTexture()) unbindTexture();
    }
  }
}

void ModelObj::draw(uint8_t flags, const SmartPointer<Material>& material) const {
  const Material* m = material.get();
  if (!wholeDrawn(m, flags)) return;
  m->ApplyMaterial(flags);
  for (const ModelGroup& group : groups) {
    for (uint32_t list : group.displayLists) glCallList(list);
  }
  if ((flags & kDrawTexture) && m->hasTexture()) unbindTexture();
}

}  // namespace qor
