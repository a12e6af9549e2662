#pragma once
// The reference neighbour search, quadratic: every edge still without a
// neighbour is compared with every edge of every other triangle, and each
// match sets both sides (later matches overwrite earlier ones). Shared by the
// tests and the benchmark.

#include "model/IModel.h"

#include <algorithm>
#include <vector>

namespace kelvo::test {

inline std::vector<int32_t> pairwiseNeighbours(const std::vector<qor::ModelFace>& faces) {
  std::vector<int32_t> neighbour(faces.size() * 3, 0);
  auto lo = [&](std::size_t t, int k) { return std::min(faces[t].vertex[k], faces[t].vertex[(k + 1) % 3]); };
  auto hi = [&](std::size_t t, int k) { return std::max(faces[t].vertex[k], faces[t].vertex[(k + 1) % 3]); };
  for (std::size_t i = 0; i < faces.size(); ++i)
    for (int ki = 0; ki < 3; ++ki)
      if (neighbour[i * 3 + ki] == 0)
        for (std::size_t j = 0; j < faces.size(); ++j)
          for (int kj = 0; kj < 3; ++kj)
            if (j != i && lo(i, ki) == lo(j, kj) && hi(i, ki) == hi(j, kj)) {
              neighbour[i * 3 + ki] = static_cast<int32_t>(j + 1);
              neighbour[j * 3 + kj] = static_cast<int32_t>(i + 1);
            }
  return neighbour;
}

}  // namespace kelvo::test
