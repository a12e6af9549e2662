#pragma once
// A hidden SDL window with a legacy GL context, made once for the whole
// test binary (registered as a GoogleTest environment).

namespace scene_test {

// True once the context is current; tests that need GL assert it.
bool glReady();

}  // namespace scene_test
