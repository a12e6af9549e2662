#include "model/IModel.h"

#include <GL/gl.h>

namespace qor {

IModel::~IModel() = default;

void IModel::deleteDisplayLists() {
  for (ModelGroup& group : groups) {
    for (uint32_t list : group.displayLists) glDeleteLists(list, 1);
    group.displayLists.clear();
  }
}

}  // namespace qor
