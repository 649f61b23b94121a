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

}  // namespace ostrel::testing
