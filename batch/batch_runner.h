// ostrel-batch: the headless runner of the window's commands on one spectrum.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace ostrel {

// Runs one command line (without the program name). Returns the exit status: 0 on success, 1
// when the command failed, 2 for a usage error.
int RunBatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace ostrel
