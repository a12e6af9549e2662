#include "scene/OpenGLRenderer.h"

#include "material/Material.h"
#include "scene/Camera.h"
#include "scene/FrustumCulling.h"
#include "scene/Scene.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cstring>
#include <limits>

namespace qor {

SmartPointer<IRenderer> renderer;
ViewSize defaultViewSize;
RenderHooks renderHooks;
RenderStats renderStats;

const platform::PixelFormat OpenGLRenderer::kPixelFormat{};

namespace {

// Draw masks of the two passes: bit 1 opaque parts (material alpha 1 or
// more), bit 2 translucent parts, bit 4 colours, bit 8 textures.
constexpr uint8_t kOpaquePass = 1 | 4 | 8;
constexpr uint8_t kTranslucentPass = 2 | 4 | 8;

// Every render item is culled by the unit cube around its local origin.
constexpr float kItemHalfSize = 0.5f;

// The motion blur: the new frame weighs 0.2, the one on screen 0.8.
constexpr float kNewFrameWeight = 0.2f;
constexpr float kOldFrameWeight = 0.8f;

// The depth as a sort key. A script can give a node a non-finite matrix (a
// rotation about a zero axis, say), and a NaN depth would break the strict
// ordering the sort relies on (and with it the sort's bounds): such items
// count as nearest. Their frustum planes are non-finite too, so the cube test
// rejects them and they are never drawn.
inline float sortKey(float depth) { return depth == depth ? depth : -std::numeric_limits<float>::infinity(); }

// The render items lie wherever their nodes were allocated, and a pass over
// thousands of them would wait on memory at each: the passes ask for the
// item this many places ahead while they work on one.
constexpr std::size_t kPrefetchDistance = 4;

// Asks for all of an item's node: the culling memo, the matrix and the model.
inline void prefetchItem(const GeometryNode* item) {
  const char* bytes = reinterpret_cast<const char*>(item);
  for (std::size_t offset = 0; offset < sizeof(GeometryNode); offset += 64) __builtin_prefetch(bytes + offset);
}

// Draws the item in its own frame; its matrix is loaded only when it has
// parts in this pass.
inline void drawItem(const GeometryNode& item, uint8_t mask) {
  if (!item.drawsIn(mask)) return;
  glLoadMatrixf(item.modelView);
  item.draw(mask);
}

// The depth sort's keys and the queue in sorted order, kept from frame to
// frame with their storage.
struct SortEntry {
  float key;
  uint32_t index;
};
std::vector<SortEntry> sortEntries;
std::vector<SmartPointer<GeometryNode>> sortedQueue;
// The keys of the last frame's queue in walk order, which sortEntries
// sorted: the order depends on nothing else.
std::vector<float> lastKeys;

// The projection the culling memos were computed for, and its number.
float memoProjection[16] = {};
uint32_t memoProjectionNumber = 0;

// Whether the item's unit cube lies in the frustum, from its memo when its
// matrix and the projection are those the memo was made for.
bool itemInsideFrustum(FrustumCulling& frustum, const float projection[16], GeometryNode& item) {
  GeometryNode::CullMemo& memo = item.cullMemo;
  if (memo.projection == memoProjectionNumber &&
      std::memcmp(memo.modelView, item.modelView, sizeof memo.modelView) == 0)
    return memo.inside;
  frustum.CalculateFrustum(projection, item.modelView);
  memo.inside = frustum.CubeInFrustum(0.0f, 0.0f, 0.0f, kItemHalfSize);
  std::memcpy(memo.modelView, item.modelView, sizeof memo.modelView);
  memo.projection = memoProjectionNumber;
  return memo.inside;
}

// Whether each queued item is drawn in the translucent pass: it passed
// culling and has translucent parts. Settled in the opaque pass, while the
// item is at hand (nothing between the passes moves an item or changes a
// material). Keeps its storage from frame to frame.
std::vector<uint8_t> translucentItems;

}  // namespace

OpenGLRenderer::OpenGLRenderer(std::unique_ptr<platform::Window> window, bool fullscreen)
    : fullscreen_(fullscreen), window_(std::move(window)) {
  if (!window_) {
    error_ = "no window";
    return;
  }
  if (fullscreen_) {
    platform::showCursor(false);
    // As with ChangeDisplaySettings, a refused mode change is not an error:
    // the window then covers the desktop in its current mode.
    window_->changeDisplayMode(*renderHooks.width, *renderHooks.height, 32);
  }
  context_ = window_->createContext(error_);
  if (!context_) return;

  glShadeModel(GL_SMOOTH);
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  glClearDepth(1.0);
  glClearStencil(0);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  glEnable(GL_NORMALIZE);
  glCullFace(GL_BACK);
  glEnable(GL_CULL_FACE);

  GLint accumulationBits = 0;
  glGetIntegerv(GL_ACCUM_RED_BITS, &accumulationBits);
  hasAccumulation_ = accumulationBits > 0;
}

OpenGLRenderer::~OpenGLRenderer() {
  if (window_ && fullscreen_) window_->restoreDisplayMode();
  platform::showCursor(true);
  if (context_) {
    window_->makeCurrent(nullptr);
    platform::Window::deleteContext(context_);
    context_ = nullptr;
  }
  window_.reset();
}

void OpenGLRenderer::resize(int32_t width, int32_t height) {
  *renderHooks.width = width;
  *renderHooks.height = height;
  if (!context_) {
    if (*renderHooks.height == 0) *renderHooks.height = 1;
    return;
  }
  setProjection();
}

void OpenGLRenderer::setProjection() {
  if (*renderHooks.height == 0) *renderHooks.height = 1;
  const int32_t width = *renderHooks.width;
  const int32_t height = *renderHooks.height;
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  const float aspect = static_cast<float>(width) / static_cast<float>(height);
  gluPerspective(45.0, aspect, 0.01f, 100.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void OpenGLRenderer::setFog(int32_t stage) {
  if (stage != 5) {
    glDisable(GL_FOG);
    return;
  }
  static const GLfloat kFogColour[4] = {0.5f, 0.5f, 0.5f, 1.0f};
  glFogi(GL_FOG_MODE, GL_LINEAR);
  glFogfv(GL_FOG_COLOR, kFogColour);
  glFogf(GL_FOG_DENSITY, 0.2f);
  glHint(GL_FOG_HINT, GL_DONT_CARE);
  glFogf(GL_FOG_START, 1.0f);
  glFogf(GL_FOG_END, 1.7f);
  glEnable(GL_FOG);
}

void OpenGLRenderer::render() {
  if (!context_) return;
  setProjection();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glDepthFunc(GL_LEQUAL);

  setFog(renderHooks.stage ? *renderHooks.stage : 0);

  glDrawBuffer(GL_BACK);
  renderScene(scene);

  // Motion blur: back = 0.2 × new frame + 0.8 × the frame on screen. Without
  // an accumulation buffer GL would refuse these calls and the frame stays as
  // drawn, so they are not made: reading the front buffer is not free (the
  // driver may keep a copy of the front buffer from then on and pay for it at
  // every flush and swap).
  if (hasAccumulation_) {
    glReadBuffer(GL_BACK);
    glAccum(GL_LOAD, kNewFrameWeight);
    glReadBuffer(GL_FRONT);
    glAccum(GL_ACCUM, kOldFrameWeight);
    glAccum(GL_RETURN, 1.0f);
  }

  glDepthFunc(GL_LESS);
  if (renderHooks.drawGui) renderHooks.drawGui();
  glFlush();
  if (renderHooks.beforeSwap) renderHooks.beforeSwap(renderHooks.beforeSwapData);
  window_->swapBuffers();
}

void OpenGLRenderer::renderScene(Scene& target) {
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);

  // The camera, on the identity model-view matrix that render loaded.
  if (const LookAt* v = renderHooks.view) {
    gluLookAt(v->eye[0], v->eye[1], v->eye[2], v->target[0], v->target[1], v->target[2], v->up[0], v->up[1],
              v->up[2]);
  } else if (const Camera* camera = target.camera.get()) {
    gluLookAt(camera->position[0], camera->position[1], camera->position[2], camera->view[0], camera->view[1],
              camera->view[2], camera->up[0], camera->up[1], camera->up[2]);
  }
  GLfloat cameraMatrix[16];
  GLfloat projection[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, cameraMatrix);
  glGetFloatv(GL_PROJECTION_MATRIX, projection);

  // The walk fills the render queue and the light list.
  glPushMatrix();
  if (target.root) target.root->traverse();
  glPopMatrix();

  // Farthest first: the opaque pass runs the list backwards (nearest first,
  // so the depth test rejects hidden fragments early), the translucent pass
  // forwards (so what lies behind is blended first).
  // The keys are sorted in a flat array (comparing through the node pointers
  // would fetch two nodes per comparison); equal depths keep the walk's order.
  // When the walk gave the same depths as in the last frame (nothing moved),
  // the last frame's order is used again.
  std::vector<SmartPointer<GeometryNode>>& queue = target.renderQueue;
  bool sameAsLast = queue.size() == lastKeys.size();
  for (std::size_t i = 0; sameAsLast && i < queue.size(); ++i) {
    if (i + kPrefetchDistance < queue.size()) __builtin_prefetch(&queue[i + kPrefetchDistance].get()->depth);
    sameAsLast = sortKey(queue[i].get()->depth) == lastKeys[i];
  }
  if (!sameAsLast) {
    lastKeys.resize(queue.size());
    sortEntries.resize(queue.size());
    for (std::size_t i = 0; i < queue.size(); ++i) {
      lastKeys[i] = sortKey(queue[i].get()->depth);
      sortEntries[i] = {lastKeys[i], static_cast<uint32_t>(i)};
    }
    std::sort(sortEntries.begin(), sortEntries.end(), [](const SortEntry& a, const SortEntry& b) {
      return a.key > b.key || (a.key == b.key && a.index < b.index);
    });
  }
  sortedQueue.resize(queue.size());
  for (std::size_t i = 0; i < queue.size(); ++i) sortedQueue[i] = std::move(queue[sortEntries[i].index]);
  queue.swap(sortedQueue);
  sortedQueue.clear();

  // The lights take eye-space positions: load the identity while binding.
  GLint maxLights = 8;
  glGetIntegerv(GL_MAX_LIGHTS, &maxLights);
  const std::size_t lightCount =
      std::min(target.lightList.size(), static_cast<std::size_t>(std::max<GLint>(maxLights, 0)));
  glPushMatrix();
  glLoadIdentity();
  for (std::size_t i = 0; i < lightCount; ++i) {
    const GLenum light = GL_LIGHT0 + static_cast<GLenum>(i);
    glEnable(light);
    target.lightList[i].get()->apply(light);
  }
  glPopMatrix();

  // Each item is culled by its unit cube in its own frame.
  // A new projection (compared bit for bit) gets a new number, which no memo
  // holds yet.
  if (memoProjectionNumber == 0 || std::memcmp(projection, memoProjection, sizeof memoProjection) != 0) {
    std::memcpy(memoProjection, projection, sizeof memoProjection);
    if (++memoProjectionNumber == 0) memoProjectionNumber = 1;
  }
  FrustumCulling frustum;
  uint32_t inside = 0;
  uint64_t triangles = 0;
  translucentItems.resize(queue.size());
  Material::forgetAppliedColours();
  for (std::size_t i = queue.size(); i-- > 0;) {
    if (i >= kPrefetchDistance) prefetchItem(queue[i - kPrefetchDistance].get());
    GeometryNode& item = *queue[i].get();
    translucentItems[i] = 0;
    if (!itemInsideFrustum(frustum, projection, item)) continue;
    drawItem(item, kOpaquePass);
    translucentItems[i] = item.drawsIn(kTranslucentPass);
    ++inside;
    if (const IModel* model = item.model.get()) triangles += model->triangleCount();
  }
  if (renderHooks.opaqueItemsDrawn) renderHooks.opaqueItemsDrawn(inside);
  renderStats.itemsQueued = static_cast<uint32_t>(queue.size());
  renderStats.itemsDrawn = inside;
  renderStats.itemsCulled = static_cast<uint32_t>(queue.size()) - inside;
  renderStats.triangles = triangles;
  renderStats.lights = static_cast<uint32_t>(lightCount);
  renderStats.shadowVolumes = 0;

  if (target.castShadows && renderHooks.castShadows) {
    glDisable(GL_LIGHTING);
    for (std::size_t i = 0; i < lightCount; ++i) renderHooks.castShadows(target.lightList[i], queue);
    glEnable(GL_LIGHTING);
  }

  if (target.blend) {
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
  }
  Material::forgetAppliedColours();
  for (std::size_t i = 0; i < queue.size(); ++i) {
    if (!translucentItems[i]) continue;
    const GeometryNode& item = *queue[i].get();
    glLoadMatrixf(item.modelView);
    item.draw(kTranslucentPass);
  }
  if (target.blend) glDisable(GL_BLEND);

  for (std::size_t i = 0; i < lightCount; ++i) glDisable(GL_LIGHT0 + static_cast<GLenum>(i));
  glDisable(GL_LIGHTING);

  glLoadMatrixf(cameraMatrix);
  target.clearFrameLists();
}

}  // namespace qor
