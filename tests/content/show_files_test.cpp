// The installation in game/ as the show reads it: the board, the room and the
// actor file agree; the figures stand on the room's floor; every model the
// show names loads whole with its materials and textures (the sounds are
// played by show_loudness_test, the scripts and settings read by the show's
// end-to-end run); the generators reproduce every file.
#include "ai/Actors.h"
#include "ai/Board.h"
#include "support/EngineFixtures.h"
#include "support/ModelFixtures.h"
#include "util/Path.h"

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using qor::ai::BoardCell;
using kelvo::test::readFile;

const std::string kGame = KELVO_GAME_DIR;
std::string game(const std::string& relative) { return kGame + "/" + relative; }

// The board as the show has it after loading: walls grown, nothing else.
qor::ai::Board grownBoard() {
  qor::ai::Board board;
  board.readCells(readFile(game("tableroConfig2.txt")));
  board.growWalls();
  return board;
}

int manhattan(BoardCell a, BoardCell b) { return std::abs(a.column - b.column) + std::abs(a.row - b.row); }

TEST(ContentShowTest, BoardAndActorsLetTheGameBePlayed) {
  const qor::ai::Board board = grownBoard();
  qor::ai::Board withFigures = board;
  qor::ai::GameRecord record;
  const qor::ai::RoomPlacement previous = qor::ai::roomPlacement;
  qor::ai::roomPlacement = [] { return qor::ai::Placement{}; };  // no room model needed to place nodes
  ASSERT_TRUE(qor::ai::createActors(withFigures, record, game("ActorDescription.txt")));
  qor::ai::roomPlacement = previous;
  ASSERT_TRUE(record.hasChild);
  EXPECT_GE(record.workers.size(), 2u) << "more than one nurse";

  const BoardCell player{120, 33}, home = qor::ai::kHomeCell;
  const BoardCell child{record.child.column, record.child.row};
  std::vector<BoardCell> figures{player, child};
  for (const auto& w : record.workers) figures.push_back({w.column, w.row});
  std::set<std::pair<int, int>> taken;
  for (const BoardCell& f : figures) {
    SCOPED_TRACE(testing::Message() << "figure at (" << f.column << ", " << f.row << ")");
    EXPECT_EQ(board.read(f.column, f.row), qor::ai::kFree) << "stands on a wall after wall growth";
    EXPECT_TRUE(taken.insert({f.column, f.row}).second) << "shares its cell";
  }
  // That the child and home can be reached, and the nurses catch a careless player, show_game_test's visitors show.
  EXPECT_EQ(board.read(home.column, home.row), qor::ai::kFree);
  // Well away: the child is neither home at once nor within reach of the start.
  EXPECT_GT(manhattan(child, home), 60);
  EXPECT_GT(manhattan(child, player), 100);
}

// ---- the room ------------------------------------------------------------------

// The room's faces, centred and scaled as the reader does; no GL, and the
// MTL file is not read (only the geometry matters here).
qor::SmartPointer<qor::ModelObj> roomModel() {
  return kelvo::test::parseModel(readFile(game("Data/Models/escenario.obj")));
}

struct Triangle {
  std::array<float, 3> a, b, c;
};
std::vector<Triangle> triangles(const qor::ModelObj& model) {
  std::vector<Triangle> out;
  for (const auto& g : model.groups)
    for (const auto& f : g.faces)
      out.push_back({g.vertices[static_cast<std::size_t>(f.vertex[0])], g.vertices[static_cast<std::size_t>(f.vertex[1])],
                     g.vertices[static_cast<std::size_t>(f.vertex[2])]});
  return out;
}
bool facesUp(const Triangle& t) {
  const float ux = t.b[0] - t.a[0], uz = t.b[2] - t.a[2], vx = t.c[0] - t.a[0], vz = t.c[2] - t.a[2];
  const float uy = t.b[1] - t.a[1], vy = t.c[1] - t.a[1];
  const float nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
  return ny > 0.95f * std::sqrt(nx * nx + ny * ny + nz * nz);
}
// The floor: the lowest surface that faces up.
float floorOf(const std::vector<Triangle>& all) {
  float floor = 1e9f;
  for (const Triangle& t : all)
    if (facesUp(t)) floor = std::min({floor, t.a[1], t.b[1], t.c[1]});
  return floor;
}

