#include "scene/LightNode.h"

#include "scene/Scene.h"

#include <GL/gl.h>

#include <algorithm>

namespace qor {

LightNode::LightNode() : ISceneNode(kLight) {}

LightNode::LightNode(const float a[4], const float d[4], const float s[4]) : ISceneNode(kLight) {
  std::copy(a, a + 4, ambient);
  std::copy(d, d + 4, diffuse);
  std::copy(s, s + 4, specular);
}

void LightNode::traverse(TraversalState& walk) {
  // M * (0, 0, 0, 1) is the matrix's last column.
  std::copy(walk.matrix + 12, walk.matrix + 16, position);
  if (enabled) scene.lightList.emplace_back(this);
}

SceneNodePtr LightNode::clone() const {
  auto* copy = new LightNode(ambient, diffuse, specular);
  copy->constantAttenuation = constantAttenuation;
  copy->linearAttenuation = linearAttenuation;
  copy->quadraticAttenuation = quadraticAttenuation;
  return SceneNodePtr(copy);
}

void LightNode::apply(unsigned light) const {
  const GLenum id = static_cast<GLenum>(light);
  glLightfv(id, GL_AMBIENT, ambient);
  glLightfv(id, GL_DIFFUSE, diffuse);
  glLightfv(id, GL_SPECULAR, specular);
  glLightfv(id, GL_POSITION, position);
  glLightf(id, GL_CONSTANT_ATTENUATION, constantAttenuation);
  glLightf(id, GL_LINEAR_ATTENUATION, linearAttenuation);
  glLightf(id, GL_QUADRATIC_ATTENUATION, quadraticAttenuation);
}

}  // namespace qor
