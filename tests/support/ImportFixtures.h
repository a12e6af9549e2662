#pragma once
// One cube as a binary glTF, with an image in it or without; the same cube in
// the other formats the tests show is kept in tests/model/formats/. The cube
// spans -0.5 to 0.5 on every axis, 8 corners and 12 triangles wound outwards;
// its material is red. The file places it with a node transform that
// stretches x twice as far, so a reading that applies the file's rest pose
// gives a box twice as long in x as in y and z.

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace kelvo::test {

struct CubeMesh {
  std::array<std::array<float, 3>, 8> corners{{{-0.5f, -0.5f, -0.5f}, {0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, -0.5f},
                                                 {-0.5f, 0.5f, -0.5f}, {-0.5f, -0.5f, 0.5f}, {0.5f, -0.5f, 0.5f},
                                                 {0.5f, 0.5f, 0.5f}, {-0.5f, 0.5f, 0.5f}}};
  std::array<std::array<uint16_t, 3>, 12> triangles{{{0, 3, 2}, {0, 2, 1}, {4, 5, 6}, {4, 6, 7}, {0, 1, 5}, {0, 5, 4},
                                                     {3, 7, 6}, {3, 6, 2}, {0, 4, 7}, {0, 7, 3}, {1, 2, 6}, {1, 6, 5}}};
};

template <typename T> void appendBytes(std::string& out, const T& value) {
  out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

// The cube's buffer: positions (96 bytes), then 16-bit corners (72 bytes).
inline std::string cubeBuffer() {
  const CubeMesh cube;
  std::string out;
  for (const auto& c : cube.corners) appendBytes(out, c);
  for (const auto& t : cube.triangles) appendBytes(out, t);
  return out;
}

// glTF JSON for the cube in the binary chunk, with `imageBytes` of PNG after
// it as the base colour texture when there are any.
inline std::string gltfJson(std::size_t imageBytes) {
  const std::size_t geometry = cubeBuffer().size();
  const std::string texture = imageBytes ? R"(,"baseColorTexture":{"index":0})" : "";
  std::string json = R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],)"
                     R"("nodes":[{"mesh":0,"scale":[2,1,1]}],)"
                     R"("meshes":[{"primitives":[{"attributes":{"POSITION":0},"indices":1,"material":0}]}],)"
                     R"("materials":[{"name":"red","pbrMetallicRoughness":{"baseColorFactor":[1,0,0,1],)"
                     R"("metallicFactor":0,"roughnessFactor":0.5)" + texture + "}}],";
  json += R"("buffers":[{"byteLength":)" + std::to_string(geometry + imageBytes) + "}],";
  json += R"("bufferViews":[{"buffer":0,"byteOffset":0,"byteLength":96},)"
          R"({"buffer":0,"byteOffset":96,"byteLength":72})";
  if (imageBytes)
    json += R"(,{"buffer":0,"byteOffset":)" + std::to_string(geometry) + R"(,"byteLength":)" +
            std::to_string(imageBytes) + "}";
  json += "],";
  json += R"("accessors":[{"bufferView":0,"componentType":5126,"count":8,"type":"VEC3",)"
          R"("min":[-0.5,-0.5,-0.5],"max":[0.5,0.5,0.5]},)"
          R"({"bufferView":1,"componentType":5123,"count":36,"type":"SCALAR"}])";
  if (imageBytes)
    json += R"(,"textures":[{"source":0}],"images":[{"bufferView":2,"mimeType":"image/png"}])";
  return json + "}";
}

// A binary glTF; with `png` its material's texture is that image, held in the file.
inline std::string glbCube(const std::string& png = "") {
  std::string json = gltfJson(png.size());
  while (json.size() % 4) json += ' ';
  std::string bin = cubeBuffer() + png;
  while (bin.size() % 4) bin += '\0';
  std::string out = "glTF";
  appendBytes(out, uint32_t{2});
  appendBytes(out, static_cast<uint32_t>(12 + 8 + json.size() + 8 + bin.size()));
  appendBytes(out, static_cast<uint32_t>(json.size()));
  out += "JSON" + json;
  appendBytes(out, static_cast<uint32_t>(bin.size()));
  out += std::string("BIN\0", 4) + bin;
  return out;
}

}  // namespace kelvo::test
