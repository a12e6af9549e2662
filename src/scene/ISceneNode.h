#pragma once
// Base of every node of the scene tree.
//
// Once a frame the renderer calls `traverse` on the root. Transform nodes
// change the current GL model-view matrix; light and geometry nodes record
// themselves, with what they need from that matrix, in the per-frame lists
// of the global Scene. Nothing is drawn during the walk. `traverse` needs a
// current GL context with the model-view matrix mode selected.

#include "base/memory/IMMObject.h"
#include "base/memory/SmartPointer.h"

#include <cstdint>

namespace qor {

// What one walk of the tree carries down from group to group: how deep the
// walk is inside groups, and how many of those levels may use the GL
// model-view stack (it is shallow: 32 entries in Mesa; past that a group
// saves and restores the matrix itself).
struct TraversalState {
  int depth = 0;
  int pushBudget = 0;
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

  // The per-frame walk from this node down: a new walk, sized to the room
  // left on the GL model-view stack.
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
