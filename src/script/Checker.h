#pragma once
// The static checks of `kelvo-script --check`: a script and the files it
// includes are parsed, never run, and what they say is compared with itself
// and with the signature table. Every finding goes to the diagnostics
// channel (script/Diagnostics.h): syntax errors as errors, the rest as
// warnings.

#include <string>

namespace qor {
class SceneDriver;
}

namespace qor::script {

// Parses `path` and every file it includes by a string literal (resolved as
// include resolves it, against the including file; each file once, in the
// order they are met), each into a record of its own, and warns about
//   - the precedence trap (the parser reports it),
//   - a built-in or method called with a count that none of its forms takes
//     (a `def` of that name and count anywhere in the files also takes it),
//   - a name that is only ever read: never assigned, no parameter, no
//     function or built-in (once per name, at its first read),
//   - no file assigning "scene".
// The last two need every file whole: after a syntax error they are left out.
// `driver` carries the trace switches and the error sink. Returns true when
// every file parsed.
bool checkScript(const std::string& path, SceneDriver& driver);

}  // namespace qor::script
