// The ".aabb" cache reader over an arbitrary file, loaded into a model with one
// cube group and checked against it; trees that load, whether they fit the
// model or not, are then used by the collision query and written back.

#include "FuzzInput.h"
#include "base/memory/IMMObject.h"
#include "base/memory/SmartPointer.h"
#include "collision/AABBNode.h"
#include "collision/AABBTreeCollision.h"
#include "model/ModelObj.h"

#include <cstddef>
#include <cstdint>

namespace {

const char kCube[] =
    "v -0.5 -0.5 -0.5\nv 0.5 -0.5 -0.5\nv 0.5 0.5 -0.5\nv -0.5 0.5 -0.5\n"
    "v -0.5 -0.5 0.5\nv 0.5 -0.5 0.5\nv 0.5 0.5 0.5\nv -0.5 0.5 0.5\n"
    "f 1 4 3 2\nf 5 6 7 8\nf 1 2 6 5\nf 4 8 7 3\nf 1 5 8 4\nf 2 3 7 6\n";

const float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string& path = kelvo::fuzz::writeInput(data, size, ".aabb");
  {
    auto model = qor::makeShared<qor::ModelObj>("/nonexistent/cube.obj");
    model->parse(kCube);
    model->normalise();
    // The check against the model, as the model manager runs it; then the
    // trees as read, fitting or not, through the query.
    qor::loadTrees(*model, path);
    if (qor::loadTrees(model->trees, path)) {
      auto other = qor::makeShared<qor::ModelObj>("/nonexistent/cube.obj");
      other->parse(kCube);
      other->normalise();
      qor::buildTrees(*other);
      qor::AABBTreeCollision query(kIdentity, model, kIdentity, other);
      query.collide();
      qor::saveTrees(*model, path);
    }
  }
  qor::collectGarbage();
  return 0;
}
