#pragma once
// Inlining hints for the evaluator's hot paths, which recurse as deep as
// scripts nest.
//
// KELVO_ALWAYS_INLINE expands a small function into its callers in
// optimised builds, where the hot paths rely on it. Unoptimised and
// sanitized builds keep it a call: expanded there, every helper's locals
// would get their own padded slots in the recursive frames, and nesting as
// deep as the limit allows would no longer fit the stack.
//
// KELVO_COLD keeps a rare path out of line, so that the hot function that
// calls it (a runner, a loop) needs no stack frame of its own on its common
// path and the slow path's code stays out of the way.
//
// KELVO_INLINE_IN_FAST_BUILDS expands a function with large locals in
// optimised builds as well, and keeps it out of line in the others, so that
// its locals stay out of a recursive caller's padded frame.

#if defined(__SANITIZE_ADDRESS__)
#define KELVO_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KELVO_SANITIZED 1
#endif
#endif

#if defined(__OPTIMIZE__) && !defined(KELVO_SANITIZED)
#define KELVO_ALWAYS_INLINE [[gnu::always_inline]] inline
#define KELVO_INLINE_IN_FAST_BUILDS [[gnu::always_inline]] inline
#else
#define KELVO_ALWAYS_INLINE inline
#define KELVO_INLINE_IN_FAST_BUILDS [[gnu::noinline]]
#endif

#define KELVO_COLD [[gnu::noinline, gnu::cold]]
