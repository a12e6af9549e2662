#pragma once
// A hidden SDL window with a legacy GL context, made once for the whole
// test binary (registered as a GoogleTest environment). Unlike
// tests/support/GLContext, it never tears SDL down: these tests draw, and
// once SDL_Quit has unloaded the GL driver the leak checker can no longer
// attribute (and suppress) the driver's own allocations.

namespace scene_test {

// True once the context is current; tests that need GL assert it.
bool glReady();

}  // namespace scene_test
