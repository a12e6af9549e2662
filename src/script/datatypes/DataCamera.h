#pragma once
// The script type "Camera": a value that refers to a look-at camera. It can
// be made the scene's active camera, moved, turned and read; every holder of
// the camera sees the change.

#include "scene/Camera.h"
#include "script/datatypes/IData.h"

namespace qor {

class DataCamera final : public IData {
public:
  explicit DataCamera(SmartPointer<Camera> c) : IData(kTagCamera), camera(std::move(c)) {}
  std::size_t size() const override { return sizeof(*this); }

  bool refersToObject() const override { return static_cast<bool>(camera); }
  DataPtr callMethod(script::MethodCall& m) override;

  SmartPointer<Camera> camera;  // may be null
};

DataPtr makeCamera(SmartPointer<Camera> camera);

}  // namespace qor
