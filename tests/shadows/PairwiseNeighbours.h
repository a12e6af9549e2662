#pragma once
// The reference neighbour search, quadratic, for the tests and the benchmark: every edge still without a
// neighbour is compared with every edge of every other triangle; each match sets both sides, later ones win.

#include "model/IModel.h"

#include <algorithm>
#include <vector>

namespace kelvo::test {

inline std::vector<int32_t> pairwiseNeighbours(const std::vector<qor::ModelFace>& faces) {
  std::vector<int32_t> neighbour(faces.size() * 3, 0);
  // Edge e, from corner e % 3 of triangle e / 3 to the next, as its two vertex indices, smaller first.
  auto edge = [&](auto e) { return std::minmax(faces[e / 3].vertex[e % 3], faces[e / 3].vertex[(e % 3 + 1) % 3]); };
  for (std::size_t a = 0; a < neighbour.size(); ++a)
    if (neighbour[a] == 0)
      for (std::size_t b = 0; b < neighbour.size(); ++b)
        if (a / 3 != b / 3 && edge(a) == edge(b)) {
          neighbour[a] = static_cast<int32_t>(b / 3 + 1);
          neighbour[b] = static_cast<int32_t>(a / 3 + 1);
        }
  return neighbour;
}

}  // namespace kelvo::test
