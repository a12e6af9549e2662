// The GL and GLU functions the engine and its tools call, each defined here
// with the headers' own declaration and forwarding to the driver's, which is
// opened when the first of them is called. A run that never draws (a script
// run, a tool that only writes files) never maps the GL and X11 libraries,
// some 1.7 MB of every process; the window opens the same driver through SDL
// before it draws. A call that needs a library the machine lacks ends the
// program with the reason, as a missing library did when it was linked.

#include <GL/gl.h>
#include <GL/glu.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

namespace {

void* openOrEnd(const char* name) {
  void* handle = ::dlopen(name, RTLD_LAZY | RTLD_LOCAL);
  if (!handle) {
    std::fprintf(stderr, "kelvo: %s cannot be loaded: %s\n", name, ::dlerror());
    // Not exit(): destructors would call GL again.
    std::_Exit(1);
  }
  return handle;
}

void* entry(void* library, const char* libraryName, const char* name) {
  void* function = ::dlsym(library, name);
  if (!function) {
    std::fprintf(stderr, "kelvo: %s lacks %s\n", libraryName, name);
    std::_Exit(1);
  }
  return function;
}

constexpr const char* kGL = "libGL.so.1";
constexpr const char* kGLU = "libGLU.so.1";

void* glEntry(const char* name) {
  static void* const library = openOrEnd(kGL);
  return entry(library, kGL, name);
}

void* gluEntry(const char* name) {
  static void* const library = openOrEnd(kGLU);
  return entry(library, kGLU, name);
}

}  // namespace

