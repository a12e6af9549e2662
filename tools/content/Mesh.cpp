#include "content/Mesh.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <stdexcept>

namespace kelvo::content {

namespace {

Vec3 cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
float dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 unit(Vec3 a) {
  const float l = std::sqrt(dot(a, a));
  return l > 0 ? a * (1.0f / l) : a;
}

constexpr float kPi = std::numbers::pi_v<float>;

}  // namespace

std::string number(float v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.4f", static_cast<double>(v));
  std::string s = text;
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s == "-0" ? "0" : s;
}

Xform Xform::translation(Vec3 t) {
  Xform x;
  x.t = t;
  return x;
}

Xform Xform::rotationX(float degrees, Vec3 pivot) {
  const float a = degrees * kPi / 180.0f, c = std::cos(a), s = std::sin(a);
  Xform x;
  const float m[9] = {1, 0, 0, 0, c, -s, 0, s, c};
  std::copy(m, m + 9, x.m);
  x.t = pivot - x.rotate(pivot);
  return x;
}

Xform Xform::rotationZ(float degrees, Vec3 pivot) {
  const float a = degrees * kPi / 180.0f, c = std::cos(a), s = std::sin(a);
  Xform x;
  const float m[9] = {c, -s, 0, s, c, 0, 0, 0, 1};
  std::copy(m, m + 9, x.m);
  x.t = pivot - x.rotate(pivot);
  return x;
}

void Mesh::declare(const Material& material) {
  if (index_.count(material.name)) return;
  index_[material.name] = groups_.size();
  groups_.push_back(Group{material, {}, {}, -1});
}

Mesh::Group& Mesh::group(const std::string& material) {
  const auto it = index_.find(material);
  if (it == index_.end()) throw std::logic_error("undeclared material " + material);
  return groups_[it->second];
}

int Mesh::vertex(Group& g, Vec3 p) {
  g.vertices.push_back(p);
  low_ = {std::min(low_.x, p.x), std::min(low_.y, p.y), std::min(low_.z, p.z)};
  high_ = {std::max(high_.x, p.x), std::max(high_.y, p.y), std::max(high_.z, p.z)};
  return static_cast<int>(g.vertices.size()) - 1;
}

void Mesh::face(Group& g, std::vector<Corner> corners, Vec3 outward) {
  const Vec3 a = g.vertices[static_cast<std::size_t>(corners[0].vertex)];
  const Vec3 b = g.vertices[static_cast<std::size_t>(corners[1].vertex)];
  const Vec3 c = g.vertices[static_cast<std::size_t>(corners.back().vertex)];
  if (dot(cross(b - a, c - a), outward) < 0) std::reverse(corners.begin(), corners.end());
  g.faces.push_back(std::move(corners));
}

void Mesh::box(const std::string& material, Vec3 lo, Vec3 hi, float texScale, const Xform& xf) {
  Group& g = group(material);
  int v[8];
  for (int i = 0; i < 8; ++i)
    v[i] = vertex(g, xf.apply({i & 1 ? hi.x : lo.x, i & 2 ? hi.y : lo.y, i & 4 ? hi.z : lo.z}));
  auto local = [&](int i) { return Vec3{i & 1 ? hi.x : lo.x, i & 2 ? hi.y : lo.y, i & 4 ? hi.z : lo.z}; };
  // Each face: the bit that is fixed, its value, and which coordinates map to u and v.
  for (int axis = 0; axis < 3; ++axis) {
    for (int side = 0; side < 2; ++side) {
      const int bit = 1 << axis;
      std::vector<int> ids;
      for (int i = 0; i < 8; ++i)
        if (((i & bit) != 0) == (side == 1)) ids.push_back(i);
      std::swap(ids[2], ids[3]);  // around the face, not across it
      Vec3 n{axis == 0 ? (side ? 1.f : -1.f) : 0.f, axis == 1 ? (side ? 1.f : -1.f) : 0.f,
             axis == 2 ? (side ? 1.f : -1.f) : 0.f};
      std::vector<Corner> corners;
      for (int i : ids) {
        const Vec3 p = local(i) - lo, size = hi - lo;
        const float u = axis == 0 ? p.z : p.x, uSize = axis == 0 ? size.z : size.x;
        const float w = axis == 1 ? p.z : p.y, wSize = axis == 1 ? size.z : size.y;
        corners.push_back({v[i], xf.rotate(n), texScale > 0 ? u / texScale : u / uSize,
                           texScale > 0 ? w / texScale : w / wSize});
      }
      face(g, std::move(corners), xf.rotate(n));
    }
  }
}

void Mesh::boxWithTop(const std::string& sides, const std::string& top, Vec3 lo, Vec3 hi, float texScale) {
  // The sides as a box open at the top, closed by a thin lid of its own.
  const float lid = std::min(0.5f, (hi.y - lo.y) / 4.0f);
  box(sides, lo, {hi.x, hi.y - lid, hi.z}, texScale);
  box(top, {lo.x, hi.y - lid, lo.z}, hi, texScale);
}

void Mesh::frustum(const std::string& material, Vec3 base, float height, float r0, float r1, int segments,
                   const Xform& xf, float depthScale) {
  Group& g = group(material);
  std::vector<int> bottom, top;
  std::vector<Vec3> dirs;
  for (int i = 0; i < segments; ++i) {
    const float a = kPi + 2.0f * kPi * static_cast<float>(i) / static_cast<float>(segments);
    const Vec3 d{std::sin(a), 0.0f, std::cos(a) * depthScale};
    dirs.push_back(d);
    bottom.push_back(vertex(g, xf.apply(base + d * r0)));
    top.push_back(vertex(g, xf.apply(base + d * r1 + Vec3{0, height, 0})));
  }
  const int centreBottom = vertex(g, xf.apply(base));
  const int centreTop = vertex(g, xf.apply(base + Vec3{0, height, 0}));
  const float slope = (r0 - r1) / height;
  auto sideNormal = [&](int i) { return xf.rotate(unit(Vec3{dirs[i].x, slope, dirs[i].z})); };
  const Vec3 axisPoint = xf.apply(base + Vec3{0, height / 2, 0});
  for (int i = 0; i < segments; ++i) {
    const int j = (i + 1) % segments;
    const float u0 = static_cast<float>(i) / segments, u1 = static_cast<float>(i + 1) / segments;
    const Vec3 mid = (g.vertices[bottom[i]] + g.vertices[top[j]]) * 0.5f;
    face(g, {{bottom[i], sideNormal(i), u0, 0}, {bottom[j], sideNormal(j), u1, 0}, {top[j], sideNormal(j), u1, 1},
             {top[i], sideNormal(i), u0, 1}},
         mid - axisPoint);
    const Vec3 down = xf.rotate({0, -1, 0}), up = xf.rotate({0, 1, 0});
    auto capUv = [&](int k, float r) { return std::pair{0.5f + dirs[k].x * r, 0.5f + dirs[k].z * r}; };
    auto [bu0, bv0] = capUv(i, 0.5f);
    auto [bu1, bv1] = capUv(j, 0.5f);
    face(g, {{centreBottom, down, 0.5f, 0.5f}, {bottom[i], down, bu0, bv0}, {bottom[j], down, bu1, bv1}}, down);
    face(g, {{centreTop, up, 0.5f, 0.5f}, {top[i], up, bu0, bv0}, {top[j], up, bu1, bv1}}, up);
  }
}

void Mesh::sphere(const std::string& material, Vec3 centre, Vec3 radii, int segments, int rings, const Xform& xf) {
  Group& g = group(material);
  const int south = vertex(g, xf.apply(centre - Vec3{0, radii.y, 0}));
  const int north = vertex(g, xf.apply(centre + Vec3{0, radii.y, 0}));
  std::vector<std::vector<int>> ring;  // rings 1 … rings - 1, from the south pole up
  std::vector<std::vector<Vec3>> normal;
  for (int r = 1; r < rings; ++r) {
    const float lat = -kPi / 2 + kPi * static_cast<float>(r) / static_cast<float>(rings);
    ring.emplace_back();
    normal.emplace_back();
    for (int s = 0; s < segments; ++s) {
      const float lon = kPi + 2.0f * kPi * static_cast<float>(s) / static_cast<float>(segments);
      const Vec3 d{std::cos(lat) * std::sin(lon), std::sin(lat), std::cos(lat) * std::cos(lon)};
      ring.back().push_back(vertex(g, xf.apply(centre + Vec3{d.x * radii.x, d.y * radii.y, d.z * radii.z})));
      normal.back().push_back(xf.rotate(unit(Vec3{d.x / radii.x, d.y / radii.y, d.z / radii.z})));
    }
  }
  const Vec3 c = xf.apply(centre);
  auto outward = [&](const std::vector<int>& ids) {
    Vec3 sum;
    for (int id : ids) sum = sum + g.vertices[static_cast<std::size_t>(id)];
    return sum * (1.0f / static_cast<float>(ids.size())) - c;
  };
  const float rs = static_cast<float>(rings);
  for (int s = 0; s < segments; ++s) {
    const int t = (s + 1) % segments;
    const float u0 = static_cast<float>(s) / segments, u1 = static_cast<float>(s + 1) / segments;
    const Vec3 down = xf.rotate({0, -1, 0}), up = xf.rotate({0, 1, 0});
    face(g, {{south, down, (u0 + u1) / 2, 0}, {ring[0][s], normal[0][s], u0, 1 / rs}, {ring[0][t], normal[0][t], u1, 1 / rs}},
         outward({south, ring[0][s], ring[0][t]}));
    const std::size_t last = ring.size() - 1;
    face(g, {{north, up, (u0 + u1) / 2, 1}, {ring[last][s], normal[last][s], u0, 1 - 1 / rs},
             {ring[last][t], normal[last][t], u1, 1 - 1 / rs}},
         outward({north, ring[last][s], ring[last][t]}));
    for (std::size_t r = 0; r + 1 < ring.size(); ++r) {
      const float v0 = static_cast<float>(r + 1) / rs, v1 = static_cast<float>(r + 2) / rs;
      face(g, {{ring[r][s], normal[r][s], u0, v0}, {ring[r][t], normal[r][t], u1, v0},
               {ring[r + 1][t], normal[r + 1][t], u1, v1}, {ring[r + 1][s], normal[r + 1][s], u0, v1}},
           outward({ring[r][s], ring[r][t], ring[r + 1][t], ring[r + 1][s]}));
    }
  }
}

void Mesh::pyramid(const std::string& material, Vec3 base, float half, float height) {
  Group& g = group(material);
  int v[4];
  const float dx[4] = {-1, 1, 1, -1}, dz[4] = {-1, -1, 1, 1};
  for (int i = 0; i < 4; ++i) v[i] = vertex(g, base + Vec3{dx[i] * half, 0, dz[i] * half});
  const int apex = vertex(g, base + Vec3{0, height, 0});
  const Vec3 down{0, -1, 0};
  face(g, {{v[0], down, 0, 0}, {v[1], down, 1, 0}, {v[2], down, 1, 1}, {v[3], down, 0, 1}}, down);
  for (int i = 0; i < 4; ++i) {
    const int j = (i + 1) % 4;
    const Vec3 out{(dx[i] + dx[j]) / 2, 0, (dz[i] + dz[j]) / 2};
    const Vec3 n = unit(out * height + Vec3{0, half, 0});
    face(g, {{v[i], n, 0, 0}, {v[j], n, 1, 0}, {apex, n, 0.5f, 1}}, n);
  }
}

void Mesh::panel(const std::string& material, float x0, float y0, float x1, float y1, float z, float u0, float v0,
                 float u1, float v1) {
  Group& g = group(material);
  const Vec3 n{0, 0, 1};
  const int a = vertex(g, {x0, y0, z}), b = vertex(g, {x1, y0, z}), c = vertex(g, {x1, y1, z}), d = vertex(g, {x0, y1, z});
  face(g, {{a, n, u0, v0}, {b, n, u1, v0}, {c, n, u1, v1}, {d, n, u0, v1}}, n);
}

void Mesh::anchor(Vec3 p) {
  Group& g = groups_.front();
  g.anchor = static_cast<int>(g.vertices.size());
  g.vertices.push_back(p);
}

std::string Mesh::obj(const std::string& mtlName, const std::string& comment) const {
  std::string out = comment + "mtllib " + mtlName + "\n";
  // Face numbers count from the start of the file; the reader turns them
  // back into numbers within the group.
  std::size_t vertexBase = 0, uvBase = 0, normalBase = 0;
  for (const Group& g : groups_) {
    if (g.faces.empty()) continue;
    // Texture coordinates and normals are shared by value within the group.
    std::map<std::string, int> uvs, normals;
    std::string uvText, normalText, faceText;
    for (const auto& f : g.faces) {
      faceText += "f";
      for (const Corner& c : f) {
        const std::string uv = number(c.u) + " " + number(c.v);
        const std::string n = number(c.normal.x) + " " + number(c.normal.y) + " " + number(c.normal.z);
        auto [ut, uNew] = uvs.emplace(uv, static_cast<int>(uvs.size()));
        if (uNew) uvText += "vt " + uv + "\n";
        auto [nt, nNew] = normals.emplace(n, static_cast<int>(normals.size()));
        if (nNew) normalText += "vn " + n + "\n";
        // Appended piece by piece: GCC 12's -Wrestrict misreads `" " + std::to_string(...)` at -O3.
        faceText += ' ';
        faceText += std::to_string(vertexBase + static_cast<std::size_t>(c.vertex) + 1);
        faceText += '/';
        faceText += std::to_string(uvBase + static_cast<std::size_t>(ut->second) + 1);
        faceText += '/';
        faceText += std::to_string(normalBase + static_cast<std::size_t>(nt->second) + 1);
      }
      faceText += "\n";
    }
    out += "g " + g.material.name + "\nusemtl " + g.material.name + "\n";
    for (std::size_t i = 0; i < g.vertices.size(); ++i) {
      if (static_cast<int>(i) == g.anchor)
        out += "# This vertex belongs to no face: it sets the bottom of the model's box, which the\n"
               "# reader centres and scales, so that the feet meet the floor of the game scene.\n";
      const Vec3 p = g.vertices[i];
      out += "v " + number(p.x) + " " + number(p.y) + " " + number(p.z) + "\n";
    }
    out += uvText + normalText + faceText;
    vertexBase += g.vertices.size();
    uvBase += uvs.size();
    normalBase += normals.size();
  }
  return out;
}

std::string Mesh::mtl(const std::string& comment) const {
  std::string out = comment;
  auto rgb = [](Vec3 c) { return number(c.x) + " " + number(c.y) + " " + number(c.z); };
  for (const Group& g : groups_) {
    if (g.faces.empty()) continue;
    const Material& m = g.material;
    out += "newmtl " + m.name + "\nKa " + rgb(m.ambient) + "\nKd " + rgb(m.diffuse) + "\nKs " + rgb(m.specular) +
           "\nNs " + number(m.shininess) + "\nillum 2\n";
    if (!m.texture.empty()) out += "map_Kd " + m.texture + "\n";
  }
  return out;
}

}  // namespace kelvo::content
