// A picture of the searches on the complex plane, as a self-contained SVG.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "solver/bounds/inclusion.hpp"
#include "solver/polynomial.hpp"

namespace secant {

struct SearchPath {
    std::vector<Complex> points;  // the start points, then every new point in order
    int iterations = 0;
    // Searches for the same root that found none, each as its points, in order.
    std::vector<std::vector<Complex>> abandoned;
};

struct IteratePicture {
    std::array<SearchPath, kMaxCoefficients> searches;  // index 1 on, as the roots
    int searchCount = 0;
    std::array<Complex, kMaxCoefficients> roots{};
    int rootCount = 0;  // roots 1 to rootCount are marked
    RootDisks disks{};  // around roots 1 to rootCount
    // The refined roots 1 to refinedCount (0 where none), at their disks' centres.
    RootDisks refined{};
    int refinedCount = 0;
};

std::string renderSvg(const IteratePicture& picture);

}  // namespace secant
