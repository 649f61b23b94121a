#include <iostream>
#include <string>
#include <vector>

#include "batch/batch_runner.h"

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    std::vector<std::string> args(argv + 1, argv + argc);
    return ostrel::RunBatch(args, std::cout, std::cerr);
}
