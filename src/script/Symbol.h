#pragma once
// Interned names. Every identifier of a script (variables, functions, methods)
// is turned into a small integer once, when the parser builds its node, so
// that resolving a name at run time compares integers instead of strings.
// Names are never forgotten: the table only grows with distinct spellings.

#include <cstdint>
#include <string_view>

namespace qor {

using Symbol = uint32_t;

// Sentinel returned by findSymbol for a name that was never interned.
constexpr Symbol kNoSymbol = 0xFFFFFFFFu;

// The symbol of `name`, creating it on first use.
Symbol intern(std::string_view name);
// The symbol of `name` if it exists, else kNoSymbol (never creates one).
Symbol findSymbol(std::string_view name);
// The text of a symbol; empty for an unknown one.
std::string_view symbolName(Symbol s);

}  // namespace qor
