// The cells of one line of a table that ostrel-batch prints: tab separated, as the bench tools
// read the results table of `peaks`.
#pragma once

#include <sstream>
#include <string>
#include <vector>

namespace ostrel::bench {

inline std::vector<std::string> TabCells(const std::string& line) {
    std::vector<std::string> cells;
    std::string cell;
    std::istringstream in(line);
    while (std::getline(in, cell, '\t')) cells.push_back(cell);
    return cells;
}

}  // namespace ostrel::bench
