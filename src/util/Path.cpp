#include "util/Path.h"

namespace qor::path {

std::string fileName(std::string_view path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) slash = path.rfind('\\');
  if (slash == std::string_view::npos) return std::string(path);
  return std::string(path.substr(slash + 1));
}

std::string extension(std::string_view path) {
  std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos) return std::string(path);
  return std::string(path.substr(dot + 1));
}

std::string baseName(std::string_view path) {
  std::string name = fileName(path);
  std::size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.erase(dot);
  return name;
}

std::string directory(std::string_view path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return std::string(path);
  return std::string(path.substr(0, slash));
}

namespace {

// The folder that holds `path`. A name without any "/" lies in the current
// directory, whose prefix is empty (taking the whole name as its own folder
// would put every neighbour of "scene.txt" under "scene.txt/").
std::string parentFolder(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return std::string();
  return path.substr(0, slash);
}

}  // namespace

std::string join(std::string_view dirIn, std::string_view relIn) {
  std::string dir(dirIn);
  std::string_view rel = relIn;
  if (dir.find('.') != std::string::npos) dir = parentFolder(dir);
  while (rel.find("../") != std::string_view::npos) {
    // "../" contains a "/", so the cut always makes progress.
    rel.remove_prefix(rel.find('/') + 1);
    dir = parentFolder(dir);
  }
  if (dir.empty()) return std::string(rel);
  std::string out;
  out.reserve(dir.size() + 1 + rel.size());
  out += dir;
  out += '/';
  out += rel;
  return out;
}

}  // namespace qor::path
