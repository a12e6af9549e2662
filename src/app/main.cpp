// Entry point of kelvo-viewer. It runs in its installation folder: the
// working directory holds "Data/ScreenSettings.txt" and the show's files.
// --help and --version answer before anything opens a window, so they work
// without a display.

#include "app/App.h"
#include "base/Version.h"

#include <cstdio>
#include <cstring>

namespace {

const char kUsage[] =
    "usage: kelvo-viewer [--help] [--version]\n"
    "\n"
    "Runs the show: four slides, the game in the ward, the end slide. Start it\n"
    "in its installation folder: the working directory holds\n"
    "\"Data/ScreenSettings.txt\" (width, height, and 't' for full screen) and\n"
    "the show's files. Click for the next slide; in the game Up steps, Left,\n"
    "Right and Down turn, F2 opens the console; Escape quits.\n"
    "\n"
    "  --help      show this text\n"
    "  --version   show the version\n"
    "\n"
    "Exit status: 0 after a normal end, 1 when no window can be opened, 2 on a\n"
    "usage error.\n";

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (std::strcmp(a, "--version") == 0) {
      std::printf("kelvo-viewer %s\n", kelvo::kVersion);
      return 0;
    }
    std::fprintf(stderr, "kelvo-viewer: unknown argument %s\nTry 'kelvo-viewer --help' for more information.\n", a);
    return 2;
  }
  return qor::runViewer();
}
