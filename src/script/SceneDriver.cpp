#include "script/SceneDriver.h"

#include <cstdio>
#include <new>

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
    // A syntax tree past the memory budget (or an allocation that fails)
    // ends the parse like an error; what was reduced before stays.
    try {
      yy::SceneParser parser(*this);
      parser.set_debug_level(traceParsing ? 1 : 0);
      parser.parse();
    } catch (const std::bad_alloc&) {
      error("out of memory");
    }
  }
  scanEnd();
  return !failed;
}

std::vector<ScannedToken> SceneDriver::scanText(const std::string& name, const std::string& text) {
  using Token = yy::SceneParser::token;
  using Parser = yy::SceneParser;
  std::vector<ScannedToken> tokens;
  file = name;
  text_ = &text;
  failed = false;
  scanBegin();
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
  scanEnd();
  text_ = nullptr;
  return tokens;
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
