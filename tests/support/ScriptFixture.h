#pragma once
// Shared set-up for the script tests: a clean interpreter with the built-ins
// registered, "print" output captured, and helpers to parse and run text.

#include "base/memory/IMMObject.h"
#include "script/Builtins.h"
#include "script/Interpreter.h"
#include "script/Output.h"
#include "script/SceneDriver.h"
#include "script/SyntaxTree.h"
#include "script/datatypes/DataValues.h"
#include "script/datatypes/DataVector.h"
#include "util/time/TimerManager.h"

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
