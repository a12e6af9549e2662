// The room of the game: a small children's hospital at night (a lobby with
// the front door, three wards), its board file and the actor file, all
// made from one layout so that they agree.
//
// Model units are board cells: x runs over the 512 columns, z over the 396
// rows, y up. The reader centres the room and scales it by 1/512; the game
// scene then halves its height. The floor's top is y = 0, the floor slab
// reaches kSlab below it and the walls kWallHeight above, so the box is
// centred (kWallHeight - kSlab) / 2 above the floor and the floor lands at
// y = -10.24 / 512 × 0.5 = -0.01 in the game scene: where the figures' feet
// are (see Figures.cpp).

#include "content/Canvas.h"
#include "content/Content.h"
#include "content/Mesh.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace kelvo::content {

namespace {

constexpr int kColumns = 512;
constexpr int kRows = 396;
constexpr float kWallHeight = 25.6f;
constexpr float kSlab = 5.12f;

// What stands on the floor: a rectangle (x0, z0 inclusive; x1, z1
// exclusive) or, when round, the disc inside it.
struct Footprint {
  float x0, z0, x1, z1;
  bool round = false;
  bool covers(float x, float z) const {
    if (!round) return x >= x0 && x < x1 && z >= z0 && z < z1;
    const float cx = (x0 + x1) / 2, cz = (z0 + z1) / 2, r = (x1 - x0) / 2;
    return (x - cx) * (x - cx) + (z - cz) * (z - cz) <= r * r;
  }
};

Material textured(const std::string& name, const std::string& texture, float brightness = 0.9f) {
  Material m{name};
  m.diffuse = {brightness, brightness, brightness};
  m.ambient = {1, 1, 1};
  m.texture = "../Textures/" + texture;
  return m;
}

Material plain(const std::string& name, Vec3 colour) {
  Material m{name};
  m.diffuse = colour;
  m.ambient = colour;
  return m;
}

class Room {
public:
  Room() {
    for (const Material& m : {textured("escenario_floor", "floor.png"), textured("escenario_wall", "wall.png"),
                              plain("escenario_wallcap", {0.93f, 0.91f, 0.86f}), textured("escenario_wood", "wood.png"),
                              plain("escenario_bedframe", {0.78f, 0.8f, 0.84f}), plain("escenario_sheet", {0.95f, 0.95f, 0.97f}),
                              textured("escenario_blanket", "blanket.png"), textured("escenario_blanket_tito", "blanket_tito.png"),
                              textured("escenario_playmat", "playmat.png", 1.0f), textured("escenario_doormat", "doormat.png", 1.0f),
                              textured("escenario_books", "books.png"), plain("escenario_counter", {0.86f, 0.84f, 0.78f}),
                              plain("escenario_pot", {0.72f, 0.36f, 0.2f}), plain("escenario_leaves", {0.18f, 0.55f, 0.22f}),
                              plain("escenario_plastic", {0.22f, 0.42f, 0.75f}), plain("escenario_toybox", {0.85f, 0.2f, 0.18f}),
                              plain("escenario_lid", {0.95f, 0.8f, 0.15f})})
      mesh.declare(m);
  }

  Mesh mesh;
  std::vector<Footprint> solids;  // the board's walls

  void floor() { mesh.box("escenario_floor", {0, -kSlab, 0}, {kColumns, 0, kRows}, 32.0f); }

  void wall(float x0, float z0, float x1, float z1) {
    mesh.boxWithTop("escenario_wall", "escenario_wallcap", {x0, 0, z0}, {x1, kWallHeight, z1}, kWallHeight);
    solids.push_back({x0, z0, x1, z1});
  }

  // A bed 60 cells long and 32 wide. Its head lies at the given side:
  // 'W' (small x), 'E' (large x) or 'S' (large z).
  void bed(float x0, float z0, char head, const std::string& blanket = "escenario_blanket") {
    const bool alongX = head != 'S';
    const float x1 = x0 + (alongX ? 60 : 32), z1 = z0 + (alongX ? 32 : 60);
    mesh.box("escenario_bedframe", {x0, 0, z0}, {x1, 8, z1}, 8.0f);
    mesh.box(blanket, {x0 + 1, 8, z0 + 1}, {x1 - 1, 12, z1 - 1}, 16.0f);
    Vec3 pillowLo, pillowHi, boardLo, boardHi;
    switch (head) {
      case 'W':
        pillowLo = {x0 + 3, 12, z0 + 5}, pillowHi = {x0 + 15, 14.5f, z1 - 5};
        boardLo = {x0, 0, z0}, boardHi = {x0 + 2, 18, z1};
        break;
      case 'E':
        pillowLo = {x1 - 15, 12, z0 + 5}, pillowHi = {x1 - 3, 14.5f, z1 - 5};
        boardLo = {x1 - 2, 0, z0}, boardHi = {x1, 18, z1};
        break;
      default:
        pillowLo = {x0 + 5, 12, z1 - 15}, pillowHi = {x1 - 5, 14.5f, z1 - 3};
        boardLo = {x0, 0, z1 - 2}, boardHi = {x1, 18, z1};
        break;
    }
    mesh.box("escenario_sheet", pillowLo, pillowHi, 8.0f);
    mesh.box("escenario_wood", boardLo, boardHi, 16.0f);
    solids.push_back({x0, z0, x1, z1});
  }

