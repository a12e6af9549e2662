#pragma once
// Problems a lower layer meets with the files a script asked for (a model, a
// material library, a texture, a sound that cannot be read). The layer goes
// on with its fallback, as it always has, and tells whoever listens through
// this hook; the script layer installs one that adds the place of the script
// call that asked for the file. With no hook set nothing is reported, and
// callers can skip building the text (warningsWanted()).

#include <string>
#include <string_view>

namespace qor {

using WarningHook = void (*)(std::string_view text);
void setWarningHook(WarningHook hook);

namespace detail {
extern WarningHook warningHook;
}
inline bool warningsWanted() { return detail::warningHook != nullptr; }
// Passes text ("cannot open model \"x.obj\": no such file") to the hook.
void warn(std::string_view text);

// Why a file could not be opened, for such a text: "no such file",
// "permission denied", ... from an errno value; 0 stands for a name that
// is there but is no regular file (a FIFO, a device), which readers refuse.
std::string describeOpenError(int errnum);
// The same for a path a reader could not use, found by looking at it now:
// missing, a folder, no regular file, not readable; `whenReadable` when it
// looks readable (a reader that decodes names its format: "not a WAV sound
// that can be decoded"; else the file vanished, or a read failed).
std::string describeUnreadableFile(const std::string& path, std::string_view whenReadable = "it could not be read");

}  // namespace qor
