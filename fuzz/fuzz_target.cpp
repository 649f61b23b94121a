// The libFuzzer entry of one check, chosen when the target is built (OSTREL_FUZZ_CHECK). A fault
// the check reports ends the run like a crash, so libFuzzer keeps the input that caused it.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fuzz/fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string fault = ostrel::fuzz::OSTREL_FUZZ_CHECK(
        std::string_view(reinterpret_cast<const char*>(data), size));
    if (!fault.empty()) {
        std::fprintf(stderr, "ostrel fuzz fault: %s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
