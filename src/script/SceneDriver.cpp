#include "script/SceneDriver.h"

#include <cstdio>
#include <new>

#include <sys/stat.h>

#include "parser.hpp"
#include "script/datatypes/DataValues.h"

int yylex(yy::SceneParser::semantic_type* value, yy::SceneParser::location_type* location, qor::SceneDriver& driver);

namespace qor {

void printErrorToStderr(const std::string& file, int line, int column, const std::string& message) {
  if (line > 0)
    std::fprintf(stderr, "%s:%d.%d: %s\n", file.c_str(), line, column, message.c_str());
  else
    std::fprintf(stderr, "%s: %s\n", file.c_str(), message.c_str());
}

std::string scriptTooLargeMessage(uint64_t bytes) {
  return "script too large: " + std::to_string(bytes) + " bytes, more than " + std::to_string(kMaxScriptBytes);
}

uint64_t oversizeScript(const std::string& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return 0;
  const uint64_t bytes = static_cast<uint64_t>(info.st_size);
  return bytes > kMaxScriptBytes ? bytes : 0;
}

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
  beginErrors();
  // A syntax tree past the memory budget (or an allocation that fails), and
  // a fault of the scanner, end the parse like an error; what was reduced
  // before stays.
  try {
    scanBegin();
    if (!failed) {
      yy::SceneParser parser(*this);
      parser.set_debug_level(traceParsing ? 1 : 0);
      parser.parse();
    }
  } catch (const std::bad_alloc&) {
    error("out of memory");
  } catch (const ScannerFault& fault) {
    scannerFault(fault.message);
  }
  scanEnd();
  endErrors();
  return !failed;
}

std::vector<ScannedToken> SceneDriver::scanText(const std::string& name, const std::string& text) {
  std::vector<ScannedToken> tokens;
  file = name;
  text_ = &text;
  failed = false;
  beginErrors();
  try {
    scanBegin();
    scanTokens(tokens);
  } catch (const ScannerFault& fault) {
    scannerFault(fault.message);
  }
  scanEnd();
  endErrors();
  text_ = nullptr;
  return tokens;
}

void SceneDriver::scanTokens(std::vector<ScannedToken>& tokens) {
  using Token = yy::SceneParser::token;
  using Parser = yy::SceneParser;
  if (failed) return;
  for (;;) {
    Parser::semantic_type value;
    Parser::location_type where;
    const int kind = yylex(&value, &where, *this);
    if (kind == Token::TOK_YYEOF) break;
    ScannedToken t;
    // Token numbers start at 258 for "identifier", whose symbol number is 3.
    t.name = Parser::symbol_name(static_cast<Parser::symbol_kind_type>(kind - 255));
    t.line = where.begin.line;
    t.column = where.begin.column;
    switch (kind) {
      case Token::TOK_IDENTIFIER:
      case Token::TOK_STRING:
        t.text = value.as<std::string>();
        value.destroy<std::string>();
        break;
      case Token::TOK_INT:
        t.text = std::to_string(value.as<int32_t>());
        value.destroy<int32_t>();
        break;
      case Token::TOK_FLOAT:
        t.text = formatFloat(value.as<float>());
        value.destroy<float>();
        break;
      case Token::TOK_BOOL:
        t.text = value.as<bool>() ? "true" : "false";
        value.destroy<bool>();
        break;
      default: break;
    }
    tokens.push_back(std::move(t));
  }
}

void SceneDriver::error(const yy::location& where, const std::string& message) {
  report(where.begin.line, where.begin.column, message);
}

void SceneDriver::error(const std::string& message) { report(0, 0, message); }

void SceneDriver::beginErrors() {
  errorsShown_ = 0;
  errorsHidden_ = 0;
}

void SceneDriver::report(int line, int column, const std::string& message) {
  failed = true;
  if (errorsShown_ == kMaxErrorsShown) {
    ++errorsHidden_;
    return;
  }
  ++errorsShown_;
  if (errorSink) errorSink(file, line, column, message);
}

void SceneDriver::endErrors() {
  if (errorsHidden_ > 0 && errorSink)
    errorSink(file, 0, 0, std::to_string(errorsHidden_) + " more errors not shown");
  errorsHidden_ = 0;
}

}  // namespace qor
