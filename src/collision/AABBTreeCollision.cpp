#include "collision/AABBTreeCollision.h"

#include <cmath>
#include <cstring>
#include <utility>

namespace qor {

namespace {

struct Vec3 {
  float x, y, z;
};

Vec3 sub(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 scale(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
float dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }

// M·(x, y, z, 1), first three components; M is column-major.
Vec3 transform(const float* m, float x, float y, float z) {
  return {m[0] * x + m[4] * y + m[8] * z + m[12], m[1] * x + m[5] * y + m[9] * z + m[13],
          m[2] * x + m[6] * y + m[10] * z + m[14]};
}

// A tree box placed in the world: its centre, the matrix's three axes
// (unnormalised, so they carry the matrix's scale) and those axes scaled by
// half the box's extent.
//
// The centre is the box's own midpoint carried through the matrix. Measuring
// from the model's origin instead would place every sub-box of a tree at the
// same spot, so two parts far apart inside one model would be taken to touch
// and two touching parts away from the origin would be missed.
struct OrientedBox {
  Vec3 centre;
  Vec3 half[3];
  Vec3 axis[3];
};

OrientedBox place(const float* m, const AABB& box) {
  OrientedBox out;
  const Vec3 origin = transform(m, 0.0f, 0.0f, 0.0f);
  out.axis[0] = sub(transform(m, 1.0f, 0.0f, 0.0f), origin);
  out.axis[1] = sub(transform(m, 0.0f, 1.0f, 0.0f), origin);
  out.axis[2] = sub(transform(m, 0.0f, 0.0f, 1.0f), origin);
  for (int k = 0; k < 3; ++k) out.half[k] = scale(out.axis[k], 0.5f * box.extent(k));
  out.centre = transform(m, 0.5f * (box.min[0] + box.max[0]), 0.5f * (box.min[1] + box.max[1]),
                         0.5f * (box.min[2] + box.max[2]));
  return out;
}

// True when `axis` separates the two boxes (NaN never separates).
bool separates(const OrientedBox& a, const OrientedBox& b, Vec3 t, Vec3 axis) {
  float r = 0.0f;
  for (int k = 0; k < 3; ++k) r += std::fabs(dot(a.half[k], axis)) + std::fabs(dot(b.half[k], axis));
  return r < std::fabs(dot(t, axis));
}

}  // namespace

AABBTreeCollision::AABBTreeCollision(const float* a, const AABBTrees* tA, const float* b, const AABBTrees* tB)
    : treesA(tA), treesB(tB) {
  std::memcpy(matrixA, a, sizeof matrixA);
  std::memcpy(matrixB, b, sizeof matrixB);
}

bool AABBTreeCollision::overlap(const AABB& boxA, const AABB& boxB) const {
  const OrientedBox a = place(matrixA, boxA);
  const OrientedBox b = place(matrixB, boxB);
  const Vec3 t = sub(b.centre, a.centre);
  for (int i = 0; i < 3; ++i) {
    if (separates(a, b, t, a.axis[i])) return false;
    if (separates(a, b, t, b.axis[i])) return false;
    for (int j = 0; j < 3; ++j) {
      if (separates(a, b, t, cross(a.axis[i], b.axis[j]))) return false;
    }
  }
  return true;
}

// Descends while the boxes overlap. A node read from a foreign cache file may
// have one child only; the missing side is simply no collision.
bool AABBTreeCollision::collideNodes(const AABBNode& a, const AABBNode& b) const {
  if (!overlap(a.box, b.box)) return false;
  const bool aLeaf = a.isLeaf(), bLeaf = b.isLeaf();
  if (aLeaf && bLeaf) return true;
  auto pair = [this](const SmartPointer<AABBNode>& x, const SmartPointer<AABBNode>& y) {
    return x && y && collideNodes(*x, *y);
  };
  if (aLeaf) {
    return (b.left && collideNodes(a, *b.left)) || (b.right && collideNodes(a, *b.right));
  }
  if (bLeaf) {
    return (a.left && collideNodes(*a.left, b)) || (a.right && collideNodes(*a.right, b));
  }
  return pair(a.left, b.left) || pair(a.left, b.right) || pair(a.right, b.left) || pair(a.right, b.right);
}

bool AABBTreeCollision::collide() {
  if (!treesA || !treesB) return false;
  for (const auto& a : *treesA) {
    if (!a) continue;
    for (const auto& b : *treesB) {
      if (b && collideNodes(*a, *b)) return true;
    }
  }
  return false;
}

}  // namespace qor