// Each function finds the driver's on its first call.
#define KELVO_FORWARD(library, ret, name, params, args)                                \
  extern "C" ret name params {                                                         \
    static const auto driver = reinterpret_cast<ret(*) params>(library##Entry(#name)); \
    return driver args;                                                                \
  }
#define KELVO_GL(ret, name, params, args) KELVO_FORWARD(gl, ret, name, params, args)
#define KELVO_GLU(ret, name, params, args) KELVO_FORWARD(glu, ret, name, params, args)

KELVO_GL(void, glAccum, (GLenum op, GLfloat value), (op, value))
KELVO_GL(void, glAlphaFunc, (GLenum func, GLclampf ref), (func, ref))
KELVO_GL(void, glBegin, (GLenum mode), (mode))
KELVO_GL(void, glBindTexture, (GLenum target, GLuint texture), (target, texture))
KELVO_GL(void, glBlendFunc, (GLenum sfactor, GLenum dfactor), (sfactor, dfactor))
KELVO_GL(void, glCallList, (GLuint list), (list))
KELVO_GL(void, glCallLists, (GLsizei n, GLenum type, const GLvoid* lists), (n, type, lists))
KELVO_GL(void, glClear, (GLbitfield mask), (mask))
KELVO_GL(void, glClearColor, (GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha), (red, green, blue, alpha))
KELVO_GL(void, glClearDepth, (GLclampd depth), (depth))
KELVO_GL(void, glClearStencil, (GLint s), (s))
KELVO_GL(void, glColor3f, (GLfloat red, GLfloat green, GLfloat blue), (red, green, blue))
KELVO_GL(void, glColor3ub, (GLubyte red, GLubyte green, GLubyte blue), (red, green, blue))
KELVO_GL(void, glColor4f, (GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha), (red, green, blue, alpha))
KELVO_GL(void, glColorMask, (GLboolean red, GLboolean green, GLboolean blue, GLboolean alpha),
         (red, green, blue, alpha))
KELVO_GL(void, glCullFace, (GLenum mode), (mode))
KELVO_GL(void, glDeleteLists, (GLuint list, GLsizei range), (list, range))
KELVO_GL(void, glDeleteTextures, (GLsizei n, const GLuint* textures), (n, textures))
KELVO_GL(void, glDepthFunc, (GLenum func), (func))
KELVO_GL(void, glDepthMask, (GLboolean flag), (flag))
KELVO_GL(void, glDisable, (GLenum cap), (cap))
KELVO_GL(void, glDrawBuffer, (GLenum mode), (mode))
KELVO_GL(void, glEnable, (GLenum cap), (cap))
KELVO_GL(void, glEnd, (void), ())
KELVO_GL(void, glEndList, (void), ())
KELVO_GL(void, glFeedbackBuffer, (GLsizei size, GLenum type, GLfloat* buffer), (size, type, buffer))
KELVO_GL(void, glFinish, (void), ())
KELVO_GL(void, glFlush, (void), ())
KELVO_GL(void, glFogf, (GLenum pname, GLfloat param), (pname, param))
KELVO_GL(void, glFogfv, (GLenum pname, const GLfloat* params), (pname, params))
KELVO_GL(void, glFogi, (GLenum pname, GLint param), (pname, param))
KELVO_GL(void, glFrontFace, (GLenum mode), (mode))
KELVO_GL(GLuint, glGenLists, (GLsizei range), (range))
KELVO_GL(void, glGenTextures, (GLsizei n, GLuint* textures), (n, textures))
KELVO_GL(GLenum, glGetError, (void), ())
KELVO_GL(void, glGetFloatv, (GLenum pname, GLfloat* params), (pname, params))
KELVO_GL(void, glGetIntegerv, (GLenum pname, GLint* params), (pname, params))
KELVO_GL(void, glGetLightfv, (GLenum light, GLenum pname, GLfloat* params), (light, pname, params))
KELVO_GL(void, glGetMaterialfv, (GLenum face, GLenum pname, GLfloat* params), (face, pname, params))
KELVO_GL(void, glGetTexEnviv, (GLenum target, GLenum pname, GLint* params), (target, pname, params))
KELVO_GL(void, glGetTexParameteriv, (GLenum target, GLenum pname, GLint* params), (target, pname, params))
KELVO_GL(void, glHint, (GLenum target, GLenum mode), (target, mode))
KELVO_GL(GLboolean, glIsEnabled, (GLenum cap), (cap))
KELVO_GL(GLboolean, glIsList, (GLuint list), (list))
KELVO_GL(GLboolean, glIsTexture, (GLuint texture), (texture))
KELVO_GL(void, glLightf, (GLenum light, GLenum pname, GLfloat param), (light, pname, param))
KELVO_GL(void, glLightfv, (GLenum light, GLenum pname, const GLfloat* params), (light, pname, params))
KELVO_GL(void, glListBase, (GLuint base), (base))
KELVO_GL(void, glLoadIdentity, (void), ())
KELVO_GL(void, glLoadMatrixf, (const GLfloat* m), (m))
KELVO_GL(void, glMaterialf, (GLenum face, GLenum pname, GLfloat param), (face, pname, param))
KELVO_GL(void, glMaterialfv, (GLenum face, GLenum pname, const GLfloat* params), (face, pname, params))
KELVO_GL(void, glMatrixMode, (GLenum mode), (mode))
KELVO_GL(void, glNewList, (GLuint list, GLenum mode), (list, mode))
KELVO_GL(void, glNormal3f, (GLfloat nx, GLfloat ny, GLfloat nz), (nx, ny, nz))
KELVO_GL(void, glOrtho,
         (GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble near_val, GLdouble far_val),
         (left, right, bottom, top, near_val, far_val))
KELVO_GL(void, glPixelStorei, (GLenum pname, GLint param), (pname, param))
KELVO_GL(void, glPopAttrib, (void), ())
KELVO_GL(void, glPopClientAttrib, (void), ())
KELVO_GL(void, glPopMatrix, (void), ())
KELVO_GL(void, glPolygonMode, (GLenum face, GLenum mode), (face, mode))
KELVO_GL(void, glPushAttrib, (GLbitfield mask), (mask))
KELVO_GL(void, glPushClientAttrib, (GLbitfield mask), (mask))
KELVO_GL(void, glPushMatrix, (void), ())
KELVO_GL(void, glReadBuffer, (GLenum mode), (mode))
KELVO_GL(void, glReadPixels,
         (GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, GLvoid* pixels),
         (x, y, width, height, format, type, pixels))
KELVO_GL(void, glRectf, (GLfloat x1, GLfloat y1, GLfloat x2, GLfloat y2), (x1, y1, x2, y2))
KELVO_GL(GLint, glRenderMode, (GLenum mode), (mode))
KELVO_GL(void, glRotatef, (GLfloat angle, GLfloat x, GLfloat y, GLfloat z), (angle, x, y, z))
KELVO_GL(void, glShadeModel, (GLenum mode), (mode))
KELVO_GL(void, glStencilFunc, (GLenum func, GLint ref, GLuint mask), (func, ref, mask))
KELVO_GL(void, glStencilOp, (GLenum fail, GLenum zfail, GLenum zpass), (fail, zfail, zpass))
KELVO_GL(void, glTexCoord2f, (GLfloat s, GLfloat t), (s, t))
KELVO_GL(void, glTexEnvi, (GLenum target, GLenum pname, GLint param), (target, pname, param))
KELVO_GL(void, glTexGeni, (GLenum coord, GLenum pname, GLint param), (coord, pname, param))
KELVO_GL(void, glTexImage2D,
         (GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border, GLenum format,
          GLenum type, const GLvoid* pixels),
         (target, level, internalFormat, width, height, border, format, type, pixels))
KELVO_GL(void, glTexParameterf, (GLenum target, GLenum pname, GLfloat param), (target, pname, param))
KELVO_GL(void, glTexParameteri, (GLenum target, GLenum pname, GLint param), (target, pname, param))
KELVO_GL(void, glTranslatef, (GLfloat x, GLfloat y, GLfloat z), (x, y, z))
KELVO_GL(void, glVertex2f, (GLfloat x, GLfloat y), (x, y))
KELVO_GL(void, glVertex3f, (GLfloat x, GLfloat y, GLfloat z), (x, y, z))
KELVO_GL(void, glViewport, (GLint x, GLint y, GLsizei width, GLsizei height), (x, y, width, height))

KELVO_GLU(GLint, gluBuild2DMipmaps,
          (GLenum target, GLint internalFormat, GLsizei width, GLsizei height, GLenum format, GLenum type,
           const void* data),
          (target, internalFormat, width, height, format, type, data))
KELVO_GLU(void, gluLookAt,
          (GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX, GLdouble centerY, GLdouble centerZ,
           GLdouble upX, GLdouble upY, GLdouble upZ),
          (eyeX, eyeY, eyeZ, centerX, centerY, centerZ, upX, upY, upZ))
KELVO_GLU(void, gluPerspective, (GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar),
          (fovy, aspect, zNear, zFar))
