#pragma once
// The command line of the generators that write into one folder
// (kelvo-content, kelvo-gui-art): `TOOL [--help] [--] DIR`.
//
// Every argument that starts with '-' is an option, so a mistyped option
// (-V, -o …) never becomes the name of a folder the whole output
// is written into. A folder whose name starts with '-' can still be named
// after "--".

#include "base/Version.h"

#include <cstdio>
#include <cstring>

namespace kelvo::tools {

// What the command line asks for.
struct FolderArgument {
  const char* dir = nullptr;  // the output folder; null unless the tool is to run
  int exitStatus = 0;         // when `dir` is null: the status to exit with at once
};

// The options and exit statuses every such tool shares, printed after its own
// usage text.
constexpr char kFolderToolOptions[] =
    "\n"
    "  --help      show this text\n"
    "  --version   show the version\n"
    "  --          end of options: a DIR starting with '-' follows\n"
    "\n"
    "Exit status: 0 when every file was written, 1 when one could not be,\n"
    "2 on a usage error.\n";

// Parses argv. `usage` is the tool's own help text; for --help it goes to
// stdout, followed by kFolderToolOptions (status 0). It stays out of the
// messages on stderr, which name what was wrong and point to --help (status 2).
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
      std::fputs(kFolderToolOptions, stdout);
      return {nullptr, 0};
    } else if (options && std::strcmp(a, "--version") == 0) {
      std::printf("%s %s\n", tool, kelvo::kVersion);
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
