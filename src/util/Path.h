#pragma once
// Path helpers shared by the script loader, the model manager, materials and
// shadows. They work on the text of a path only; nothing touches the disk.

#include <string>
#include <string_view>

namespace qor::path {

// The part after the last "/", else after the last "\", else the whole path.
std::string fileName(std::string_view path);
// The part after the last "." of the whole path; the whole path without one.
std::string extension(std::string_view path);
// The file name without everything from its last ".".
std::string baseName(std::string_view path);
// The part before the last "/" (a "\" does not count); the whole path without one.
std::string directory(std::string_view path);
// Resolves `rel` against the location of the file `dir`:
// join("./Data/Models/room.obj", "../Textures/wall.jpg") == "./Data/Textures/wall.jpg".
std::string join(std::string_view dir, std::string_view rel);

}  // namespace qor::path
