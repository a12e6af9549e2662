#pragma once
// Shared set-up for the script and scene-object tests: a clean interpreter
// with the built-ins registered, "print" output captured, helpers to parse and
// run text, and (ObjectsTest) a clean global Scene, material library and model
// cache plus access to the C++ objects behind script values.

#include "base/memory/IMMObject.h"
#include "material/MaterialLibrary.h"
#include "scene/ModelManager.h"
#include "scene/Scene.h"
#include "script/Builtins.h"
#include "script/Interpreter.h"
#include "script/Output.h"
#include "script/SceneDriver.h"
#include "script/SyntaxTree.h"
#include "script/datatypes/DataCamera.h"
#include "script/datatypes/DataMaterial.h"
#include "script/datatypes/DataSceneNode.h"
#include "script/datatypes/DataValues.h"
#include "script/datatypes/DataVector.h"
#include "script/TimerManager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace scripttest {

using qor::DataPtr;

inline void captureOutput(std::string_view text, void* context) {
  static_cast<std::string*>(context)->append(text);
}

// A value as "type text", "null" for none: enough to compare results.
inline std::string show(const DataPtr& v) {
  if (!v) return "null";
  std::string text;
  qor::script::setOutputSink(&captureOutput, &text);
  v->print();
  const char* type = "?";
  switch (v->tag()) {
    case qor::kTagBool: type = "bool"; break;
    case qor::kTagInt: type = "int"; break;
    case qor::kTagFloat: type = "float"; break;
    case qor::kTagString: type = "string"; break;
    case qor::kTagVector: type = "List"; break;
    case qor::kTagTime: type = "Timer"; break;
    default: break;
  }
  return std::string(type) + " " + text;
}

class ScriptTest : public ::testing::Test {
protected:
  void SetUp() override {
    clean();
    qor::script::registerBuiltins();
    qor::script::setOutputSink(&captureOutput, &out);
  }
  void TearDown() override {
    qor::script::setOutputSink(nullptr);
    clean();
  }
  static void clean() {
    qor::script::resetInterpreter();
    qor::script::clearKeyBindings();
    qor::script::sceneValue() = nullptr;
    qor::timerManager.clear();
    qor::collectGarbage();
  }

  // Parses text as a new file; errors are collected as "LINE.COLUMN: message".
  bool load(const std::string& text, const std::string& name = "test.txt") {
    index = qor::script::addFile(name);
    qor::SceneDriver driver;
    driver.errorSink = [this](const std::string&, int line, int column, const std::string& message) {
      errors.push_back(std::to_string(line) + "." + std::to_string(column) + ": " + message);
    };
    return driver.parseText(name, text);
  }

  // Parses and runs text as the scene loader runs a file; returns the output.
  std::string run(const std::string& text) {
    load(text);
    out.clear();
    qor::script::setRunningFile(index);
    qor::script::runRecord(index);
    qor::script::setOutputSink(&captureOutput, &out);
    return out;
  }

  // The value of one expression, evaluated as a top-level statement.
  std::string eval(const std::string& expression) {
    run("__result = " + expression + ";");
    qor::script::setOutputSink(&captureOutput, &out);
    DataPtr* slot = global("__result");
    std::string s = show(slot ? *slot : nullptr);
    qor::script::setOutputSink(&captureOutput, &out);
    return s;
  }

  DataPtr* global(const std::string& name) {
    for (std::size_t i = 0; i < qor::script::fileCount(); ++i)
      if (DataPtr* slot = qor::script::record(i).variables.find(name)) return slot;
    return nullptr;
  }
  std::string showGlobal(const std::string& name) {
    DataPtr* slot = global(name);
    std::string s = show(slot ? *slot : nullptr);
    qor::script::setOutputSink(&captureOutput, &out);
    return s;
  }

  std::string out;
  std::vector<std::string> errors;
  std::size_t index = 0;
};

}  // namespace scripttest

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
