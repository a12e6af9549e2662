#include "show/UserCopy.h"

#include "util/MappedFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <system_error>

namespace kelvo::show {

namespace fs = std::filesystem;

namespace {

constexpr char kStampHeader[] = "kelvo-show stamp 1\n";

// A relative path that stays inside the folder it is relative to: not empty,
// not absolute, no "." or ".." part, no empty part, no line end (a stamp
// holds one path a line).
bool staysInside(std::string_view path) {
  if (path.empty() || path.front() == '/' || path.find('\n') != std::string_view::npos) return false;
  for (std::size_t start = 0; start <= path.size();) {
    std::size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    const std::string_view part = path.substr(start, end - start);
    if (part.empty() || part == "." || part == "..") return false;
    start = end + 1;
  }
  return true;
}

// What lstat says of `path`: 0 when nothing is there, else its st_mode;
// -1 on another error.
long long kindOf(const std::string& path) {
  struct stat info;
  if (::lstat(path.c_str(), &info) == 0) return info.st_mode;
  return errno == ENOENT || errno == ENOTDIR ? 0 : -1;
}

// Makes sure every folder on the way from `root` to the file `relative` is
// a real folder, making the missing ones when `make` says so. A link or a
// file in the way is an error: following it would reach outside the copy.
bool foldersFor(const std::string& root, std::string_view relative, std::string& error, bool make = true) {
  std::string path = root;
  for (std::size_t slash = relative.find('/'); slash != std::string_view::npos; slash = relative.find('/', slash + 1)) {
    path = root + "/" + std::string(relative.substr(0, slash));
    const long long kind = kindOf(path);
    if (kind == 0 && make && ::mkdir(path.c_str(), 0777) == 0) continue;
    if (kind > 0 && S_ISDIR(kind)) continue;
    error = path + " is not a folder";
    if (kind > 0 && S_ISLNK(kind)) error = path + " is a symbolic link, not a folder";
    return false;
  }
  return true;
}

// FNV-1a, 64 bits.
struct Fingerprint {
  std::uint64_t value = 14695981039346656037ull;
  void add(std::string_view bytes) {
    for (unsigned char c : bytes) value = (value ^ c) * 1099511628211ull;
  }
  void addNumber(std::uint64_t n) {
    char text[24];
    add(std::string_view(text, static_cast<std::size_t>(std::snprintf(text, sizeof text, "%" PRIu64 ";", n))));
  }
};

struct Stamp {
  std::string version, fingerprint;
  std::vector<std::string> files;
};

std::string formatStamp(const Stamp& stamp) {
  std::string text = kStampHeader;
  text += "version " + stamp.version + "\nfingerprint " + stamp.fingerprint + "\n";
  for (const std::string& f : stamp.files) text += "file " + f + "\n";
  return text;
}

// The stamp in the copy; empty fields when there is none or it is not one.
Stamp readStamp(const std::string& path) {
  Stamp stamp;
  std::string text;
  if (!qor::readRegularFile(path, text, 16u << 20) || text.rfind(kStampHeader, 0) != 0) return stamp;
  for (std::size_t start = sizeof kStampHeader - 1; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) break;  // a last line cut short is not trusted
    const std::string_view line(text.data() + start, end - start);
    if (line.rfind("version ", 0) == 0) stamp.version = line.substr(8);
    else if (line.rfind("fingerprint ", 0) == 0) stamp.fingerprint = line.substr(12);
    else if (line.rfind("file ", 0) == 0) stamp.files.emplace_back(line.substr(5));
    start = end + 1;
  }
  return stamp;
}

}  // namespace

std::string userCopyFolder(const char* xdgDataHome, const char* home) {
  // An XDG base folder that is not absolute is to be ignored.
  if (xdgDataHome && xdgDataHome[0] == '/') return std::string(xdgDataHome) + "/kelvo/game";
  if (home && home[0] == '/') return std::string(home) + "/.local/share/kelvo/game";
  return {};
}