  // A table: a top on four legs.
  void table(float x0, float z0, float x1, float z1, float height) {
    mesh.box("escenario_wood", {x0, height - 1.5f, z0}, {x1, height, z1}, 16.0f);
    for (auto [lx, lz] : {std::pair{x0 + 1, z0 + 1}, {x1 - 3, z0 + 1}, {x0 + 1, z1 - 3}, {x1 - 3, z1 - 3}})
      mesh.box("escenario_wood", {lx, 0, lz}, {lx + 2, height - 1.5f, lz + 2}, 16.0f);
    solids.push_back({x0, z0, x1, z1});
  }

  void roundTable(float cx, float cz, float r, float height) {
    mesh.frustum("escenario_wood", {cx, height - 1.5f, cz}, 1.5f, r, r, 16);
    mesh.frustum("escenario_wood", {cx, 0, cz}, height - 1.5f, 3, 2, 8);
    solids.push_back({cx - r, cz - r, cx + r, cz + r, true});
  }

  // A solid block: cupboards, desks, benches, boxes.
  void block(const std::string& material, float x0, float z0, float x1, float z1, float height, float texScale = 16) {
    mesh.box(material, {x0, 0, z0}, {x1, height, z1}, texScale);
    solids.push_back({x0, z0, x1, z1});
  }

  void plant(float cx, float cz) {
    mesh.frustum("escenario_pot", {cx, 0, cz}, 8, 6, 8, 10);
    mesh.sphere("escenario_leaves", {cx, 15, cz}, {9, 8, 9}, 10, 6);
    mesh.sphere("escenario_leaves", {cx + 2, 21, cz - 1}, {5, 4, 5}, 8, 5);
    solids.push_back({cx - 9, cz - 9, cx + 9, cz + 9, true});  // the leaves reach wider than the pot
  }

  // A slab laid over other furniture (a counter, a lid); where it reaches
  // past them, it is a wall of the board too.
  void slab(const std::string& material, Vec3 lo, Vec3 hi) {
    mesh.box(material, lo, hi, 16);
    solids.push_back({lo.x, lo.z, hi.x, hi.z});
  }

