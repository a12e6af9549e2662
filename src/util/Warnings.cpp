#include "util/Warnings.h"

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

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

std::string describeUnreadableFile(const std::string& path, std::string_view whenReadable) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) return describeOpenError(errno);
  if (S_ISDIR(info.st_mode)) return describeOpenError(EISDIR);
  if (!S_ISREG(info.st_mode)) return describeOpenError(0);
  if (::access(path.c_str(), R_OK) != 0) return describeOpenError(errno);
  return std::string(whenReadable);
}

}  // namespace qor
