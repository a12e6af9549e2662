#pragma once
// The command line of the generators that write into one folder
// (kelvo-content, kelvo-gui-art): `TOOL [--help] [--] DIR`.
//
// Every argument that starts with '-' is an option, so a mistyped option
// (--version, -V, -o …) never becomes the name of a folder the whole output
// is written into. A folder whose name starts with '-' can still be named
// after "--".

#include <cstdio>
#include <cstring>

namespace kelvo::tools {

// What the command line asks for.
struct FolderArgument {
  const char* dir = nullptr;  // the output folder; null unless the tool is to run
  int exitStatus = 0;         // when `dir` is null: the status to exit with at once
};

// Parses argv. `usage` is the whole help text; it goes to stdout for --help
// (status 0) and stays out of the messages on stderr, which name what was
// wrong and point to --help (status 2).
inline FolderArgument parseFolderArgument(int argc, char** argv, const char* tool, const char* usage) {
  FolderArgument result;
  auto refuse = [&](const char* what, const char* arg) {
    std::fprintf(stderr, "%s: %s%s\nTry '%s --help' for more information.\n", tool, what, arg ? arg : "", tool);
    result = {nullptr, 2};
    return result;
  };
  const char* dir = nullptr;
  bool options = true;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (options && std::strcmp(a, "--") == 0) {
      options = false;
    } else if (options && (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0)) {
      std::fputs(usage, stdout);
      return {nullptr, 0};
    } else if (options && a[0] == '-') {
      return refuse("unknown option ", a);
    } else if (a[0] == '\0') {
      return refuse("the folder name is empty", nullptr);
    } else if (dir) {
      return refuse("only one folder, please: ", a);
    } else {
      dir = a;
    }
  }
  if (!dir) return refuse("no folder given", nullptr);
  return {dir, 0};
}

}  // namespace kelvo::tools