  // Flat on the floor: figures walk over it.
  void rug(const std::string& material, float x0, float z0, float x1, float z1) {
    mesh.box(material, {x0, 0, z0}, {x1, 0.3f, z1}, 0.0f);
  }
};

// The floor plan. The nurses keep to their ward, which takes most of the
// building: they walk one cell at every pass of the game (60 a second) to
// places drawn at random over the whole board, and so they go wherever there
// is floor, each part about as often as its share of the floor. Once Tito
// follows Rosa, a nurse less than 60 cells away (counted along rows and
// columns, through walls) hunts her down within a second or two, far faster
// than she walks (about 8 cells a second). So the way home from Tito's room
// is a short, narrow corridor kept more than 60 cells from every cell of the
// nurses' ward: a nurse on the other side of the wall would have to go round
// by a door further off than that, and gives up on the way. Everything off
// the ward is narrow, so that the nurses' random walks seldom lead there;
// two nurses are enough to catch anyone who brings Tito through their ward,
// and a third would lead one of them down the corridors every minute or so.
struct Floor {
  float x0, z0, x1, z1;
};
constexpr Floor kFloors[] = {
    {4, 4, 286, 392},      // the nurses' ward; Rosa comes in at its top left
    {344, 0, 357, 67},     // the front hall, from the front door (top) down
    {286, 54, 410, 67},    // the corridor from the ward's door past the hall to Tito's room
    {400, 30, 490, 76},    // Tito's room, his bed filling most of it
};

// Every part of the board that is not floor is solid: walls, and the closed
// rooms between the corridors. Cut into boxes along the floor's edges.
void solidsAround(Room& room) {
  std::vector<float> xs{0, kColumns}, zs{0, kRows};
  for (const Floor& f : kFloors) {
    xs.insert(xs.end(), {f.x0, f.x1});
    zs.insert(zs.end(), {f.z0, f.z1});
  }
  for (auto* v : {&xs, &zs}) {
    std::sort(v->begin(), v->end());
    v->erase(std::unique(v->begin(), v->end()), v->end());
  }
  auto open = [](float x, float z) {
    for (const Floor& f : kFloors)
      if (x >= f.x0 && x < f.x1 && z >= f.z0 && z < f.z1) return true;
    return false;
  };
  for (std::size_t j = 0; j + 1 < zs.size(); ++j) {
    const float zm = (zs[j] + zs[j + 1]) / 2;
    for (std::size_t i = 0; i + 1 < xs.size();) {
      if (open((xs[i] + xs[i + 1]) / 2, zm)) {
        ++i;
        continue;
      }
      std::size_t k = i + 1;
      while (k + 1 < xs.size() && !open((xs[k] + xs[k + 1]) / 2, zm)) ++k;
      room.wall(xs[i], zs[j], xs[k], zs[j + 1]);
      i = k;
    }
  }
}

Room buildRoom() {
  Room room;
  room.floor();
  solidsAround(room);
  room.rug("escenario_doormat", 344, 0, 357, 26);

  // The nurses' ward: beds along the left wall, their desk, a play corner.
  for (float z : {150.0f, 210.0f, 270.0f, 330.0f}) room.bed(4, z, 'W');
  for (float z : {186.0f, 246.0f, 306.0f}) room.table(6, z, 22, z + 14, 11);
  room.block("escenario_wood", 150, 250, 230, 266, 14);
  room.slab("escenario_counter", {148, 14, 248}, {232, 15.5f, 268});
  room.rug("escenario_playmat", 150, 300, 270, 380);
  room.roundTable(210, 340, 16, 10);
  room.block("escenario_toybox", 240, 20, 272, 36, 9);
  room.slab("escenario_lid", {239, 9, 19}, {273, 10.5f, 37});
  room.mesh.boxWithTop("escenario_books", "escenario_wood", {30, 0, 4}, {90, 22, 16}, 0.0f);
  room.solids.push_back({30, 4, 90, 16});
  room.plant(24, 370);
  room.plant(266, 370);

  // Tito's room: his bed along the far wall.
  room.bed(428, 34, 'E', "escenario_blanket_tito");
  return room;
}

// "tableroConfig2.txt": one number per cell, row by row, 1 where something
// stands on the floor (the show grows these walls by five cells), 0 elsewhere.
std::string boardText(const std::vector<Footprint>& solids) {
  std::string text;
  text.reserve(static_cast<std::size_t>(kColumns * kRows * 2));
  for (int row = 0; row < kRows; ++row) {
    for (int column = 0; column < kColumns; ++column) {
      const float x = static_cast<float>(column) + 0.5f, z = static_cast<float>(row) + 0.5f;
      bool wall = false;
      for (const Footprint& f : solids) wall = wall || f.covers(x, z);
      text += wall ? '1' : '0';
      text += column + 1 < kColumns ? ' ' : '\n';
    }
  }
  return text;
}

// "ActorDescription.txt": the nurses (column, row, kind), all in their ward,
// and the child, at the foot of his bed in his room off the back corridor.
constexpr char kActors[] =
    "2\n"
    "80 120 1\n"
    "180 220 1\n"
    "418 50 0\n";

// ---- the room's textures ----------------------------------------------------

Canvas floorTexture() {
  // Two by two linoleum tiles with grout lines and a faint mottle.
  Canvas c(128, 128);
  Random random(7);
  const Rgb tiles[2] = {{214, 222, 200}, {188, 204, 186}};
  for (int y = 0; y < 128; ++y)
    for (int x = 0; x < 128; ++x) {
      const Rgb base = tiles[((x / 64) + (y / 64)) % 2];
      const bool grout = x % 64 < 2 || y % 64 < 2;
      c.set(x, y, grout ? Rgb{150, 158, 146} : shade(base, 0.96f + 0.06f * random.unit()));
    }
  return c;
}

Canvas wallTexture() {
  // Mint paint with a darker band along the bottom (the image's bottom row
  // is the wall's foot) and a pale strip near the top.
  Canvas c(64, 64);
  Random random(11);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      Rgb base = y >= 54 ? Rgb{70, 110, 96} : y < 8 ? Rgb{232, 236, 226} : Rgb{150, 200, 180};
      if (y == 8 || y == 53) base = {110, 150, 130};
      c.set(x, y, shade(base, 0.97f + 0.05f * random.unit()));
    }
  return c;
}

