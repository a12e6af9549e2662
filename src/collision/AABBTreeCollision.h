#pragma once
// Collision query between two placed models: each model's trees are put in
// the world by a model-view matrix and descended pairwise while their
// oriented boxes overlap.

#include "base/memory/SmartPointer.h"
#include "collision/AABBNode.h"

#include <cstddef>

namespace qor {

class ICollisionDetection {
public:
  virtual ~ICollisionDetection() = default;
  virtual bool collide() = 0;
};

class AABBTreeCollision : public ICollisionDetection {
public:
  // Matrices are 16 floats, GL column-major; they are copied. The tree lists
  // are read in place: the caller keeps them for the query's short life.
  // A null list is a missing model.
  AABBTreeCollision(const float* matrixA, const AABBTrees* treesA, const float* matrixB, const AABBTrees* treesB);

  // From two models (anything pointing at something with `trees`), each
  // placed by its matrix.
  template <class ModelPtrA, class ModelPtrB>
  AABBTreeCollision(const float* matrixA, const ModelPtrA& modelA, const float* matrixB, const ModelPtrB& modelB)
      : AABBTreeCollision(matrixA, treesOf(modelA), matrixB, treesOf(modelB)) {}

  // True when any tree of A touches any tree of B. False when either model
  // is missing or has no trees.
  bool collide() override;

  // Separating-axis test of two tree boxes placed by matrixA and matrixB.
  bool overlap(const AABB& a, const AABB& b) const;
  bool collideNodes(const AABBNode& a, const AABBNode& b) const;

  template <class ModelPtr>
  static const AABBTrees* treesOf(const ModelPtr& model) {
    return model ? &model->trees : nullptr;
  }
  static const AABBTrees* treesOf(std::nullptr_t) { return nullptr; }

  float matrixA[16];
  float matrixB[16];
  const AABBTrees* treesA;
  const AABBTrees* treesB;
};

}  // namespace qor
