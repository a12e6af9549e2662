#pragma once
// Base of every node of the scene tree.
//
// Once a frame the renderer calls `traverse` on the root. Transform nodes
// change the current model-view matrix; light and geometry nodes record
// themselves, with what they need from that matrix, in the per-frame lists
// of the global Scene. Nothing is drawn during the walk. `traverse` needs a
// current GL context with the model-view matrix mode selected: the walk
// starts from GL's current matrix and leaves its own last matrix there, as
// if each node had changed GL's matrix itself; in between, the matrix is
// kept in the walk (one GL call per node, a read back from GL per geometry
// node and a GL stack that holds 32 levels would cost more than the walk).

#include "base/memory/IMMObject.h"
#include "base/memory/SmartPointer.h"

#include <cstdint>

namespace qor {

// What one walk of the tree carries down from group to group: the current
// model-view matrix, column-major as GL keeps it. A group saves it before
// its children and restores it after them, as a push and pop would.
struct TraversalState {
  float matrix[16];

  // matrix = matrix * T(x, y, z), as glTranslatef.
  void translate(float x, float y, float z) {
    for (int i = 0; i < 4; ++i) matrix[12 + i] = matrix[i] * x + matrix[4 + i] * y + matrix[8 + i] * z + matrix[12 + i];
  }
  // matrix = matrix * S(x, y, z), as glScalef.
  void scale(float x, float y, float z) {
    for (int i = 0; i < 4; ++i) {
      matrix[i] *= x;
      matrix[4 + i] *= y;
      matrix[8 + i] *= z;
    }
  }
  // matrix = matrix * R for a matrix R whose last row and column are those
  // of the identity (a rotation), as glMultMatrixf.
  void multiplyLinear(const float r[16]) {
    float m[12];
    for (int col = 0; col < 3; ++col) {
      for (int row = 0; row < 4; ++row) {
        m[col * 4 + row] = matrix[row] * r[col * 4] + matrix[4 + row] * r[col * 4 + 1] + matrix[8 + row] * r[col * 4 + 2];
      }
    }
    for (int i = 0; i < 12; ++i) matrix[i] = m[i];
  }
};

class ISceneNode : public IMMObject {
public:
  // Node kinds. They are single bits (scripts test them), so a node is a
  // transform exactly when `kind & kTransformMask` is not zero.
  enum Kind : int32_t {
    kScale = 1,
    kRotate = 2,
    kTranslate = 4,
    kGroup = 8,
    kLight = 16,
    kGeometry = 32,
  };
  static constexpr int32_t kTransformMask = kScale | kRotate | kTranslate;

  explicit ISceneNode(int32_t nodeKind) : kind(nodeKind) {}

  // The per-frame walk from this node down: a new walk from GL's current
  // model-view matrix, which gets the walk's last matrix at the end.
  void traverse();
  // One step of a walk in progress.
  virtual void traverse(TraversalState& walk) = 0;
  // A new, independent copy; for a group, of its whole subtree.
  virtual SmartPointer<ISceneNode> clone() const = 0;

  bool isTransform() const { return (kind & kTransformMask) != 0; }

  const int32_t kind;
};

using SceneNodePtr = SmartPointer<ISceneNode>;

}  // namespace qor
