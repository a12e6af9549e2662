#include "model/ObjFileNumbered.h"

#include "model/ObjText.h"

#include "material/MaterialLibrary.h"
#include "util/LineScanner.h"
#include "util/Path.h"
#include "util/Warnings.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace qor {

SmartPointer<Material> lookUpMaterial(std::string_view name) {
  SmartPointer<Material> material = materialLibrary.GetMaterial(name);
  if (!material) {
    // The library does not even hold the default material yet.
    material = makeShared<Material>();
    material->name = kDefaultMaterialName;
  }
  return material;
}

namespace {

// Dropped faces told one by one; the rest of a file's go into one count.
constexpr std::size_t kNamedDrops = 5;

// One kind of item (vertices, normals or texture coordinates) over the file.
// While a group is read, its own items have the indices 0, 1, ... (their
// place after the group's start); items from earlier groups and made ones
// wait in `extra`, named by -1, -2, ..., and move behind the own items when
// the group ends.
template <std::size_t N>
struct ItemPool {
  using Item = std::array<float, N>;
  std::vector<Item> ModelGroup::*items;
  std::size_t declared = 0;           // items declared in the file so far
  std::size_t ownStart = 0;           // file index of the current group's first own item
  std::vector<std::size_t> starts;    // file index of each kept group's first own item
  std::vector<Item> extra;
  std::vector<int32_t> extraSlot;     // file index -> slot in `extra` ...
  std::vector<uint32_t> slotStamp;    // ... where this equals `stamp`
  uint32_t stamp = 1;

  explicit ItemPool(std::vector<Item> ModelGroup::*member) : items(member) {}

  int32_t addExtra(const Item& item) {
    makeRoom(extra);
    extra.push_back(item);
    return -static_cast<int32_t>(extra.size());
  }

  // The group index of file number `number` (1-based, or negative from the
  // last declared); false when no such item has been declared.
  // In line: the check and the group's own items; out of line: an item of
  // an earlier group.
  bool resolve(int64_t number, const std::vector<ModelGroup>& groups, int32_t& index) {
    const int64_t at = number > 0 ? number - 1 : static_cast<int64_t>(declared) + number;
    if (number == 0 || at < 0 || at >= static_cast<int64_t>(declared)) return false;
    const auto file = static_cast<std::size_t>(at);
    if (file >= ownStart) {
      index = static_cast<int32_t>(file - ownStart);
      return true;
    }
    index = borrow(file, groups);
    return true;
  }

  [[gnu::noinline]] int32_t borrow(std::size_t file, const std::vector<ModelGroup>& groups) {
    if (slotStamp.size() < ownStart) {
      slotStamp.resize(ownStart, 0);
      extraSlot.resize(ownStart, 0);
    }
    if (slotStamp[file] != stamp) {
      // The kept groups' own items tile the file's items in order: the last
      // group starting at or before `file` holds it.
      const std::size_t g = static_cast<std::size_t>(std::upper_bound(starts.begin(), starts.end(), file) -
                                                     starts.begin()) - 1;
      slotStamp[file] = stamp;
      extraSlot[file] = addExtra((groups[g].*items)[file - starts[g]]);
    }
    return extraSlot[file];
  }

  const Item& value(const ModelGroup& group, int32_t index) const {
    return index >= 0 ? (group.*items)[static_cast<std::size_t>(index)]
                      : extra[static_cast<std::size_t>(-index - 1)];
  }

  // The group's final index of a waiting one (-1 - k is waiting item k, which
  // goes to ownCount + k), without a branch so that the loop over a group's
  // faces runs several indices at a time.
  static int32_t settle(int32_t index, int32_t ownCount) {
    const int32_t waiting = index >> 31;  // all ones for a waiting index
    return (index ^ waiting) + (waiting & ownCount);
  }

