#include "util/Warnings.h"

#include <cerrno>
#include <cstring>

namespace qor {

namespace detail {
WarningHook warningHook = nullptr;
}

void setWarningHook(WarningHook hook) { detail::warningHook = hook; }

void warn(std::string_view text) {
  if (detail::warningHook) detail::warningHook(text);
}

std::string describeOpenError(int errnum) {
  switch (errnum) {
    case ENOENT: return "no such file";
    case EACCES:
    case EPERM: return "permission denied";
    case EISDIR: return "a folder, not a file";
    case ENOTDIR: return "a part of the path is not a folder";
    case ENAMETOOLONG: return "the name is too long";
    case ELOOP: return "too many symbolic links";
    case EFBIG:
    case EOVERFLOW: return "the file is too large";
    case ENOMEM: return "not enough memory";
    case 0: return "not a regular file";
    default: return std::strerror(errnum);
  }
}

}  // namespace qor
