// GL and GLU are opened at the first GL call, not when the program starts:
// a run that never draws never maps them. The process is this test's own,
// so nothing else has called GL yet.

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

// Whether the process has mapped a library whose file name starts with
// `prefix` ("libGL.so", say).
bool mapped(const std::string& prefix) {
  std::ifstream maps("/proc/self/maps");
  std::string line;
  while (std::getline(maps, line)) {
    const std::size_t slash = line.rfind('/');
    if (slash != std::string::npos && line.compare(slash + 1, prefix.size(), prefix) == 0) return true;
  }
  return false;
}

TEST(GLLibraryTest, EachLibraryIsOpenedByItsFirstCall) {
  ASSERT_TRUE(mapped("libc.so")) << "the check must see the libraries the process has";
  EXPECT_FALSE(mapped("libGL.so"));
  EXPECT_FALSE(mapped("libGLU.so"));
  // With no context current GL does nothing, and answers no error.
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  EXPECT_TRUE(mapped("libGL.so"));
  EXPECT_FALSE(mapped("libGLU.so"));
  gluPerspective(45.0, 1.0, 0.1, 10.0);
  EXPECT_TRUE(mapped("libGLU.so"));
}

}  // namespace