TEST(ContentShowTest, BoardWallsLieUnderTheRoomsWallsAndFurniture) {
  const auto room = roomModel();
  // The board spans the room's box: 512 columns over x, 396 rows over z.
  const float width = room->boxMax[0] - room->boxMin[0], depth = room->boxMax[2] - room->boxMin[2];
  EXPECT_NEAR(width / 512.0f, depth / 396.0f, 1e-5f) << "cells are not square";
  const std::vector<Triangle> all = triangles(*room);
  const float floor = floorOf(all), cell = width / 512.0f;
  // Mark every cell under an upward face that stands more than two cells
  // above the floor (rugs and mats lie flat and do not count).
  std::vector<bool> covered(qor::ai::kCellCount, false);
  for (const Triangle& t : all) {
    if (!facesUp(t) || std::min({t.a[1], t.b[1], t.c[1]}) < floor + 2 * cell) continue;
    auto column = [&](float x) { return (x - room->boxMin[0]) / cell; };
    auto row = [&](float z) { return (z - room->boxMin[2]) / cell; };
    const float ax = column(t.a[0]), az = row(t.a[2]), bx = column(t.b[0]), bz = row(t.b[2]), cx = column(t.c[0]),
                cz = row(t.c[2]);
    auto side = [](float px, float pz, float qx, float qz, float x, float z) { return (qx - px) * (z - pz) - (qz - pz) * (x - px); };
    for (int r = std::max(0, static_cast<int>(std::min({az, bz, cz}))); r <= std::min(395, static_cast<int>(std::max({az, bz, cz}))); ++r)
      for (int c = std::max(0, static_cast<int>(std::min({ax, bx, cx}))); c <= std::min(511, static_cast<int>(std::max({ax, bx, cx}))); ++c) {
        const float x = static_cast<float>(c) + 0.5f, z = static_cast<float>(r) + 0.5f;
        const float s1 = side(ax, az, bx, bz, x, z), s2 = side(bx, bz, cx, cz, x, z), s3 = side(cx, cz, ax, az, x, z);
        if ((s1 >= 0 && s2 >= 0 && s3 >= 0) || (s1 <= 0 && s2 <= 0 && s3 <= 0))
          covered[static_cast<std::size_t>(qor::ai::Board::index(c, r))] = true;
      }
  }
  // The board file's walls, before growth.
  qor::ai::Board walls;
  walls.readCells(readFile(game("tableroConfig2.txt")));
  auto near = [](auto&& test, int c, int r) {
    for (int dr = -1; dr <= 1; ++dr)
      for (int dc = -1; dc <= 1; ++dc)
        if (qor::ai::Board::contains(c + dc, r + dr) && test(c + dc, r + dr)) return true;
    return false;
  };
  auto isCovered = [&](int c, int r) { return covered[static_cast<std::size_t>(qor::ai::Board::index(c, r))]; };
  auto isWall = [&](int c, int r) { return walls.read(c, r) == qor::ai::kWall; };
  int wallsInTheOpen = 0, furnitureOnFreeCells = 0, wallCells = 0;
  for (int r = 0; r < 396; ++r)
    for (int c = 0; c < 512; ++c) {
      wallCells += isWall(c, r);
      // A cell's edge may fall either way where an outline crosses it.
      if (isWall(c, r) && !near(isCovered, c, r)) ++wallsInTheOpen;
      if (isCovered(c, r) && !near(isWall, c, r)) ++furnitureOnFreeCells;
    }
  EXPECT_GT(wallCells, 10000);
  EXPECT_EQ(wallsInTheOpen, 0) << "board walls where the room has no wall or furniture";
  EXPECT_EQ(furnitureOnFreeCells, 0) << "walls or furniture over free board cells";
}

TEST(ContentShowTest, FiguresStandOnTheFloor) {
  // The game scene scales the room's height by 0.5 and the figures by these
  // factors; every model is centred on its box first.
  const auto room = roomModel();
  const float floorInScene = floorOf(triangles(*room)) * 0.5f;
  const std::pair<const char*, float> figures[] = {{"vieja", 0.08f}, {"nurse", 0.08f}, {"nino", 0.03f}};
  for (const auto& [name, size] : figures) {
    SCOPED_TRACE(name);
    const auto model = kelvo::test::parseModel(readFile(game(std::string("Data/Models/") + name + ".obj")));
    float lowest = 1e9f, highest = -1e9f;
    for (const Triangle& t : triangles(*model)) {
      lowest = std::min({lowest, t.a[1], t.b[1], t.c[1]});
      highest = std::max({highest, t.a[1], t.b[1], t.c[1]});
    }
    EXPECT_NEAR(lowest * size, floorInScene, 0.0005f) << "feet off the floor (half a cell is 0.001)";
    // Taller than the child's arrow needs, shorter than the gap to the light.
    EXPECT_GT((highest - lowest) * size, 0.02f);
    EXPECT_LT((highest - lowest) * size, 0.08f);
  }
}

