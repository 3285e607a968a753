// libFuzzer targets for the reader: built once per file kind, with
// GSTBOOT_FUZZ_KIND set to 0 (MHC) or 1 (MIC). Any input that breaks the
// reader's contract aborts, so the fuzzer keeps it as a finding.
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "readcheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace gstboot;
    // Several megabytes: made once, reused by every input.
    static std::unique_ptr<DataSet> ds(new DataSet);
    const auto kind = GSTBOOT_FUZZ_KIND == 0 ? readcheck::Kind::mhc : readcheck::Kind::mic;
    std::string problem = readcheck::replay(kind, data, size, *ds);
    if (!problem.empty()) {
        std::fprintf(stderr, "reader contract broken: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
