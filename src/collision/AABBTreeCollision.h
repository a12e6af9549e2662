#pragma once
// Collision query between two placed models: each model's trees are put in
// the world by a model-view matrix and descended pairwise while their
// oriented boxes overlap.

#include "base/memory/SmartPointer.h"
#include "collision/AABBNode.h"
#include "model/IModel.h"

namespace qor {

class ICollisionDetection {
public:
  virtual ~ICollisionDetection() = default;
  virtual bool collide() = 0;
};

class AABBTreeCollision : public ICollisionDetection {
public:
  // Matrices are 16 floats, GL column-major; they are copied.
  AABBTreeCollision(const float* matrixA, SmartPointer<IModel> modelA, const float* matrixB,
                    SmartPointer<IModel> modelB);

  // From two geometry nodes (anything with `modelView` and `model`): copies
  // each node's current model-view matrix and takes its model.
  template <class Node>
  AABBTreeCollision(const SmartPointer<Node>& nodeA, const SmartPointer<Node>& nodeB)
      : AABBTreeCollision(nodeA->modelView, nodeA->model, nodeB->modelView, nodeB->model) {}

  // True when any tree of A touches any tree of B. False when either model
  // is missing or has no trees.
  bool collide() override;

  // Separating-axis test of two tree boxes placed by matrixA and matrixB.
  bool overlap(const AABB& a, const AABB& b) const;
  bool collideNodes(const AABBNode& a, const AABBNode& b) const;

  float matrixA[16];
  float matrixB[16];
  SmartPointer<IModel> modelA;
  SmartPointer<IModel> modelB;
};

}  // namespace qor
