// GSTBOOT_ISA: how a value caps the kernel set, what an unknown value does,
// and the name reported for the choice.
#include <gtest/gtest.h>

#include <string>

#include "common/error.h"
#include "estimates/isa.h"
#include "testutil.h"

using namespace gstboot;
using namespace testutil;

namespace {

struct CapCase {
    const char* value;  // nullptr: unset
    Isa widest;         // what the processor has
    Isa want;
};

#if defined(__x86_64__)
const CapCase kCaps[] = {
    {nullptr, Isa::avx512, Isa::avx512},  {"", Isa::avx2, Isa::avx2},
    {"avx512", Isa::avx512, Isa::avx512}, {"avx512", Isa::avx2, Isa::avx2},  // a cap is not a demand
    {"avx512", Isa::baseline, Isa::baseline}, {"avx2", Isa::avx512, Isa::avx2},
    {"avx2", Isa::baseline, Isa::baseline}, {"baseline", Isa::avx512, Isa::baseline},
};
const char* const kAccepted = "avx512, avx2, baseline";
#elif defined(__aarch64__)
const CapCase kCaps[] = {{nullptr, Isa::baseline, Isa::baseline}, {"neon", Isa::baseline, Isa::baseline},
                         {"baseline", Isa::baseline, Isa::baseline}};
const char* const kAccepted = "neon, baseline";
#else
const CapCase kCaps[] = {{nullptr, Isa::baseline, Isa::baseline}, {"baseline", Isa::baseline, Isa::baseline}};
const char* const kAccepted = "baseline";
#endif

TEST(Isa, ValuesCapTheProcessorsWidest) {
    for (const CapCase& c : kCaps) {
        EXPECT_EQ(capisa(c.value, c.widest), c.want) << (c.value ? c.value : "(unset)") << " on " << isaname(c.widest);
    }
    // Names are exact: no other spelling, case or padding, and no name of
    // another platform's sets.
    for (const char* bad : {"AVX2", "avx2 ", "sse2", "avx", "native", "neon2", "x"}) {
        try {
            capisa(bad, Isa::baseline);
            ADD_FAILURE() << bad << " accepted";
        } catch (const Error& e) {
            EXPECT_EQ(e.kind(), ErrorKind::usage);
            const std::string msg = e.what();
            EXPECT_NE(msg.find("GSTBOOT_ISA is '" + std::string(bad) + "'"), std::string::npos) << msg;
            EXPECT_NE(msg.find(kAccepted), std::string::npos) << msg;
        }
    }
}

TEST(Isa, KernelNameFollowsTheVariable) {
    for (Isa isa : runnableisas()) {
        ScopedEnv cap("GSTBOOT_ISA", isaname(isa));
        EXPECT_EQ(chosenisa(), isa);
        EXPECT_STREQ(kernelname(), isaname(isa));
    }
    ScopedEnv unset("GSTBOOT_ISA", nullptr);
    EXPECT_EQ(chosenisa(), runnableisas().back());
}

TEST(Isa, TheProgramRefusesAnUnknownValue) {
    TempDir dir;
    copyinputs("worked-example", dir.path());
    ScopedEnv cap("GSTBOOT_ISA", "avx3");
    RunResult r = rungstboot(dir.path(), {"--seed", "1"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("gstboot: GSTBOOT_ISA is 'avx3', not one of " + std::string(kAccepted)), std::string::npos)
        << r.err;
    EXPECT_FALSE(exists(dir.file("output.txt")));
    EXPECT_EQ(listdir(dir.path()).size(), 2u);  // the inputs alone: no temporary file left
}

}  // namespace
