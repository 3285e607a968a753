// libFuzzer targets for the readers: built once per file kind, with
// GSTBOOT_FUZZ_KIND set to 0 (legacy MHC), 1 (legacy MIC), 2 (GENEPOP),
// 3 (table), 4 (GenAlEx) or 5 (STRUCTURE). Any input that breaks the
// reader's contract aborts, so the fuzzer keeps it as a finding.
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "readcheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace gstboot;
    // Several megabytes: made once, reused by every input.
    static std::unique_ptr<DataSet> ds(new DataSet);
    const auto kind = static_cast<readcheck::Kind>(GSTBOOT_FUZZ_KIND);
    std::string problem = readcheck::replay(kind, data, size, *ds);
    if (!problem.empty()) {
        std::fprintf(stderr, "reader contract broken: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
