#include "scene/TransformNodes.h"


#include <cmath>

namespace qor {

void TranslateNode::traverse(TraversalState& walk) { walk.translate(x, y, z); }

SceneNodePtr TranslateNode::clone() const { return SceneNodePtr(new TranslateNode(x, y, z)); }

void ScaleNode::traverse(TraversalState& walk) { walk.scale(x, y, z); }

SceneNodePtr ScaleNode::clone() const { return SceneNodePtr(new ScaleNode(x, y, z)); }

void RotateNode::matrix(float m[16]) const {
  // Unit quaternion of the rotation by -angle; the matrix built from it is
  // transposed below, which makes the net rotation +angle.
  const float inv = 1.0f / std::sqrt(x * x + y * y + z * z);
  const float ax = x * inv, ay = y * inv, az = z * inv;
  const float h = (-angle / 180.0f) * 3.141592654f * 0.5f;
  const float s = std::sin(h);
  const float qx = ax * s, qy = ay * s, qz = az * s, qw = std::cos(h);

  // Row-major rows of the quaternion's matrix ...
  const float r[3][3] = {
      {1.0f - 2.0f * (qy * qy + qz * qz), 2.0f * (qx * qy + qw * qz), 2.0f * (qx * qz - qw * qy)},
      {2.0f * (qx * qy - qw * qz), 1.0f - 2.0f * (qx * qx + qz * qz), 2.0f * (qy * qz + qw * qx)},
      {2.0f * (qx * qz + qw * qy), 2.0f * (qy * qz - qw * qx), 1.0f - 2.0f * (qx * qx + qy * qy)},
  };
  // ... transposed into GL's column-major layout: m[column * 4 + row].
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 3; ++col) m[col * 4 + row] = r[row][col];
    m[12 + row] = 0.0f;
    m[row * 4 + 3] = 0.0f;
  }
  m[15] = 1.0f;
}

void RotateNode::traverse(TraversalState& walk) {
  float m[16];
  matrix(m);
  walk.multiplyLinear(m);
}

SceneNodePtr RotateNode::clone() const { return SceneNodePtr(new RotateNode(angle, x, y, z)); }

}  // namespace qor