TEST(ContentShowTest, ModelsAreClosedSolidsWoundOutwards) {
  // The renderer culls back faces and the shadow volumes find silhouettes
  // through shared vertex numbers: within each group every edge must be
  // shared by two triangles running it in opposite directions, and the
  // triangles must enclose a positive volume (counter-clockwise seen from
  // outside). The slides and the backdrop are single flat panels.
  for (const char* name : {"escenario", "vieja", "nino", "nurse", "arrow"}) {
    SCOPED_TRACE(name);
    const auto model = kelvo::test::parseModel(readFile(game(std::string("Data/Models/") + name + ".obj")));
    for (const auto& g : model->groups) {
      std::map<std::pair<int32_t, int32_t>, int> edges;
      double volume = 0;
      for (const auto& f : g.faces) {
        for (int k = 0; k < 3; ++k) ++edges[{f.vertex[k], f.vertex[(k + 1) % 3]}];
        const auto& a = g.vertices[static_cast<std::size_t>(f.vertex[0])];
        const auto& b = g.vertices[static_cast<std::size_t>(f.vertex[1])];
        const auto& c = g.vertices[static_cast<std::size_t>(f.vertex[2])];
        volume += a[0] * (b[1] * c[2] - b[2] * c[1]) - a[1] * (b[0] * c[2] - b[2] * c[0]) + a[2] * (b[0] * c[1] - b[1] * c[0]);
      }
      int open = 0;
      for (const auto& [edge, count] : edges) {
        const auto back = edges.find({edge.second, edge.first});
        if (count != 1 || back == edges.end() || back->second != 1) ++open;
      }
      EXPECT_EQ(open, 0) << g.materials.front()->name << ": edges not shared by exactly two opposite triangles";
      EXPECT_GT(volume, 0.0) << g.materials.front()->name << ": wound inwards";
    }
  }
}

TEST(ContentShowTest, TheMusicLoopsWithoutASeam) {
  // Read as 16-bit samples after the 44-byte header: the jump from the last
  // sample back to the first is no bigger than any step inside the loop.
  const std::string bytes = readFile(game("Data/sounds/Musica/ghost6.wav"));
  ASSERT_GT(bytes.size(), 44u + 22050u * 2);
  auto sample = [&](std::size_t i) {
    return static_cast<int>(static_cast<int16_t>(static_cast<uint8_t>(bytes[44 + 2 * i]) |
                                                 (static_cast<uint8_t>(bytes[45 + 2 * i]) << 8)));
  };
  const std::size_t n = (bytes.size() - 44) / 2;
  int largestStep = 0;
  for (std::size_t i = 1; i < n; ++i) largestStep = std::max(largestStep, std::abs(sample(i) - sample(i - 1)));
  EXPECT_LE(std::abs(sample(0) - sample(n - 1)), largestStep);
  EXPECT_GT(largestStep, 100) << "silent";
}

// ---- every file the show names loads -------------------------------------------------

// The faces of an OBJ text, counted from its "f" lines (a quadrilateral is two).
std::size_t facesInText(const std::string& text) {
  std::istringstream in(text);
  std::size_t faces = 0;
  for (std::string line; std::getline(in, line);)
    if (line.rfind("f ", 0) == 0) faces += std::count(line.begin(), line.end(), '/') >= 7 ? 2 : 1;
  return faces;
}

bool imageDecodes(const std::string& path) {
  const FREE_IMAGE_FORMAT format = FreeImage_GetFileType(path.c_str(), 0);
  if (format == FIF_UNKNOWN) return false;
  FIBITMAP* image = FreeImage_Load(format, path.c_str(), 0);
  const bool ok = image && FreeImage_GetWidth(image) >= 8 && FreeImage_GetWidth(image) <= 512 &&
                  FreeImage_GetHeight(image) >= 8 && (FreeImage_GetBPP(image) == 24 || FreeImage_GetBPP(image) == 32);
  if (image) FreeImage_Unload(image);
  return ok;
}

