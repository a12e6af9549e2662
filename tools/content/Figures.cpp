// The figures of the game scene: the old woman (the player), the child, the
// nurse, the arrow that marks the child, and the backdrop. Figures are built
// with their feet at y = 0 and face +z, the way the game turns them.
//
// The game scene scales the adults by 0.08 and the child by 0.03 after the
// reader has centred each model on its box and scaled its longest side to
// 1. A vertex that no face uses (Mesh::anchor) sets the bottom of the box so
// that the feet land at y = -0.01, the floor of the room (see Room.cpp).

#include "content/Canvas.h"
#include "content/Content.h"
#include "content/Mesh.h"

#include <cmath>
#include <string>

namespace kelvo::content {

namespace {

constexpr float kFloorY = -0.01f;   // the room's floor in the game scene
constexpr float kAdultScale = 0.08f;
constexpr float kChildScale = 0.03f;

// Puts the anchor below a figure whose feet are at y = 0 so that, once the
// model is centred and scaled to its box and then by `sceneScale`, the feet
// stand at kFloorY. With k = -kFloorY / sceneScale the feet sit at -k in the
// unit box, which gives the box's bottom at top × (2k - 1) / (2k + 1).
void standOnFloor(Mesh& mesh, float sceneScale) {
  const float k = -kFloorY / sceneScale;
  const float top = mesh.high().y;
  mesh.anchor({0, top * (2 * k - 1) / (2 * k + 1), 0});
}

Material plain(const std::string& name, Vec3 colour, float shininess = 8.0f) {
  Material m{name};
  m.diffuse = colour;
  m.ambient = colour;
  m.shininess = shininess;
  return m;
}

Material textured(const std::string& name, const std::string& texture) {
  Material m{name};
  m.diffuse = {0.95f, 0.95f, 0.95f};
  m.ambient = {1, 1, 1};
  m.texture = "../Textures/" + texture;
  return m;
}

const Vec3 kSkin{0.93f, 0.74f, 0.6f};

// Two dark dots for eyes on the front of a head.
void eyes(Mesh& m, const std::string& material, Vec3 headCentre, float headRadius, float spacing, float size) {
  for (float side : {-1.0f, 1.0f}) {
    const float x = headCentre.x + side * spacing;
    const float z = headCentre.z + std::sqrt(headRadius * headRadius - spacing * spacing) - size * 0.4f;
    m.box(material, {x - size / 2, headCentre.y, z}, {x + size / 2, headCentre.y + size, z + size});
  }
}

Mesh oldWoman() {
  Mesh m;
  for (const Material& mat : {textured("vieja_dress", "vieja_dress.png"), textured("vieja_shawl", "vieja_shawl.png"),
                              plain("vieja_skin", kSkin), plain("vieja_hair", {0.86f, 0.86f, 0.9f}, 20),
                              plain("vieja_dark", {0.16f, 0.1f, 0.08f})})
    m.declare(mat);
  // Shoes, a long skirt, a bodice under a shawl that drapes over the shoulders.
  for (float side : {-1.0f, 1.0f}) m.box("vieja_dark", {side * 0.08f - 0.05f, 0, -0.04f}, {side * 0.08f + 0.05f, 0.07f, 0.14f});
  m.frustum("vieja_dress", {0, 0.05f, 0}, 0.9f, 0.3f, 0.19f, 10);
  m.frustum("vieja_shawl", {0, 0.9f, 0}, 0.42f, 0.21f, 0.16f, 10);
  m.frustum("vieja_shawl", {0, 1.12f, 0.01f}, 0.24f, 0.27f, 0.12f, 10);
  // Arms: the left hangs, the right reaches forward to the cane.
  m.box("vieja_shawl", {-0.3f, 0.9f, -0.06f}, {-0.19f, 1.3f, 0.06f});
  m.sphere("vieja_skin", {-0.245f, 0.88f, 0}, {0.05f, 0.05f, 0.05f}, 8, 5);
  m.box("vieja_shawl", {0.19f, 0.98f, -0.05f}, {0.3f, 1.3f, 0.07f});
  m.box("vieja_shawl", {0.2f, 0.93f, 0.0f}, {0.29f, 1.04f, 0.3f});
  m.sphere("vieja_skin", {0.245f, 0.97f, 0.32f}, {0.05f, 0.05f, 0.05f}, 8, 5);
  // The cane, with its handle under the hand.
  m.box("vieja_dark", {0.225f, 0, 0.3f}, {0.265f, 0.95f, 0.34f});
  m.box("vieja_dark", {0.2f, 0.93f, 0.26f}, {0.265f, 0.97f, 0.34f});
  // Neck, head bent a little forward, grey hair with a bun.
  m.frustum("vieja_skin", {0, 1.3f, 0.02f}, 0.1f, 0.065f, 0.06f, 8);
  const Vec3 head{0, 1.49f, 0.05f};
  m.sphere("vieja_skin", head, {0.14f, 0.15f, 0.14f}, 10, 7);
  m.sphere("vieja_hair", {0, 1.53f, 0.01f}, {0.15f, 0.13f, 0.14f}, 10, 7);
  m.sphere("vieja_hair", {0, 1.6f, -0.12f}, {0.075f, 0.075f, 0.075f}, 8, 5);
  eyes(m, "vieja_dark", head, 0.14f, 0.055f, 0.03f);
  standOnFloor(m, kAdultScale);
  return m;
}

Mesh nurse() {
  Mesh m;
  for (const Material& mat : {textured("nurse_uniform", "nurse_uniform.png"), plain("nurse_white", {0.97f, 0.97f, 0.98f}),
                              plain("nurse_skin", {0.85f, 0.64f, 0.5f}), plain("nurse_hair", {0.3f, 0.18f, 0.1f}),
                              plain("nurse_red", {0.85f, 0.1f, 0.1f}), plain("nurse_dark", {0.1f, 0.08f, 0.08f})})
    m.declare(mat);
  for (float side : {-1.0f, 1.0f}) {
    m.box("nurse_white", {side * 0.08f - 0.05f, 0, -0.04f}, {side * 0.08f + 0.05f, 0.06f, 0.13f});
    m.frustum("nurse_white", {side * 0.08f, 0.05f, 0.03f}, 0.5f, 0.05f, 0.06f, 8);
  }
  // The uniform: a dress with a red cross on the chest (in its texture).
  m.frustum("nurse_uniform", {0, 0.5f, 0}, 0.85f, 0.25f, 0.18f, 10);
  m.frustum("nurse_uniform", {0, 1.22f, 0}, 0.14f, 0.2f, 0.1f, 10);
  for (float side : {-1.0f, 1.0f}) {
    m.box("nurse_white", {side * 0.245f - 0.055f, 0.95f, -0.05f}, {side * 0.245f + 0.055f, 1.33f, 0.06f});
    m.sphere("nurse_skin", {side * 0.245f, 0.92f, 0}, {0.05f, 0.05f, 0.05f}, 8, 5);
  }
  m.frustum("nurse_skin", {0, 1.34f, 0}, 0.1f, 0.06f, 0.06f, 8);
  const Vec3 head{0, 1.52f, 0.02f};
  m.sphere("nurse_skin", head, {0.14f, 0.15f, 0.14f}, 10, 7);
  m.sphere("nurse_hair", {0, 1.55f, -0.025f}, {0.15f, 0.135f, 0.14f}, 10, 7);
  eyes(m, "nurse_dark", head, 0.14f, 0.055f, 0.03f);
  // The cap, with a red cross on its front.
  m.box("nurse_white", {-0.11f, 1.63f, -0.08f}, {0.11f, 1.74f, 0.1f});
  m.box("nurse_red", {-0.018f, 1.645f, 0.1f}, {0.018f, 1.725f, 0.112f});
  m.box("nurse_red", {-0.045f, 1.668f, 0.1f}, {0.045f, 1.702f, 0.112f});
  standOnFloor(m, kAdultScale);
  return m;
}

Mesh child() {
  Mesh m;
  for (const Material& mat : {textured("nino_pyjamas", "nino_pyjamas.png"), plain("nino_skin", {0.96f, 0.78f, 0.64f}),
                              plain("nino_hair", {0.35f, 0.2f, 0.1f}), plain("nino_red", {0.85f, 0.15f, 0.12f}),
                              plain("nino_bear", {0.62f, 0.42f, 0.22f}), plain("nino_dark", {0.1f, 0.07f, 0.06f})})
    m.declare(mat);
  for (float side : {-1.0f, 1.0f}) {
    m.box("nino_red", {side * 0.07f - 0.045f, 0, -0.03f}, {side * 0.07f + 0.045f, 0.05f, 0.1f});
    m.frustum("nino_pyjamas", {side * 0.07f, 0.04f, 0.02f}, 0.38f, 0.05f, 0.055f, 8);
  }
  m.frustum("nino_pyjamas", {0, 0.38f, 0}, 0.34f, 0.16f, 0.13f, 10);
  // A teddy bear in the right hand.
  m.box("nino_pyjamas", {-0.21f, 0.44f, -0.04f}, {-0.13f, 0.7f, 0.05f});
  m.sphere("nino_skin", {-0.17f, 0.42f, 0}, {0.04f, 0.04f, 0.04f}, 8, 5);
  m.box("nino_pyjamas", {0.13f, 0.5f, -0.03f}, {0.21f, 0.7f, 0.05f});
  m.box("nino_pyjamas", {0.14f, 0.46f, 0.0f}, {0.2f, 0.54f, 0.14f});
  m.sphere("nino_bear", {0.17f, 0.42f, 0.17f}, {0.06f, 0.07f, 0.05f}, 8, 5);
  m.sphere("nino_bear", {0.17f, 0.53f, 0.18f}, {0.045f, 0.045f, 0.045f}, 8, 5);
  for (float side : {-1.0f, 1.0f}) m.sphere("nino_bear", {0.17f + side * 0.035f, 0.57f, 0.18f}, {0.018f, 0.018f, 0.018f}, 6, 4);
  // A big head with a mop of hair.
  m.frustum("nino_skin", {0, 0.71f, 0}, 0.05f, 0.05f, 0.05f, 8);
  const Vec3 head{0, 0.84f, 0.02f};
  m.sphere("nino_skin", head, {0.15f, 0.14f, 0.14f}, 10, 7);
  m.sphere("nino_hair", {0, 0.88f, -0.015f}, {0.16f, 0.12f, 0.15f}, 10, 7);
  eyes(m, "nino_dark", head, 0.14f, 0.055f, 0.03f);
  standOnFloor(m, kChildScale);
  return m;
}

Mesh arrow() {
  // Points up; the game scene turns it over above the child.
  Mesh m;
  Material glow{"arrow_glow"};
  glow.diffuse = {1.0f, 0.75f, 0.1f};
  glow.ambient = {3.0f, 2.4f, 0.6f};  // bright even on its unlit side
  glow.specular = {0.5f, 0.5f, 0.4f};
  glow.shininess = 30;
  glow.texture = "../Textures/arrow.png";
  m.declare(glow);
  m.box("arrow_glow", {-0.12f, 0, -0.12f}, {0.12f, 0.58f, 0.12f}, 0.0f);
  m.pyramid("arrow_glow", {0, 0.56f, 0}, 0.3f, 0.44f);
  return m;
}

Mesh backdrop() {
  // A square behind the room: the night sky through the windows.
  Mesh m;
  Material sky{"background_sky"};
  sky.diffuse = {0.6f, 0.6f, 0.6f};
  sky.ambient = {2.5f, 2.5f, 2.5f};
  sky.specular = {0, 0, 0};
  sky.texture = "../Textures/background.png";
  m.declare(sky);
  m.panel("background_sky", -0.5f, -0.5f, 0.5f, 0.5f, 0, 0, 0, 1, 1);
  return m;
}

// ---- textures ------------------------------------------------------------------
// Frustum texture coordinates run once around from the back (u = 0), so a
// figure's front is the middle of the image; v = 0 is the bottom row.

Canvas dressTexture() {
  // Dark plum with a small pattern of pale flowers.
  Canvas c(64, 64, {58, 34, 62});
  for (int y = 4; y < 64; y += 12)
    for (int x = (y / 12) % 2 * 6 + 3; x < 64; x += 12) {
      c.disc(static_cast<float>(x), static_cast<float>(y), 2.2f, {170, 130, 170});
      c.set(x, y, {230, 200, 120});
    }
  return c;
}

Canvas shawlTexture() {
  // A knitted shawl: deep red with zig-zag rows.
  Canvas c(64, 64, {128, 36, 44});
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      const int zig = std::abs((x % 8) - 4);
      if ((y + zig) % 8 == 0) c.set(x, y, {200, 150, 80});
      else if ((x + y) % 2 == 0) c.set(x, y, shade(c.get(x, y), 0.88f));
    }
  return c;
}

Canvas uniformTexture() {
  // White with a pale blue apron line, and a red cross on the chest (upper
  // middle of the image, where the front of the dress is).
  Canvas c(64, 64, {246, 246, 250});
  c.rect(0, 34, 64, 36, {150, 190, 230});
  c.rect(29, 8, 35, 24, {210, 30, 30});
  c.rect(24, 13, 40, 19, {210, 30, 30});
  return c;
}

Canvas pyjamaTexture() {
  // Light blue with white stripes and small yellow stars.
  Canvas c(64, 64, {130, 180, 235});
  for (int x = 0; x < 64; x += 8) c.rect(x, 0, x + 2, 64, {235, 242, 252});
  for (auto [x, y] : {std::pair{5, 10}, {21, 30}, {37, 12}, {53, 34}, {13, 50}, {45, 54}}) {
    c.triangle(x - 3, y + 1, x + 3, y + 1, x, y - 3, {250, 215, 60});
    c.triangle(x - 3, y - 2, x + 3, y - 2, x, y + 3, {250, 215, 60});
  }
  return c;
}

Canvas arrowTexture() {
  // Yellow to orange from tip to tail, with darker bands that catch the eye
  // as the arrow bobs.
  Canvas c(32, 32);
  c.gradient(0, 0, 32, 32, {255, 236, 120}, {250, 150, 40});
  for (int y = 4; y < 32; y += 8) c.rect(0, y, 32, y + 2, {230, 110, 30});
  return c;
}

Canvas skyTexture() {
  // Deep blue to violet, a moon, stars.
  Canvas c(256, 256);
  c.gradient(0, 0, 256, 256, {10, 14, 40}, {54, 40, 84});
  Random random(19);
  for (int i = 0; i < 140; ++i) {
    const float x = random.unit() * 255, y = random.unit() * 200, b = 0.4f + 0.6f * random.unit();
    c.disc(x, y, 0.6f + random.unit() * 0.7f, {255, 255, 230}, b);
  }
  c.disc(196, 56, 22, {250, 244, 214});
  c.disc(186, 50, 20, {16, 20, 50}, 0.92f);
  return c;
}

void writeModel(Output& out, const std::string& name, const Mesh& mesh, const std::string& what) {
  const std::string header = "# " + what + " Generated by kelvo-content.\n";
  out.text("Data/Models/" + name + ".obj", mesh.obj(name + ".mtl", header));
  out.text("Data/Models/" + name + ".mtl", mesh.mtl("# Materials of " + name + ".obj (kelvo-content).\n"));
}

}  // namespace

void writeFigures(Output& out) {
  writeModel(out, "vieja", oldWoman(), "Grandma Rosa, the player's figure: shawl, long skirt, cane; facing +z.");
  writeModel(out, "nurse", nurse(), "A night nurse: white uniform and cap with a red cross; facing +z.");
  writeModel(out, "nino", child(), "Tito, the child: blue pyjamas and a teddy bear; facing +z.");
  writeModel(out, "arrow", arrow(), "The arrow that bobs above the child until he follows; points up (+y).");
  writeModel(out, "background", backdrop(), "The backdrop behind the room: a square of night sky facing +z.");
  const std::pair<const char*, Canvas> textures[] = {
      {"vieja_dress.png", dressTexture()},       {"vieja_shawl.png", shawlTexture()},
      {"nurse_uniform.png", uniformTexture()},   {"nino_pyjamas.png", pyjamaTexture()},
      {"background.png", skyTexture()},         {"arrow.png", arrowTexture()},
  };
  for (const auto& [name, canvas] : textures) {
    const std::string relative = std::string("Data/Textures/") + name;
    if (!canvas.savePng(out.path(relative))) out.fail(relative);
  }
}

}  // namespace kelvo::content
