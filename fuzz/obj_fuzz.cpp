// The OBJ reader over arbitrary text, in memory and without GL: parse,
// normalise into the unit box, then build the collision trees over whatever
// faces were kept (the trees index the parsed vertices).

#include "base/memory/IMMObject.h"
#include "base/memory/SmartPointer.h"
#include "collision/AABBNode.h"
#include "material/MaterialLibrary.h"
#include "model/ModelObj.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  {
    // A name that does not exist: the constructor loads nothing, and "mtllib"
    // lines resolve against a folder that is not there.
    auto model = qor::makeShared<qor::ModelObj>("/nonexistent/fuzz.obj");
    model->parse(std::string_view(reinterpret_cast<const char*>(data), size));
    model->normalise();
    qor::buildTrees(*model);
  }
  qor::materialLibrary.clear();
  qor::collectGarbage();
  return 0;
}
