// The open spectrum: x (measured mass, u) and y (intensity) of every point, same index.
#pragma once

#include <cstdint>
#include <vector>

namespace ostrel {

struct Spectrum {
    std::vector<double> PointX;
    std::vector<double> PointY;

    int32_t PointCount() const { return static_cast<int32_t>(PointX.size()); }
};

}  // namespace ostrel
