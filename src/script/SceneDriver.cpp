#include "script/SceneDriver.h"

#include "parser.hpp"

namespace qor {

bool SceneDriver::parse(const std::string& fileName) {
  file = fileName;
  text_ = nullptr;
  return run();
}

bool SceneDriver::parseText(const std::string& name, const std::string& text) {
  file = name;
  text_ = &text;
  const bool ok = run();
  text_ = nullptr;
  return ok;
}

bool SceneDriver::run() {
  failed = false;
  scanBegin();
  if (!failed) {
    yy::SceneParser parser(*this);
    parser.set_debug_level(traceParsing ? 1 : 0);
    parser.parse();
  }
  scanEnd();
  return !failed;
}

void SceneDriver::error(const yy::location& where, const std::string& message) {
  failed = true;
  if (errorSink) errorSink(file, where.begin.line, where.begin.column, message);
}

void SceneDriver::error(const std::string& message) {
  failed = true;
  if (errorSink) errorSink(file, 0, 0, message);
}

}  // namespace qor
