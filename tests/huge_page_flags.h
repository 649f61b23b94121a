// What the kernel says of this process's memory: whether a block is advised for huge pages.
#pragma once

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

namespace ostrel::test {

// The system gives huge pages to advised memory unless its setting is "never".
inline bool SystemOffersHugePages() {
    std::ifstream setting("/sys/kernel/mm/transparent_hugepage/enabled");
    std::string text;
    std::getline(setting, text);
    return setting && text.find("[never]") == std::string::npos;
}

// The flag "hg" of the mapping that holds the address, in /proc/self/smaps.
inline bool AdvisedForHugePages(const void* address) {
    std::ifstream smaps("/proc/self/smaps");
    std::string line;
    bool inside = false;
    const auto at = reinterpret_cast<uintptr_t>(address);
    while (std::getline(smaps, line)) {
        unsigned long begin = 0, end = 0;
        int length = 0;
        // A mapping's line starts "begin-end perms ..."; its fields follow as "Name: value".
        if (std::sscanf(line.c_str(), "%lx-%lx %n", &begin, &end, &length) == 2 && length > 0) {
            inside = begin <= at && at < end;
        } else if (inside && line.rfind("VmFlags:", 0) == 0) {
            return line.find(" hg") != std::string::npos;
        }
    }
    return false;
}

}  // namespace ostrel::test
