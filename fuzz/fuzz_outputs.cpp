// libFuzzer target for what the program writes: arbitrary names and numbers
// in a run summary must leave the figure well-formed XML, every table row
// with the header's columns, and every warning free of terminal controls.
#include <cstdio>
#include <cstdlib>

#include "writecheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string problem = gstboot::writecheck::replay(data, size);
    if (!problem.empty()) {
        std::fprintf(stderr, "output contract broken: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
