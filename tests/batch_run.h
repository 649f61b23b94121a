// Runs ostrel-batch in the test's process and keeps what it printed.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "batch/batch_runner.h"

namespace ostrel::testing {

struct BatchRun {
    int status;
    std::string out;
    std::string err;
};

inline BatchRun Batch(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = RunBatch(args, out, err);
    return {status, out.str(), err.str()};
}

// Standard output's "\n" line ends as the CR LF of the files written with --out.
inline std::string WithCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

}  // namespace ostrel::testing
