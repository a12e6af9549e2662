#include "scene/ISceneNode.h"

#include <GL/gl.h>

namespace qor {

void ISceneNode::traverse() {
  GLint depth = 1;
  GLint maxDepth = 32;
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
  glGetIntegerv(GL_MAX_MODELVIEW_STACK_DEPTH, &maxDepth);
  TraversalState walk;
  walk.pushBudget = maxDepth - depth;
  traverse(walk);
}

}  // namespace qor
