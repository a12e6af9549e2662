#pragma once
// Script tests of the scene objects: the script fixture plus a clean global
// Scene, material library and model cache around every test, and helpers to
// reach the C++ objects behind script values.

#include "../script/script_fixture.h"

#include "material/MaterialLibrary.h"
#include "scene/ModelManager.h"
#include "scene/Scene.h"
#include "script/datatypes/DataCamera.h"
#include "script/datatypes/DataMaterial.h"
#include "script/datatypes/DataSceneNode.h"

namespace objectstest {

using qor::DataPtr;

class ObjectsTest : public scripttest::ScriptTest {
protected:
  void SetUp() override {
    cleanScene();
    ScriptTest::SetUp();
    qor::materialLibrary.CreateDefaultMaterial();
  }
  void TearDown() override {
    ScriptTest::TearDown();
    cleanScene();
  }
  static void cleanScene() {
    qor::scene.root = nullptr;
    qor::scene.camera = nullptr;
    qor::scene.clearFrameLists();
    qor::materialLibrary.clear();
    qor::modelManager.Clear();
    qor::collectGarbage();
  }

  // The object behind a global script variable, null when the variable is
  // missing or holds another type.
  qor::ISceneNode* node(const std::string& name) {
    DataPtr* v = global(name);
    if (!v || !*v || (*v)->tag() != qor::kTagSceneNode) return nullptr;
    return static_cast<qor::DataSceneNode*>(v->get())->node.get();
  }
  template <class T>
  T* nodeAs(const std::string& name) {
    return static_cast<T*>(node(name));
  }
  qor::Camera* camera(const std::string& name) {
    DataPtr* v = global(name);
    if (!v || !*v || (*v)->tag() != qor::kTagCamera) return nullptr;
    return static_cast<qor::DataCamera*>(v->get())->camera.get();
  }
  qor::Material* material(const std::string& name) {
    DataPtr* v = global(name);
    if (!v || !*v || (*v)->tag() != qor::kTagMaterial) return nullptr;
    return static_cast<qor::DataMaterial*>(v->get())->material.get();
  }
  // Puts a C++ value into a global variable of the running file.
  void setGlobal(const std::string& name, DataPtr value) {
    qor::script::lastRecord().variables.set(std::string_view(name), std::move(value));
  }
};

}  // namespace objectstest
