#pragma once
// The per-user copy of the show's files that kelvo-show runs the show in.
//
// The installed files (share/kelvo/game) belong to the system and cannot be
// written, but the show writes beside its files: collision and shadow
// caches in each model's "tmp" folder, the board dump "newTablero.txt" and
// "stdin". So the show runs in a copy the user owns, made on the first run
// and brought up to date whenever the installed files change (a new
// version, a reinstall with other contents). Everything else in the copy
// (the caches, the dumps, files the user added) stays as it is.
//
// Nothing is written through a symbolic link: the installed tree's links
// are not copied, and a link in the copy where a folder of the show belongs
// stops the copy with an error instead of being followed out of it.

#include <string>
#include <string_view>
#include <vector>

namespace kelvo::show {

// The name of the file in the copy that records what it was made from: the
// version, the fingerprint of the installed files and their list.
inline constexpr char kStampName[] = ".kelvo-show-stamp";

// The copy's folder: $XDG_DATA_HOME/kelvo/game when XDG_DATA_HOME is an
// absolute path, else $HOME/.local/share/kelvo/game; empty when neither is
// usable (no absolute HOME either). Either argument may be null.
std::string userCopyFolder(const char* xdgDataHome, const char* home);

// The regular files under `folder`, as sorted paths relative to it ("a/b").
// Symbolic links, FIFOs and devices are skipped; folders are entered only
// when they are real folders. False when `folder` is not a folder.
bool listRegularFiles(const std::string& folder, std::vector<std::string>& files);

struct SyncResult {
  bool ok = false;
  bool copied = false;  // files were copied (first run, installed files changed, or some were missing)
  std::string error;    // what went wrong, when !ok
};

// Brings `copy` up to date with `installed`: when the stamp in `copy` does
// not match `version` and the installed files, every installed file is
// copied over (written beside and renamed), files that an earlier
// installation had and this one has not are removed, and the stamp is
// written last, so a copy cut short is done again on the next run.
// When the stamp matches, only files of the show missing from the copy are
// copied again. `copy` and its parent folders are made as needed.
SyncResult syncUserCopy(const std::string& installed, const std::string& copy, std::string_view version);

}  // namespace kelvo::show
