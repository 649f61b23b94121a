// The fuzz targets' seeds and every input a fuzzer found a fault with, replayed through the same
// checks on every test run, so that a fault once fixed stays fixed.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "fuzz/fuzz_checks.h"

namespace ostrel {
namespace {

namespace fs = std::filesystem;

std::string Bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void Replay(const std::string& target, const std::function<std::string(std::string_view)>& check) {
    int inputs = 0;
    for (const char* kind : {"corpus", "regressions"}) {
        const fs::path folder = fs::path(OSTREL_FUZZ_DIR) / kind / target;
        if (!fs::exists(folder)) continue;
        for (const auto& entry : fs::directory_iterator(folder)) {
            EXPECT_EQ(check(Bytes(entry.path())), "") << entry.path();
            ++inputs;
        }
    }
    EXPECT_GT(inputs, 0) << "no input found for " << target;
}

TEST(FuzzReplayTest, SpectrumReader) {
    Replay("spectrum_reader", fuzz::CheckSpectrumReader);
}
TEST(FuzzReplayTest, Road) {
    Replay("road", fuzz::CheckRoad);
}
TEST(FuzzReplayTest, MzReader) {
    Replay("mz_reader", fuzz::CheckMzReader);
}

}  // namespace
}  // namespace ostrel