  // Ends the current group: `kept` groups take their waiting items.
  void finish(ModelGroup& group, bool kept) {
    if (kept) {
      starts.push_back(ownStart);
      auto& own = group.*items;
      // A group without items of its own (made normals alone, say) takes
      // the waiting ones as they are.
      if (own.empty()) {
        own.swap(extra);
      } else {
        makeRoom(own, extra.size());
        own.insert(own.end(), extra.begin(), extra.end());
      }
    }
    ownStart = declared;
    extra.clear();
    ++stamp;
  }
};

struct Corner {
  int64_t vertex, texCoord, normal;
  bool hasTexCoord, hasNormal;
};

bool endsToken(const char* p, const char* end) { return p >= end || isScanSpace(*p) || *p == '#' || *p == '\0'; }

// The corners of a face line after its "f": v, v/t, v//n or v/t/n each,
// up to the end of the line or a comment, into corners[0, count) (the
// vector only grows, and is reused line after line). False on anything
// else.
bool readFaceCorners(LineScanner& in, std::vector<Corner>& corners, std::size_t& count) {
  count = 0;
  for (;;) {
    in.skipSpace();
    if (endsToken(in.p, in.end)) return true;
    Corner c{0, 0, 0, false, false};
    if (!in.readSignedDigits(c.vertex)) return false;
    if (in.literal('/')) {
      if (in.peek() != '/') {
        if (!in.readSignedDigits(c.texCoord)) return false;
        c.hasTexCoord = true;
      }
      if (in.literal('/')) {
        if (!in.readSignedDigits(c.normal)) return false;
        c.hasNormal = true;
      }
    }
    if (!endsToken(in.p, in.end)) return false;
    if (count == corners.size()) corners.resize(count * 2 + 8);
    corners[count++] = c;
  }
}

// Newell's normal of a polygon of `count` corners, `point(i)` the position
// of corner i, unit length; (0, 0, 1) for a degenerate one.
template <typename Point>
std::array<float, 3> flatNormal(std::size_t count, const Point& point) {
  double n[3] = {0.0, 0.0, 0.0};
  const auto edge = [&n](const std::array<float, 3>& a, const std::array<float, 3>& b) {
    n[0] += (double{a[1]} - b[1]) * (double{a[2]} + b[2]);
    n[1] += (double{a[2]} - b[2]) * (double{a[0]} + b[0]);
    n[2] += (double{a[0]} - b[0]) * (double{a[1]} + b[1]);
  };
  if (count == 3) {
    // The triangle's three edges in the loop's order, without the loop.
    const std::array<float, 3>& a = point(0);
    const std::array<float, 3>& b = point(1);
    const std::array<float, 3>& c = point(2);
    edge(a, b), edge(b, c), edge(c, a);
  } else {
    for (std::size_t i = 0; i < count; ++i) edge(point(i), point(i + 1 < count ? i + 1 : 0));
  }
  const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  if (!(length > 0.0) || !std::isfinite(length)) return {0.0f, 0.0f, 1.0f};
  return {static_cast<float>(n[0] / length), static_cast<float>(n[1] / length), static_cast<float>(n[2] / length)};
}

// A face corner as the group's indices (waiting ones negative).
struct Resolved {
  int32_t vertex, normal, texCoord;
};

class FileNumberedReader {
public:
  FileNumberedReader(IModel& model, std::size_t loadLibrariesFrom) : model_(model), librariesFrom_(loadLibrariesFrom) {}

  void read(ObjLines& lines, ObjReadStart start) {
    if (start.first) {
      current_ = std::move(*start.first);
      vertices_.declared = current_.vertices.size();
      normals_.declared = current_.normals.size();
      texCoords_.declared = current_.texCoords.size();
      if (!current_.materials.empty()) named_ = current_.materials.back();
    }
    std::string_view line;
    std::size_t lineStart = 0;
    while (lines.next(line, lineStart)) readLine(LineScanner{line.data(), line.data() + line.size()}, lineStart, lines.lineCount());
    finishGroup(true);
    if (warningsWanted() && dropped_ > kNamedDrops)
      warn(model_.fileName + ": " + std::to_string(dropped_ - kNamedDrops) + " more faces dropped");
  }

private:
  void readLine(LineScanner in, std::size_t lineStart, std::size_t lineNumber) {
    in.skipSpace();
    const char* wordStart = in.p;
    in.skipWord();
    const std::string_view word(wordStart, static_cast<std::size_t>(in.p - wordStart));
    // Face lines first: most files have as many as all the others.
    if (word.size() == 1 && word[0] == 'f') return readFace(in, lineNumber);
    if (word == "v") {
      std::array<float, 3> v{0.0f, 0.0f, 0.0f};
      in.readFloat(v[0]) && in.readFloat(v[1]) && in.readFloat(v[2]);
      makeRoom(current_.vertices);
      current_.vertices.push_back(v);
      ++vertices_.declared;
    } else if (word == "vn") {
      std::array<float, 3> n{0.0f, 0.0f, 0.0f};
      in.readFloat(n[0]) && in.readFloat(n[1]) && in.readFloat(n[2]);
      makeRoom(current_.normals);
      current_.normals.push_back(n);
      ++normals_.declared;
    } else if (word == "vt") {
      std::array<float, 2> t{0.0f, 0.0f};
      in.readFloat(t[0]) && in.readFloat(t[1]);
      makeRoom(current_.texCoords);
      current_.texCoords.push_back(t);
      ++texCoords_.declared;
    } else if (word == "f") {
      readFace(in, lineNumber);
    } else if (word == "g" || word == "o") {
      finishGroup(false);
    } else if (word == "usemtl") {
      const SmartPointer<Material> material = lookUpMaterial(nextWord(in));
      // Faces already read in this group keep the material before this one.
      if (current_.materials.empty() && faceLines_ > 0) startRange(carriedMaterial());
      startRange(material);
      named_ = material;
    } else if (word == "mtllib") {
      const std::string_view name = nextWord(in);
      if (!name.empty() && lineStart >= librariesFrom_)
        LoadMaterialLibrary(materialLibrary, path::join(model_.fileName, std::string(name)));
    }
    // "#", "s", "l" and every other word: ignored.
  }

