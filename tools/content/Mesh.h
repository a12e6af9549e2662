#pragma once
// A low-poly model under construction and its Wavefront OBJ and MTL text,
// written the way the show's OBJ reader takes them: one group per material,
// each group declaring its own vertices, texture coordinates and normals
// before its faces, faces as v/vt/vn corners.
//
// Every primitive is a closed solid whose corners share vertex numbers, and
// every face winds counter-clockwise seen from outside: the renderer culls
// back faces, and the shadow volumes find a solid's silhouette through the
// edges its triangles share.

#include <map>
#include <string>
#include <vector>

namespace kelvo::content {

struct Vec3 {
  float x = 0, y = 0, z = 0;
};
inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }

// A rotation followed by a translation.
struct Xform {
  float m[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};  // row-major
  Vec3 t;
  Vec3 apply(Vec3 p) const { return rotate(p) + t; }
  Vec3 rotate(Vec3 p) const {
    return {m[0] * p.x + m[1] * p.y + m[2] * p.z, m[3] * p.x + m[4] * p.y + m[5] * p.z,
            m[6] * p.x + m[7] * p.y + m[8] * p.z};
  }
  static Xform translation(Vec3 t);
  // Degrees about the x or z axis through `pivot`.
  static Xform rotationX(float degrees, Vec3 pivot = {});
  static Xform rotationZ(float degrees, Vec3 pivot = {});
};

struct Material {
  explicit Material(std::string materialName = {}) : name(std::move(materialName)) {}
  std::string name;
  Vec3 ambient{0.2f, 0.2f, 0.2f};
  Vec3 diffuse{0.8f, 0.8f, 0.8f};
  Vec3 specular{0.05f, 0.05f, 0.05f};
  float shininess = 8.0f;
  std::string texture;  // relative to the MTL file, or empty
};

class Mesh {
public:
  // Materials must be declared before a primitive uses them; groups follow
  // the order of declaration.
  void declare(const Material& material);

  // An axis-aligned box from `lo` to `hi`. Texture coordinates of a face are
  // its two other coordinates, measured from `lo`, divided by `texScale`; a
  // texScale of 0 fits the texture once onto every face.
  void box(const std::string& material, Vec3 lo, Vec3 hi, float texScale = 1.0f, const Xform& xf = {});
  // A box whose top face has a material of its own (a separate solid for
  // the shadows, which is harmless: each half is closed on its own side).
  void boxWithTop(const std::string& sides, const std::string& top, Vec3 lo, Vec3 hi, float texScale);
  // A frustum around the vertical axis through `base` (its bottom centre),
  // radius r0 at the bottom and r1 at the top, `segments` sides, with smooth
  // side normals. Texture u runs once around, starting at the back, so the
  // front (+z) sits at u = 0.5; v runs from bottom to top.
  void frustum(const std::string& material, Vec3 base, float height, float r0, float r1, int segments,
               const Xform& xf = {}, float depthScale = 1.0f);
  // An ellipsoid with smooth normals.
  void sphere(const std::string& material, Vec3 centre, Vec3 radii, int segments, int rings, const Xform& xf = {});
  // A four-sided pyramid standing on the square of half-width `half` at
  // base.y, its apex `height` above.
  void pyramid(const std::string& material, Vec3 base, float half, float height);
  // A single flat quad facing +z from (x0, y0) to (x1, y1) at depth z, with
  // texture coordinates (u0, v0) … (u1, v1). A slide or a backdrop.
  void panel(const std::string& material, float x0, float y0, float x1, float y1, float z, float u0, float v0,
             float u1, float v1);
  // A vertex that no face uses: it widens the model's bounding box without
  // being drawn. The reader centres and scales every model by its box, so
  // this is how a figure's feet are put where the floor is.
  void anchor(Vec3 p);

  // Extent of the face vertices (the anchor excluded).
  Vec3 low() const { return low_; }
  Vec3 high() const { return high_; }

  std::string obj(const std::string& mtlName, const std::string& comment) const;
  std::string mtl(const std::string& comment) const;

private:
  struct Corner {
    int vertex;
    Vec3 normal;
    float u, v;
  };
  struct Group {
    Material material;
    std::vector<Vec3> vertices;
    std::vector<std::vector<Corner>> faces;
    int anchor = -1;  // the vertex that no face uses, if any
  };
  Group& group(const std::string& material);
  int vertex(Group& g, Vec3 p);
  // Adds a face, reversing its corners if needed so that it winds
  // counter-clockwise seen from the side `outward` points to.
  void face(Group& g, std::vector<Corner> corners, Vec3 outward);

  std::vector<Group> groups_;
  std::map<std::string, std::size_t> index_;
  Vec3 low_{1e30f, 1e30f, 1e30f}, high_{-1e30f, -1e30f, -1e30f};
};

// A float as the files write it: at most four decimals, no trailing zeros.
std::string number(float v);

}  // namespace kelvo::content