TEST(ContentShowTest, EveryFileTheShowNamesLoads) {
  FreeImage_Initialise(FALSE);
  const char* models[] = {"slide1", "slide2", "slide3", "slide4", "slide", "escenario",
                          "vieja",  "nino",   "nurse",  "arrow",  "background"};
  for (const char* name : models) {
    SCOPED_TRACE(name);
    const std::string objPath = game(std::string("Data/Models/") + name + ".obj");
    const std::string text = readFile(objPath);
    const auto model = kelvo::test::parseModel(text, objPath);
    std::size_t faces = 0;
    for (const auto& g : model->groups) faces += g.faces.size();
    EXPECT_GT(faces, 0u);
    EXPECT_EQ(faces, facesInText(text)) << "faces refer to vertices or normals outside their group";
    // Its materials, each found in its MTL file, each texture decoding.
    const std::string mtlPath = game(std::string("Data/Models/") + name + ".mtl");
    std::istringstream mtl(readFile(mtlPath));
    std::size_t materials = 0;
    for (std::string word, rest; mtl >> word && std::getline(mtl, rest);) {
      rest.erase(0, rest.find_first_not_of(' '));
      if (word == "newmtl") {
        ++materials;
        EXPECT_EQ(rest.rfind(std::string(name) == "slide" ? "slide_" : name, 0), 0u)
            << rest << ": material names are shared by every model, so each carries its model's name";
      }
      if (word == "map_Kd") {
        EXPECT_TRUE(imageDecodes(qor::path::join(mtlPath, rest))) << rest;
      }
    }
    EXPECT_EQ(materials, model->groups.size()) << "one material per group";
  }
  EXPECT_TRUE(imageDecodes(game("Data/Textures/nonTexture.jpg")));
  EXPECT_EQ(FreeImage_GetFileType(game("Data/Textures/nonTexture.jpg").c_str(), 0), FIF_JPEG);
  FreeImage_DeInitialise();

}

// ---- the generators -------------------------------------------------------------------

// Files in game/ that the show writes itself.
bool writtenByTheShow(const fs::path& relative) {
  const std::string s = relative.generic_string();
  return s == "newTablero.txt" || s == "stdin" || s.rfind("tmp/", 0) == 0 ||
         (s.find("/tmp/") != std::string::npos && relative.filename() != ".gitkeep");
}

// The RGB pixels of an image, top row first; empty when it does not decode.
std::vector<uint8_t> pixels(const std::string& path) {
  std::vector<uint8_t> out;
  FIBITMAP* image = FreeImage_Load(FreeImage_GetFileType(path.c_str(), 0), path.c_str(), 0);
  if (!image) return out;
  FIBITMAP* rgb = FreeImage_ConvertTo24Bits(image);
  for (unsigned y = 0; rgb && y < FreeImage_GetHeight(rgb); ++y) {
    const BYTE* row = FreeImage_GetScanLine(rgb, static_cast<int>(FreeImage_GetHeight(rgb) - 1 - y));
    out.insert(out.end(), row, row + 3 * FreeImage_GetWidth(rgb));
  }
  if (rgb) FreeImage_Unload(rgb);
  FreeImage_Unload(image);
  return out;
}

// The same bytes; or, for images, the same pixels (another zlib or libjpeg
// may pack them differently), within 8 levels for JPEG's lossy coding.
bool sameContent(const std::string& a, const std::string& b) {
  if (readFile(a) == readFile(b)) return true;
  const std::string extension = fs::path(a).extension().string();
  if (extension != ".png" && extension != ".jpg") return false;
  const std::vector<uint8_t> pa = pixels(a), pb = pixels(b);
  if (pa.empty() || pa.size() != pb.size()) return false;
  const int tolerance = extension == ".jpg" ? 8 : 0;
  for (std::size_t i = 0; i < pa.size(); ++i)
    if (std::abs(pa[i] - pb[i]) > tolerance) return false;
  return true;
}

TEST(ContentShowTest, GeneratorsWriteEveryFileOfTheInstallation) {
  kelvo::test::TempDir out;
  for (const char* tool : {"kelvo-content", "kelvo-gui-art"}) {
    const std::string command = std::string(KELVO_BIN_DIR) + "/" + tool + " " + out.path();
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }
  std::set<std::string> made;
  for (const auto& entry : fs::recursive_directory_iterator(out.path()))
    if (entry.is_regular_file()) made.insert(fs::relative(entry.path(), out.path()).generic_string());
  std::size_t compared = 0;
  FreeImage_Initialise(FALSE);
  for (const auto& entry : fs::recursive_directory_iterator(kGame)) {
    if (!entry.is_regular_file()) continue;
    const fs::path relative = fs::relative(entry.path(), kGame);
    if (writtenByTheShow(relative)) continue;
    SCOPED_TRACE(relative.generic_string());
    ASSERT_TRUE(made.count(relative.generic_string())) << "in game/ but made by no generator";
    EXPECT_TRUE(sameContent(entry.path().string(), out.file(relative.generic_string())))
        << "the generator now writes other content: run it into game/ and commit";
    ++compared;
  }
  FreeImage_DeInitialise();
  EXPECT_EQ(compared, made.size()) << "a generated file is missing from game/";
}

}  // namespace
