#pragma once
// Assertions for programming errors. They stay on in every build: a broken
// invariant stops the program with the expression, file and line instead of
// running on with corrupted state. Ordinary input never trips them.

namespace qor {
[[noreturn]] void assertionFailed(const char* expression, const char* file, int line);
}

#define QOR_ASSERT(expr) \
  (__builtin_expect(!!(expr), 1) ? (void)0 : ::qor::assertionFailed(#expr, __FILE__, __LINE__))
