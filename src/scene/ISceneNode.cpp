#include "scene/ISceneNode.h"

#include <GL/gl.h>

namespace qor {

void ISceneNode::traverse() {
  TraversalState walk;
  glGetFloatv(GL_MODELVIEW_MATRIX, walk.matrix);
  traverse(walk);
  glLoadMatrixf(walk.matrix);
}

}  // namespace qor
