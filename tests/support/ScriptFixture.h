#pragma once
// Shared set-up for the script and scene-object tests: a clean interpreter
// with the built-ins registered, "print" output captured, helpers to parse
// and run text and to read values; ObjectsTest adds a clean global Scene,
// material library and model cache and the C++ objects behind script values.

#include "base/memory/IMMObject.h"
#include "material/MaterialLibrary.h"
#include "scene/ModelManager.h"
#include "scene/Scene.h"
#include "script/Builtins.h"
#include "script/Diagnostics.h"
#include "script/Interpreter.h"
#include "script/Output.h"
#include "script/SceneDriver.h"
#include "script/datatypes/DataCamera.h"
#include "script/datatypes/DataMaterial.h"
#include "script/datatypes/DataSceneNode.h"
#include "script/TimerManager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace scripttest {

using qor::DataPtr;

inline void captureOutput(std::string_view text, void* context) {
  static_cast<std::string*>(context)->append(text);
}

class ScriptTest : public ::testing::Test {
protected:
  void SetUp() override { fresh(); }
  void TearDown() override {
    qor::script::setOutputSink(nullptr);
    qor::script::setDiagnosticSink({});
    clean();
  }
  static void clean() {
    qor::script::resetInterpreter();
    qor::script::clearKeyBindings();
    qor::script::sceneValue() = nullptr;
    qor::timerManager.clear();
    qor::collectGarbage();
  }
  // An empty interpreter again, for tables whose cases must not see each other.
  void fresh() {
    clean();
    qor::script::registerBuiltins();
    qor::script::setOutputSink(&captureOutput, &out);
    errors.clear();
  }

  // Parses text as a new file; errors are collected as "LINE.COLUMN: message".
  bool load(const std::string& text) {
    index = qor::script::addFile("test.txt");
    qor::SceneDriver driver;
    driver.errorSink = [this](const std::string&, int line, int column, const std::string& message) {
      errors.push_back(std::to_string(line) + "." + std::to_string(column) + ": " + message);
    };
    return driver.parseText("test.txt", text);
  }

  // Parses and runs text as the scene loader runs a file; returns the output.
  std::string run(const std::string& text) {
    load(text);
    out.clear();
    qor::script::setRunningFile(index);
    qor::script::runRecord(index);
    return out;
  }

  // An expression (a variable, say) as "TYPE text": "int 3", "List (1, 2)",
  // "float 0.5000"; "null" when it has no value.
  std::string eval(const std::string& expression) {
    std::string s = run("__v = " + expression + "; print(TYPE(__v), \" \", __v);");
    if (!s.empty()) s.pop_back();
    return s.empty() ? "null" : s;
  }

  // From now on every diagnostic is kept in `diagnostics`, as the tools
  // print it ("FILE:LINE.COLUMN: warning: TEXT"); stopDiagnostics() first
  // adds the repeat notes, then turns the channel off again.
  void captureDiagnostics() {
    diagnostics.clear();
    qor::script::setDiagnosticSink(
        [this](const qor::script::Diagnostic& d) { diagnostics.push_back(qor::script::formatDiagnostic(d)); });
  }
  void stopDiagnostics() {
    qor::script::finishDiagnostics();
    qor::script::setDiagnosticSink({});
  }

  qor::Value* global(const std::string& name) { return qor::script::findFileVariable(qor::intern(name)); }

  std::string out;
  std::vector<std::string> errors;
  std::vector<std::string> diagnostics;
  std::size_t index = 0;
};

}  // namespace scripttest

namespace objectstest {

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

  // The C++ objects behind global script values; null when the variable is
  // missing or holds another type.
  template <class D>
  D* value(const std::string& name, int32_t tag) {
    qor::Value* v = global(name);
    return v && v->object() && v->object()->tag() == tag ? static_cast<D*>(v->object()) : nullptr;
  }
  template <class T = qor::ISceneNode>
  T* node(const std::string& name) {
    auto* v = value<qor::DataSceneNode>(name, qor::kTagSceneNode);
    return v ? static_cast<T*>(v->node.get()) : nullptr;
  }
  qor::Camera* camera(const std::string& name) {
    auto* v = value<qor::DataCamera>(name, qor::kTagCamera);
    return v ? v->camera.get() : nullptr;
  }
  qor::Material* material(const std::string& name) {
    auto* v = value<qor::DataMaterial>(name, qor::kTagMaterial);
    return v ? v->material.get() : nullptr;
  }
};

}  // namespace objectstest