  static std::string_view nextWord(LineScanner& in) {
    in.skipSpace();
    const char* start = in.p;
    in.skipWord();
    return std::string_view(start, static_cast<std::size_t>(in.p - start));
  }

  SmartPointer<Material> carriedMaterial() const { return named_ ? named_ : lookUpMaterial(kDefaultMaterialName); }

  void startRange(const SmartPointer<Material>& material) {
    current_.materials.push_back(material);
    current_.faceStarts.push_back(static_cast<int32_t>(current_.faces.size()));
  }

  void drop(std::size_t lineNumber, const std::string& why) {
    ++dropped_;
    if (warningsWanted() && dropped_ <= kNamedDrops)
      warn(model_.fileName + ":" + std::to_string(lineNumber) + ": face dropped: " + why);
  }

  static std::string missing(const char* kind, int64_t number, std::size_t declared) {
    return std::string(kind) + " " + std::to_string(number) + " does not exist (" + std::to_string(declared) +
           " declared so far)";
  }

  // The group's own item of file number `number`, as resolve() gives it;
  // false for anything else (no such item, or one of an earlier group).
  template <std::size_t N>
  static bool ownIndex(const ItemPool<N>& pool, int64_t number, int32_t& index) {
    const int64_t at = number > 0 ? number - 1 : static_cast<int64_t>(pool.declared) + number;
    if (number == 0 || at < static_cast<int64_t>(pool.ownStart) || at >= static_cast<int64_t>(pool.declared))
      return false;
    index = static_cast<int32_t>(static_cast<std::size_t>(at) - pool.ownStart);
    return true;
  }

  // The usual face line in one pass: up to kQuickCorners corners of one
  // form (v, v/t, v//n or v/t/n) whose numbers are short and name items of
  // the current group, every one that the face names existing, on a line
  // that ends in a non-digit (its "\n"). Nothing is changed unless the
  // whole line is read; false for every other line, which the general
  // reading (readFace) then reads from the start, with its messages and its
  // borrowed items.
  bool readQuickFace(const LineScanner& line) {
    static constexpr std::size_t kQuickCorners = 16;
    Resolved corners[kQuickCorners];
    LineScanner in = line;  // the line is read again from `line` when this fails
    const char*& p = in.p;
    const char* const end = in.end;
    if (p == end) return false;
    std::size_t count = 0;
    int form = -1;  // bit 0: texture coordinates, bit 1: normals
    for (;;) {
      while (p < end && isScanSpace(*p)) ++p;
      if (endsToken(p, end)) break;
      if (count == kQuickCorners) return false;
      Resolved& r = corners[count];
      int64_t number = 0;
      if (!in.readSignedDigits(number) || !ownIndex(vertices_, number, r.vertex)) return false;
      int cornerForm = 0;
      if (p < end && *p == '/') {
        ++p;
        if (p < end && *p != '/') {
          if (!in.readSignedDigits(number) || !ownIndex(texCoords_, number, r.texCoord)) return false;
          cornerForm |= 1;
        }
        if (p < end && *p == '/') {
          ++p;
          if (!in.readSignedDigits(number) || !ownIndex(normals_, number, r.normal)) return false;
          cornerForm |= 2;
        }
        if (cornerForm == 0) return false;  // "v/" with nothing after it
      }
      if (!endsToken(p, end) || (form >= 0 && cornerForm != form)) return false;
      form = cornerForm;
      ++count;
    }
    if (count < 3) return false;
    if (!(form & 1)) {
      const int32_t zero = zeroTexCoord();
      for (std::size_t i = 0; i < count; ++i) corners[i].texCoord = zero;
    }
    if (!(form & 2)) {
      const int32_t flat = normals_.addExtra(flatNormal(count, [&](std::size_t i) -> const std::array<float, 3>& {
        return current_.vertices[static_cast<std::size_t>(corners[i].vertex)];
      }));
      for (std::size_t i = 0; i < count; ++i) corners[i].normal = flat;
    }
    ++faceLines_;
    addFan(corners, count);
    return true;
  }