Canvas woodTexture() {
  Canvas c(64, 64);
  Random random(3);
  for (int y = 0; y < 64; ++y) {
    const float wave = std::sin(static_cast<float>(y) * 0.7f) * 0.06f;
    for (int x = 0; x < 64; ++x) {
      const float grain = std::sin((static_cast<float>(x) + 3.0f * std::sin(static_cast<float>(y) * 0.2f)) * 0.9f);
      c.set(x, y, shade(Rgb{168, 116, 70}, 0.9f + 0.08f * grain + wave + 0.04f * random.unit()));
    }
  }
  return c;
}

Canvas checkTexture(Rgb ground, Rgb line) {
  Canvas c(64, 64, ground);
  for (int i = 0; i < 64; ++i)
    for (int k : {0, 1, 32, 33}) {
      c.blend(i, k, line, 0.8f);
      c.blend(k, i, line, 0.8f);
    }
  return c;
}

Canvas titoBlanket() {
  // Sunny yellow with little orange stars.
  Canvas c(64, 64, {240, 200, 70});
  for (auto [x, y] : {std::pair{12, 14}, {44, 10}, {28, 36}, {54, 44}, {10, 52}}) {
    c.triangle(x - 5, y + 2, x + 5, y + 2, x, y - 6, {230, 110, 40});
    c.triangle(x - 5, y - 3, x + 5, y - 3, x, y + 5, {230, 110, 40});
  }
  return c;
}

Canvas playmatTexture() {
  Canvas c(128, 128);
  const Rgb colours[4] = {{220, 70, 60}, {70, 150, 220}, {250, 200, 60}, {90, 180, 90}};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) c.rect(x * 32, y * 32, x * 32 + 32, y * 32 + 32, colours[(x + 2 * y + y / 2) % 4]);
  c.frame(0, 0, 128, 128, 3, {245, 245, 240});
  return c;
}

Canvas doormatTexture() {
  // Read from inside the room, looking at the door: the far edge of the mat
  // (small z, texture t = 0) is at the top of the view, so the words are
  // drawn upside down in the image.
  Canvas upright(128, 64, {52, 120, 64});
  upright.frame(0, 0, 128, 64, 5, {34, 84, 44});
  upright.textCentred(64, 18, "HOME", 5, {250, 220, 110});
  Canvas c(128, 64);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 128; ++x) c.set(x, y, upright.get(x, 63 - y));
  return c;
}

Canvas booksTexture() {
  // Spines of many colours on three shelves.
  Canvas c(128, 64, {120, 80, 46});
  Random random(5);
  const Rgb spines[6] = {{190, 60, 50}, {60, 110, 170}, {230, 190, 70}, {80, 150, 90}, {150, 90, 160}, {230, 230, 220}};
  for (int shelf = 0; shelf < 3; ++shelf) {
    const int top = 3 + shelf * 20, bottom = top + 17;
    for (int x = 3; x < 125;) {
      const int w = 4 + static_cast<int>(random.next() % 5);
      const int h = static_cast<int>(random.next() % 5);
      c.rect(x, top + h, std::min(x + w - 1, 125), bottom, spines[random.next() % 6]);
      x += w;
    }
  }
  return c;
}

}  // namespace

void writeRoom(Output& out) {
  const Room room = buildRoom();
  const std::string header =
      "# The game's room: a children's hospital at night, seen from above. Generated by\n"
      "# kelvo-content from the same layout as tableroConfig2.txt: units are board cells\n"
      "# (x: 512 columns, z: 396 rows), the floor's top is y = 0.\n";
  out.text("Data/Models/escenario.obj", room.mesh.obj("escenario.mtl", header));
  out.text("Data/Models/escenario.mtl", room.mesh.mtl("# Materials of escenario.obj (kelvo-content).\n"));
  out.text("tableroConfig2.txt", boardText(room.solids));
  out.text("ActorDescription.txt", kActors);

  const std::pair<const char*, Canvas> textures[] = {
      {"floor.png", floorTexture()},
      {"wall.png", wallTexture()},
      {"wood.png", woodTexture()},
      {"blanket.png", checkTexture({80, 120, 190}, {235, 240, 250})},
      {"blanket_tito.png", titoBlanket()},
      {"playmat.png", playmatTexture()},
      {"doormat.png", doormatTexture()},
      {"books.png", booksTexture()},
  };
  for (const auto& [name, canvas] : textures) {
    const std::string relative = std::string("Data/Textures/") + name;
    if (!canvas.savePng(out.path(relative))) out.fail(relative);
  }
}

}  // namespace kelvo::content
