#include "authoring/ModelView.h"

#include "model/ModelImported.h"
#include "util/MappedFile.h"
#include "util/Warnings.h"

#include <algorithm>

namespace kelvo::authoring {

namespace {

bool sameLetters(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

// A white key light up and to the right of the default camera's eye, with a
// little ambient light for the sides it misses, and a dim grey fill light
// from behind and below, so that a turned model shows no black side.
constexpr const char* kLights =
    "key = Light(); key.setAmbientX(0.15); key.setAmbientY(0.15); key.setAmbientZ(0.15); "
    "fill = Light(); fill.setDiffuseX(0.35); fill.setDiffuseY(0.35); fill.setDiffuseZ(0.35); "
    "fill.setSpecularX(0); fill.setSpecularY(0); fill.setSpecularZ(0); ";

}  // namespace

bool isModelFile(std::string_view path) {
  const std::size_t slash = path.find_last_of('/');
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return false;
  const std::string_view extension = name.substr(dot + 1);
  return sameLetters(extension, "obj") || qor::isImportedFormat(extension);
}

std::optional<std::string> quoteScriptString(std::string_view text) {
  if (!text.empty() && text.back() == '\\') return std::nullopt;
  const bool hasDouble = text.find('"') != std::string_view::npos;
  const bool hasSingle = text.find('\'') != std::string_view::npos;
  if (hasDouble && hasSingle) return std::nullopt;
  const char quote = hasDouble ? '\'' : '"';
  std::string literal;
  literal.reserve(text.size() + 2);
  literal += quote;
  literal += text;
  literal += quote;
  return literal;
}

bool modelViewScript(const std::string& path, std::string& script, std::string& error) {
  if (!qor::canReadRegularFile(path)) {
    error = "cannot open the model " + path + ": " + qor::describeUnreadableFile(path);
    return false;
  }
  // The script is named after the model, so a name relative to it is the
  // model's own name within its folder (a backslash is no folder separator
  // here, as for every name the scripts give).
  const std::size_t slash = path.find_last_of('/');
  const std::optional<std::string> name = quoteScriptString(slash == std::string::npos ? path : path.substr(slash + 1));
  if (!name) {
    error = "cannot show the model " + path +
            ": a scene script cannot name it (it holds both kinds of quote, or ends in a backslash)";
    return false;
  }
  // One line: the places in the messages about it stay on line 1.
  script = std::string(kLights) + "scene = Group(Group(translate(1.5, 2, 3), key), Group(translate(-2, -1.5, -3), fill), " +
           "Model(" + *name + "));\n";
  return true;
}

}  // namespace kelvo::authoring
