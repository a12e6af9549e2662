#pragma once
// kelvo-scene's view of a model file given in place of a scene script: the
// model, normalised by its loader into a unit box at the origin, lit by a
// key light near the default camera and a dim fill light from behind, under
// the mouse camera. The scene comes from a script made here and handed to
// the scene loader as text, named after the model file, so that its messages
// name that file and the model is found where the file is.

#include <optional>
#include <string>
#include <string_view>

namespace kelvo::authoring {

// The files shown as models rather than run as scene scripts: ".obj" and
// the formats the model importer reads (qor::importedFormats), their
// extensions compared in any case.

bool isModelFile(std::string_view path);

// `text` as a literal of the scene language, unchanged in its value. The
// scanner translates no escapes, and a backslash before the literal's own
// quote keeps it open, so the quote is whichever of " and ' the text does
// not hold. Nothing when it holds both, or ends in a backslash.
std::optional<std::string> quoteScriptString(std::string_view text);

// The scene script that shows the model file at `path`, which the loader
// runs under that same name. False, with `error` saying why, when the file
// cannot be read or its name cannot be written in the language.
bool modelViewScript(const std::string& path, std::string& script, std::string& error);

}  // namespace kelvo::authoring
