#pragma once
// The engine tests' fixture: each test gets a temporary folder and the
// global material library with its default material, and leaves the library,
// the texture cache, the scene's frame lists and the released objects empty
// behind it. EngineGLTest adds the shared GL context.

#include "material/MaterialLibrary.h"
#include "material/TextureManager.h"
#include "scene/Scene.h"
#include "support/GLContext.h"
#include "support/TempDir.h"

#include <cstdint>

namespace kelvo::test {

template <class Base>
class EngineFixture : public Base {
protected:
  void SetUp() override {
    Base::SetUp();
    qor::materialLibrary.CreateDefaultMaterial();
  }
  void TearDown() override {
    qor::scene.clearFrameLists();
    qor::materialLibrary.clear();
    qor::textureManager.releaseTextures();
    qor::collectGarbage();
  }
  TempDir dir;
};

using EngineTest = EngineFixture<::testing::Test>;
using EngineGLTest = EngineFixture<GLTest>;

// A small repeatable generator (15 bits a call) for scrambled inputs.
inline uint32_t nextRandom(uint32_t& seed) { return ((seed = seed * 1103515245u + 12345u) >> 16) & 0x7fff; }

}  // namespace kelvo::test