  void addFan(const Resolved* corners, std::size_t count) {
    if (current_.materials.empty()) startRange(carriedMaterial());
    makeRoom(current_.faces, count - 2);
    const Resolved& first = corners[0];
    for (std::size_t i = 1; i + 1 < count; ++i) {
      const Resolved& b = corners[i];
      const Resolved& c = corners[i + 1];
      current_.faces.push_back(ModelFace{{first.vertex, b.vertex, c.vertex},
                                         {first.normal, b.normal, c.normal},
                                         {first.texCoord, b.texCoord, c.texCoord}});
    }
  }

  void readFace(LineScanner& in, std::size_t lineNumber) {
    if (readQuickFace(in)) return;
    ++faceLines_;
    std::size_t count = 0;
    if (!readFaceCorners(in, corners_, count))
      return drop(lineNumber, "a corner that is not v, v/vt, v//vn or v/vt/vn");
    if (count < 3) return drop(lineNumber, "fewer than 3 corners");
    const std::vector<ModelGroup>& groups = model_.groups;
    bool allNormals = true;
    if (resolved_.size() < count) resolved_.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
      const Corner& c = corners_[i];
      Resolved& r = resolved_[i];
      if (!vertices_.resolve(c.vertex, groups, r.vertex))
        return drop(lineNumber, missing("vertex", c.vertex, vertices_.declared));
      if (c.hasNormal && !normals_.resolve(c.normal, groups, r.normal))
        return drop(lineNumber, missing("normal", c.normal, normals_.declared));
      if (!c.hasTexCoord || !texCoords_.resolve(c.texCoord, groups, r.texCoord)) r.texCoord = zeroTexCoord();
      allNormals = allNormals && c.hasNormal;
    }
    if (!allNormals) {
      const int32_t flat = normals_.addExtra(
          flatNormal(count, [&](std::size_t i) -> const std::array<float, 3>& {
            return vertices_.value(current_, resolved_[i].vertex);
          }));
      for (std::size_t i = 0; i < count; ++i) resolved_[i].normal = flat;
    }
    addFan(resolved_.data(), count);
  }

  int32_t zeroTexCoord() {
    if (zeroTexCoord_ == 0) zeroTexCoord_ = texCoords_.addExtra({0.0f, 0.0f});
    return zeroTexCoord_;
  }

  // Closes the current group. One without any item of its own or borrowed is
  // left out (it has no face either), except the last one.
  void finishGroup(bool atEnd) {
    const bool kept = atEnd || !current_.vertices.empty() || !current_.normals.empty() ||
                      !current_.texCoords.empty() || !vertices_.extra.empty() || !normals_.extra.empty() ||
                      !texCoords_.extra.empty();
    if (kept) {
      if (current_.materials.empty()) startRange(carriedMaterial());
      const std::size_t ownVertices = current_.vertices.size();
      const std::size_t ownNormals = current_.normals.size();
      const std::size_t ownTexCoords = current_.texCoords.size();
      if (!vertices_.extra.empty() || !normals_.extra.empty() || !texCoords_.extra.empty()) {
        const auto vertexBase = static_cast<int32_t>(ownVertices);
        const auto normalBase = static_cast<int32_t>(ownNormals);
        const auto texCoordBase = static_cast<int32_t>(ownTexCoords);
        for (ModelFace& f : current_.faces) {
          for (int c = 0; c < 3; ++c) {
            f.vertex[c] = ItemPool<3>::settle(f.vertex[c], vertexBase);
            f.normal[c] = ItemPool<3>::settle(f.normal[c], normalBase);
            f.texCoord[c] = ItemPool<2>::settle(f.texCoord[c], texCoordBase);
          }
        }
      }
    }
    vertices_.finish(current_, kept);
    normals_.finish(current_, kept);
    texCoords_.finish(current_, kept);
    if (kept) model_.groups.push_back(std::move(current_));
    current_ = ModelGroup();
    faceLines_ = 0;
    zeroTexCoord_ = 0;
  }

  IModel& model_;
  const std::size_t librariesFrom_;
  ModelGroup current_;
  ItemPool<3> vertices_{&ModelGroup::vertices};
  ItemPool<3> normals_{&ModelGroup::normals};
  ItemPool<2> texCoords_{&ModelGroup::texCoords};
  SmartPointer<Material> named_;  // the last "usemtl" material, null before any
  std::size_t faceLines_ = 0;            // face lines of the current group, dropped ones too
  int32_t zeroTexCoord_ = 0;      // the group's waiting (0, 0), 0 while it has none
  std::size_t dropped_ = 0;
  std::vector<Corner> corners_;   // reused by every face line
  std::vector<Resolved> resolved_;
};

}  // namespace

void readObjFileNumbered(IModel& model, ObjLines& lines, ObjReadStart start) {
  model.groups.clear();
  FileNumberedReader(model, start.at).read(lines, start);
}

}  // namespace qor
