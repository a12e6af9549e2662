#include "scene/GeometryNode.h"

#include "material/Material.h"
#include "model/IModel.h"
#include "scene/Scene.h"

#include <GL/gl.h>

#include <cmath>
#include <cstring>

namespace qor {

GeometryNode::GeometryNode(const SmartPointer<IModel>& model, bool visible, bool castShadow)
    : ISceneNode(kGeometry), model(model), visible(visible), castShadow(castShadow) {}

GeometryNode::~GeometryNode() = default;

void GeometryNode::traverse(TraversalState& walk) {
  // Captured whether or not the node is drawn, so the matrix is current.
  std::memcpy(modelView, walk.matrix, sizeof modelView);
  if (!visible) return;

  const float* m = modelView;
  // c = M (0, 0, 0, 1): the eye-space local origin; e = M (1, 1, 1, 1).
  const float cx = m[12], cy = m[13], cz = m[14];
  const float ex = m[0] + m[4] + m[8] + m[12];
  const float ey = m[1] + m[5] + m[9] + m[13];
  const float ez = m[2] + m[6] + m[10] + m[14];
  const float dx = cx - ex, dy = cy - ey, dz = cz - ez;
  depth = std::sqrt(cx * cx + cy * cy + cz * cz) - std::sqrt(dx * dx + dy * dy + dz * dz);

  scene.renderQueue.emplace_back(this);
}

SceneNodePtr GeometryNode::clone() const {
  auto* copy = new GeometryNode(model, visible, castShadow);
  copy->useDefaultMaterial = useDefaultMaterial;
  if (material) copy->material = material->CloneMaterial();
  return SceneNodePtr(copy);
}

bool GeometryNode::drawsIn(uint8_t flags) const {
  if (!model) return false;
  return !useDefaultMaterial && material ? model->drawsIn(flags, material) : model->drawsIn(flags);
}

void GeometryNode::draw(uint8_t flags) const {
  if (!model) return;
  if (!useDefaultMaterial && material) {
    model->draw(flags, material);
  } else {
    model->draw(flags);
  }
}

}  // namespace qor