bool listRegularFiles(const std::string& folder, std::vector<std::string>& files) {
  files.clear();
  const long long kind = kindOf(folder);
  std::error_code ec;
  if (kind <= 0 || !S_ISDIR(kind)) {
    // The installed folder itself may be reached through a link (a
    // distribution that moves share/ elsewhere); its contents may not.
    if (!(kind > 0 && S_ISLNK(kind) && fs::is_directory(folder, ec))) return false;
  }
  // Links to folders are not entered (the default of the iterator); links to
  // files, FIFOs and devices are passed over.
  fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end;
  if (ec) return false;
  for (; it != end; it.increment(ec)) {
    if (ec) return false;
    const fs::file_status status = it->symlink_status(ec);
    if (ec || status.type() != fs::file_type::regular) continue;
    std::string relative = it->path().lexically_relative(folder).generic_string();
    if (staysInside(relative)) files.push_back(std::move(relative));
  }
  std::sort(files.begin(), files.end());
  return true;
}

SyncResult syncUserCopy(const std::string& installed, const std::string& copy, std::string_view version) {
  SyncResult result;
  Stamp now;
  now.version = version;
  if (!listRegularFiles(installed, now.files) || now.files.empty()) {
    result.error = "the show's files are not in " + installed;
    return result;
  }
  Fingerprint fingerprint;
  std::string bytes;
  for (const std::string& f : now.files) {
    if (!qor::readRegularFile(installed + "/" + f, bytes)) {
      result.error = "cannot read " + installed + "/" + f;
      return result;
    }
    fingerprint.add(f);
    fingerprint.addNumber(bytes.size());
    fingerprint.add(bytes);
  }
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016" PRIx64, fingerprint.value);
  now.fingerprint = hex;

  // The folders above the copy are the user's own to arrange (a data folder
  // that is a link elsewhere is fine); the copy itself must be a folder.
  std::error_code ec;
  fs::create_directories(fs::path(copy).parent_path(), ec);
  if (kindOf(copy) == 0) ::mkdir(copy.c_str(), 0777);
  const long long rootKind = kindOf(copy);
  if (rootKind <= 0 || !S_ISDIR(rootKind)) {
    result.error = rootKind > 0 && S_ISLNK(rootKind) ? copy + " is a symbolic link, not a folder"
                                                      : "cannot make the folder " + copy;
    return result;
  }

  const std::string stampPath = copy + "/" + kStampName;
  const Stamp before = readStamp(stampPath);
  // Up to date: only a file of the show that has gone from the copy is
  // copied again; the others, edited or not, stay as they are.
  const bool upToDate = before.version == now.version && before.fingerprint == now.fingerprint;
  for (const std::string& f : now.files) {
    if (upToDate && kindOf(copy + "/" + f) != 0) continue;
    if (!foldersFor(copy, f, result.error)) return result;
    if (!qor::readRegularFile(installed + "/" + f, bytes) || !qor::writeRegularFile(copy + "/" + f, bytes)) {
      result.error = "cannot copy " + installed + "/" + f + " to " + copy + "/" + f;
      return result;
    }
    result.copied = true;
  }
  if (upToDate) {
    result.ok = true;
    return result;
  }
  // Files the earlier installation had and this one has not. Only names of
  // ours that stay inside the copy and reach it through real folders.
  const std::set<std::string> kept(now.files.begin(), now.files.end());
  for (const std::string& f : before.files) {
    if (kept.count(f) || !staysInside(f)) continue;
    std::string ignored;
    if (!foldersFor(copy, f, ignored, false)) continue;
    const std::string path = copy + "/" + f;
    const long long kind = kindOf(path);
    if (kind > 0 && (S_ISREG(kind) || S_ISLNK(kind))) ::unlink(path.c_str());
  }
  if (!qor::writeRegularFile(stampPath, formatStamp(now))) {
    result.error = "cannot write " + stampPath;
    return result;
  }
  result.ok = result.copied = true;
  return result;
}

}  // namespace kelvo::show
