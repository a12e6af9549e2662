#include "shadows/VolumeShadows.h"

#include "util/MappedFile.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <utility>

namespace qor {

bool lightInItemFrame(const float modelView[16], const float light[4], float out[4]) {
  // Solves modelView · x = light by Gaussian elimination with partial
  // pivoting, in double precision; row r, column c is modelView[4c + r].
  double a[4][5];
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) a[r][c] = modelView[4 * c + r];
    a[r][4] = light[r];
  }
  for (int col = 0; col < 4; ++col) {
    int pivot = col;
    for (int r = col + 1; r < 4; ++r) {
      if (std::fabs(a[r][col]) > std::fabs(a[pivot][col])) pivot = r;
    }
    if (!(std::fabs(a[pivot][col]) > 0.0)) return false;  // singular, or not a number
    std::swap(a[pivot], a[col]);
    for (int r = col + 1; r < 4; ++r) {
      const double f = a[r][col] / a[col][col];
      for (int c = col; c < 5; ++c) a[r][c] -= f * a[col][c];
    }
  }
  double x[4];
  for (int r = 3; r >= 0; --r) {
    double s = a[r][4];
    for (int c = r + 1; c < 4; ++c) s -= a[r][c] * x[c];
    x[r] = s / a[r][r];
  }
  for (int i = 0; i < 4; ++i) {
    out[i] = static_cast<float>(x[i]);
    if (!std::isfinite(out[i])) return false;
  }
  return true;
}

void markFacing(const ShadowMesh& mesh, const float light[4], uint8_t* visible) {
  const float lx = light[0], ly = light[1], lz = light[2], lw = light[3];
  for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
    const float* p = mesh.faces[f].plane;
    visible[f] = p[0] * lx + p[1] * ly + p[2] * lz + p[3] * lw > 0.0f;
  }
}

const ShadowMesh& VolumeShadows::meshOf(const SmartPointer<IModel>& model) {
  if (auto it = models_.find(model.get()); it != models_.end()) return it->second.mesh;
  ModelShadow& entry = models_[model.get()];
  entry.model = model;
  const std::string path = shadowFilePath(*model);
  // Records older than their model were computed from an earlier version of it.
  if (!cacheIsCurrent(path, model->fileName) || !readShadowFile(path, *model, entry.mesh)) {
    entry.mesh = computeShadowMesh(*model);
    ++computed_;
    // The "tmp" folder is made when missing; when it cannot be, the next
    // run computes the records again.
    if (makeFolderFor(path)) writeShadowFile(path, entry.mesh);
  }
  return entry.mesh;
}

VolumeShadows::ItemRecord* VolumeShadows::prepare(const ShadowCaster& item, const float light[4]) {
  if (!item.item || !item.model || !item.modelView) return nullptr;
  auto [it, added] = items_.try_emplace(item.item);
  ItemRecord& record = it->second;
  // A node released and another made at the same address may show another
  // model: the record then starts over.
  if (added || record.model.get() != item.model) {
    record.model = item.model;
    record.mesh = &meshOf(record.model);
    record.visible.assign(record.mesh->faces.size(), 0);
    record.dirty = true;
  }
  if (!std::equal(item.modelView, item.modelView + 16, record.modelView)) {
    std::copy(item.modelView, item.modelView + 16, record.modelView);
    record.dirty = true;
  }
  if (!std::equal(light, light + 4, record.light)) {
    std::copy(light, light + 4, record.light);
    record.dirty = true;
  }
  if (record.dirty) {
    record.lightKnown = lightInItemFrame(record.modelView, record.light, record.localLight);
    record.dirty = false;
    record.facingStale = true;
  }
  return &record;
}

void VolumeShadows::drawVolume(const ItemRecord& record) const {
  if (!record.lightKnown) return;
  glBegin(GL_TRIANGLES);
  extrudeSilhouettes(*record.model, *record.mesh, record.visible.data(), record.localLight,
                     [](float x, float y, float z) { glVertex3f(x, y, z); });
  glEnd();
}

void VolumeShadows::CastShadows(const float light[4], std::span<const ShadowCaster> items) {
  // Without a stencil buffer there is nothing to count in: the frame is
  // drawn as it would be without shadows.
  volumesDrawn_ = 0;
  GLint stencilBits = 0;
  glGetIntegerv(GL_STENCIL_BITS, &stencilBits);
  if (stencilBits <= 0 || !light) return;

  for (const ShadowCaster& item : items) prepare(item, light);

  glClear(GL_STENCIL_BUFFER_BIT);
  glPushMatrix();
  glDepthMask(GL_FALSE);
  glDepthFunc(GL_LEQUAL);
  glEnable(GL_STENCIL_TEST);
  glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
  glStencilFunc(GL_ALWAYS, 1, 0xFFFFFFFFu);

  // Depth pass: where the volume's front faces lie before the scene the
  // count goes up, where its back faces do it goes down, so pixels inside a
  // volume keep a count above zero. Back faces are culled, so turning the
  // front-face winding round selects the other half of each volume.
  for (const GLenum winding : {GL_CCW, GL_CW}) {
    const bool first = winding == GL_CCW;
    glFrontFace(winding);
    glStencilOp(GL_KEEP, GL_KEEP, first ? GL_INCR : GL_DECR);
    for (const ShadowCaster& item : items) {
      if (!item.castShadow) continue;
      auto it = items_.find(item.item);
      if (it == items_.end() || !item.modelView) continue;  // no model
      ItemRecord& record = it->second;
      if (first && record.facingStale && record.lightKnown) {
        markFacing(*record.mesh, record.localLight, record.visible.data());
        record.facingStale = false;
      }
      if (first && record.lightKnown) ++volumesDrawn_;
      glPushMatrix();
      glLoadMatrixf(item.modelView);
      drawVolume(record);
      glPopMatrix();
    }
  }
  glFrontFace(GL_CCW);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glPopMatrix();

  // Darken what lies in a volume: a black rectangle at 40 % over the whole
  // viewport (identity projection, so it covers any window shape), near the
  // eye so the depth test passes and fog leaves it alone.
  glColor4f(0.0f, 0.0f, 0.0f, 0.4f);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glStencilFunc(GL_NOTEQUAL, 0, 0xFFFFFFFFu);
  glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glBegin(GL_TRIANGLE_STRIP);
  glVertex3f(-1.0f, 1.0f, -0.1f);
  glVertex3f(-1.0f, -1.0f, -0.1f);
  glVertex3f(1.0f, 1.0f, -0.1f);
  glVertex3f(1.0f, -1.0f, -0.1f);
  glEnd();
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);

  glDisable(GL_BLEND);
  glDepthFunc(GL_LEQUAL);
  glDepthMask(GL_TRUE);
  glDisable(GL_STENCIL_TEST);
}

}  // namespace qor
