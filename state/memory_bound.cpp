#include "state/memory_bound.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "state/errors.h"

namespace ostrel {

uint64_t AvailableMemory() {
    std::FILE* f = std::fopen("/proc/meminfo", "r");
    if (!f) return 0;
    char line[256];
    uint64_t kb = 0;
    while (std::fgets(line, sizeof line, f))
        if (std::sscanf(line, "MemAvailable: %lu kB", &kb) == 1) break;
    std::fclose(f);
    return kb * 1024;
}

uint64_t PointsImplied(uint64_t fileSize, std::string_view head) {
    // Every line end counts once: CR LF, CR alone, LF alone.
    uint64_t lines = 0;
    for (size_t i = 0; i < head.size(); ++i) {
        if (head[i] == '\r') {
            ++lines;
            if (i + 1 < head.size() && head[i + 1] == '\n') ++i;
        } else if (head[i] == '\n') {
            ++lines;
        }
    }
    if (lines == 0 || head.empty()) return fileSize / 4;  // the shortest point line, "1 2" and CR
    const uint64_t averageLine = std::max<uint64_t>(1, head.size() / lines);
    return fileSize / averageLine + 1;
}

void CheckPointsFitInMemory(const std::string& fileName, uint64_t points, uint64_t fileSize,
                            uint64_t available) {
    if (available == 0) return;
    const uint64_t needed = fileSize + points * kBytesPerPoint;
    if (needed <= available) return;
    const uint64_t mb = 1024 * 1024;
    throw CommandError("Файл \"" + fileName + "\" слишком велик: для его " +
                       std::to_string(points) + " точек нужно около " +
                       std::to_string(needed / mb) + " МБ памяти, а свободно " +
                       std::to_string(available / mb) + " МБ.");
}

}  // namespace ostrel
