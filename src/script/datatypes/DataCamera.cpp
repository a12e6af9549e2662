#include "script/datatypes/DataCamera.h"

#include "scene/Scene.h"
#include "script/ObjectProtocol.h"
#include "script/datatypes/DataValues.h"
#include "script/datatypes/DataVector.h"

namespace qor {

namespace {

// A new List of three new floats.
DataPtr listOf(const float v[3]) { return makeList({makeFloat(v[0]), makeFloat(v[1]), makeFloat(v[2])}); }

// Stores three converted arguments into `v`; nothing changes unless all
// three convert.
bool setThree(const script::MethodCall& m, float v[3]) {
  float x, y, z;
  if (!m.argFloat(0, x) || !m.argFloat(1, y) || !m.argFloat(2, z)) return false;
  v[0] = x;
  v[1] = y;
  v[2] = z;
  return true;
}

}  // namespace

DataPtr makeCamera(SmartPointer<Camera> camera) { return DataPtr(new DataCamera(std::move(camera))); }

DataPtr DataCamera::callMethod(script::MethodCall& m) {
  static const Symbol kSetActive = intern("setActive");
  static const Symbol kMoveForward = intern("moveFordward");
  // The usual spelling, beside the historic one that scripts use.
  static const Symbol kMoveForwardUsual = intern("moveForward");
  static const Symbol kMoveBackward = intern("moveBackward");
  static const Symbol kMoveLeft = intern("moveLeft");
  static const Symbol kMoveRight = intern("moveRight");
  static const Symbol kRotateX = intern("rotateX");
  static const Symbol kRotateY = intern("rotateY");
  static const Symbol kSetPos = intern("setPos");
  static const Symbol kSetView = intern("setView");
  static const Symbol kSetUp = intern("setUp");
  static const Symbol kGetPos = intern("getPos");
  static const Symbol kGetView = intern("getView");
  static const Symbol kGetUp = intern("getUp");

  if (!camera) return nullptr;
  Camera& cam = *camera;

  if (m.count() == 0) {
    if (m.name() == kGetPos) return listOf(cam.position);
    if (m.name() == kGetView) return listOf(cam.view);
    if (m.name() == kGetUp) return listOf(cam.up);
    if (m.name() == kSetActive) scene.camera = camera;
    return nullptr;
  }

  if (m.count() == 1) {
    const Symbol name = m.name() == kMoveForwardUsual ? kMoveForward : m.name();
    float d;
    if (name == kMoveForward || name == kMoveBackward || name == kMoveLeft || name == kMoveRight) {
      if (!m.argFloat(0, d)) return nullptr;
      cam.step = d;
      if (name == kMoveForward) cam.moveAlongView(1.0f);
      else if (name == kMoveBackward) cam.moveAlongView(-1.0f);
      else if (name == kMoveLeft) cam.strafeSideways(-1.0f);
      else cam.strafeSideways(1.0f);
    } else if (name == kRotateX) {
      if (m.argFloat(0, d)) cam.turnAroundUp(d);
    } else if (name == kRotateY) {
      if (m.argFloat(0, d)) cam.turnAroundSide(d);
    }
    return nullptr;
  }

  if (m.count() == 3) {
    if (m.name() == kSetPos) setThree(m, cam.position);
    else if (m.name() == kSetView) setThree(m, cam.view);
    else if (m.name() == kSetUp) setThree(m, cam.up);
  }
  return nullptr;
}

}  // namespace qor
