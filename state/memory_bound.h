// Whether a spectrum of a given size fits in this computer's memory, asked before it is read.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ostrel {

// The window holds a spectrum several times over (its file, the points, the smoothed stages,
// the chart's copies): about this many bytes a point at the most, measured on the road.
inline constexpr uint64_t kBytesPerPoint = 400;

// Memory the system can still give, in bytes (MemAvailable of /proc/meminfo); 0 when unknown.
uint64_t AvailableMemory();

// The points a text file of fileSize bytes holds, judged from its first bytes (a sample whose
// line ends are counted).
uint64_t PointsImplied(uint64_t fileSize, std::string_view head);

// Throws CommandError naming the file when points of it would need more memory than is
// available (nothing is checked when the available memory is unknown).
void CheckPointsFitInMemory(const std::string& fileName, uint64_t points, uint64_t fileSize,
                            uint64_t available);

}  // namespace ostrel
