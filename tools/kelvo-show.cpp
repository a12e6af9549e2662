// kelvo-show: runs the installed show from a copy of its files that the
// user may write to (see show/UserCopy.h), then becomes kelvo-viewer there.
//
// The installed files and the viewer are found beside this program:
// BIN/kelvo-viewer and BIN/../share/kelvo/game, so an installation moved
// elsewhere (or staged with DESTDIR) works as it stands.

#include "base/Version.h"
#include "show/UserCopy.h"

#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char kUsage[] =
    "usage: kelvo-show [--help] [--version]\n"
    "\n"
    "Runs the show (kelvo-viewer) from a copy of its files that you may write\n"
    "to, as the show writes its caches, \"newTablero.txt\" and \"stdin\" beside\n"
    "them. The copy is $XDG_DATA_HOME/kelvo/game, or\n"
    "~/.local/share/kelvo/game when XDG_DATA_HOME is not set. It is made from\n"
    "the installed share/kelvo/game on the first run and brought up to date\n"
    "whenever the installed files change; the show's caches and anything else\n"
    "you keep there stay. Changes of your own to the show's files are\n"
    "replaced at such an update; a file of the show deleted from the copy\n"
    "comes back on the next run. Symbolic links are never followed out of\n"
    "the copy.\n"
    "\n"
    "  --help      show this text\n"
    "  --version   show the version\n"
    "\n"
    "Exit status: that of kelvo-viewer; 1 when the copy cannot be made or the\n"
    "viewer cannot be started, 2 on a usage error.\n";

// The folder this program lies in, without the trailing slash; empty when
// the system does not say.
std::string programFolder() {
  char path[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return {};
  const std::string exe(path, static_cast<std::size_t>(n));
  const std::size_t slash = exe.find_last_of('/');
  return slash == std::string::npos ? std::string() : exe.substr(0, slash);
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (std::strcmp(a, "--version") == 0) {
      std::printf("kelvo-show %s\n", kelvo::kVersion);
      return 0;
    }
    std::fprintf(stderr, "kelvo-show: unknown argument %s\nTry 'kelvo-show --help' for more information.\n", a);
    return 2;
  }

  const std::string bin = programFolder();
  if (bin.empty()) {
    std::fprintf(stderr, "kelvo-show: cannot tell where kelvo-show is installed\n");
    return 1;
  }
  const std::string copy = kelvo::show::userCopyFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
  if (copy.empty()) {
    std::fprintf(stderr, "kelvo-show: neither XDG_DATA_HOME nor HOME names an absolute folder for the show's files\n");
    return 1;
  }
  const kelvo::show::SyncResult sync = kelvo::show::syncUserCopy(bin + "/../share/kelvo/game", copy, kelvo::kVersion);
  if (!sync.ok) {
    std::fprintf(stderr, "kelvo-show: %s\n", sync.error.c_str());
    return 1;
  }
  if (sync.copied) std::printf("kelvo-show: the show's files copied to %s\n", copy.c_str());
  std::fflush(stdout);

  if (::chdir(copy.c_str()) != 0) {
    std::fprintf(stderr, "kelvo-show: cannot enter %s: %s\n", copy.c_str(), std::strerror(errno));
    return 1;
  }
  const std::string viewer = bin + "/kelvo-viewer";
  char name[] = "kelvo-viewer";
  char* const args[] = {name, nullptr};
  ::execv(viewer.c_str(), args);
  std::fprintf(stderr, "kelvo-show: cannot start %s: %s\n", viewer.c_str(), std::strerror(errno));
  return 1;
}
