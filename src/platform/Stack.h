#pragma once
// How much of the calling thread's stack is left. Deep recursion that the
// program cannot bound by a count alone (a chain of nested script files,
// each level a tall pile of frames) checks this before it goes one level
// deeper, so that it stops cleanly whatever the thread's stack size.

#include <cstddef>

namespace qor::platform {

// Bytes between the caller's frame and the low end of the calling thread's
// stack; SIZE_MAX when the thread's stack bounds cannot be learnt.
std::size_t stackLeft();

}  // namespace qor::platform
