// Valid inputs cut at every byte offset: each prefix reads cleanly or fails
// with a clean error, and an error says precisely why.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "../fuzz/readcheck.h"
#include "testutil.h"

using namespace testutil;
using gstboot::readcheck::Kind;

namespace {

// Cases small enough for every offset (a few KiB); the larger ones add
// nothing the tokenizer has not seen here.
const char* const CASES[] = {"worked-example", "edge-codes", "one-population", "switches-off",
                             "amova-peer",     "layout-oneline"};

struct Spot {
    long count = 0;  // tokens in the text
    long line = 1, column = 1;  // of the last one
};

Spot lasttoken(const std::string& text) {
    Spot s;
    long line = 1, column = 0;
    bool intoken = false;
    for (char c : text) {
        bool blank = c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
        if (c == '\n') {
            ++line;
            column = 0;
        } else {
            ++column;
        }
        if (!blank && !intoken) {
            ++s.count;
            s.line = line;
            s.column = column;
        }
        intoken = !blank;
    }
    return s;
}

// Reads `text` as `kind` (npop given for MIC); returns the error, or "".
std::string readprefix(Kind kind, const std::string& text, int npop, gstboot::DataSet& ds) {
    std::string bytes = kind == Kind::mic ? std::string(1, static_cast<char>(npop)) + text : text;
    std::string problem =
        gstboot::readcheck::replay(kind, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), ds);
    EXPECT_EQ(problem, "");
    std::FILE* f = gstboot::readcheck::openbytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    std::vector<std::string> warnings;
    std::string error;
    ds.npop = npop;
    try {
        if (kind == Kind::mhc) gstboot::readmhc(f, "MHCdata.txt", ds, warnings);
        else gstboot::readmic(f, "MICdata.txt", ds, warnings);
    } catch (const gstboot::Error& e) {
        error = e.what();
    }
    std::fclose(f);
    return error;
}

void everyoffset(const std::string& goldencase, Kind kind) {
    auto ds = std::make_unique<gstboot::DataSet>();
    const std::string mhc = readfile(testdata("golden/" + goldencase + "/MHCdata.txt"));
    ASSERT_EQ(readprefix(Kind::mhc, mhc, 0, *ds), "");
    const int npop = ds->npop;
    const std::string full = readfile(testdata("golden/" + goldencase + "/" + gstboot::readcheck::filename(kind)));
    const std::string name = gstboot::readcheck::filename(kind);
    long clean = 0, ended = 0;
    for (std::size_t k = 0; k <= full.size(); ++k) {
        const std::string cut = full.substr(0, k);
        const std::string error = readprefix(kind, cut, npop, *ds);
        if (error.empty()) {
            ++clean;
            continue;
        }
        const Spot s = lasttoken(cut);
        const std::string holds = "and holds " + std::to_string(s.count);
        if (error.find("the file ends where the") != std::string::npos) {
            ++ended;
            EXPECT_EQ(error.compare(error.size() - holds.size(), holds.size(), holds), 0)
                << "offset " << k << ": " << error;
        } else {
            // Only a value cut short can be wrong: the last one.
            EXPECT_EQ(error.rfind(name + ":" + std::to_string(s.line) + ":" + std::to_string(s.column) + ": ", 0), 0u)
                << "offset " << k << ": " << error;
        }
    }
    EXPECT_GT(clean, 0) << "the whole file must read";
    EXPECT_GT(ended, 0);
}

TEST(Truncation, EveryOffsetOfMhcFiles) {
    for (const char* c : CASES) {
        SCOPED_TRACE(c);
        everyoffset(c, Kind::mhc);
    }
}

TEST(Truncation, EveryOffsetOfMicFiles) {
    for (const char* c : CASES) {
        SCOPED_TRACE(c);
        everyoffset(c, Kind::mic);
    }
}

TEST(Truncation, ThroughTheProgramNothingIsWritten) {
    const std::string mhc = readfile(testdata("golden/worked-example/MHCdata.txt"));
    const std::string mic = readfile(testdata("golden/worked-example/MICdata.txt"));
    struct Cut {
        const char* file;
        std::size_t keep;
    };
    for (Cut c : {Cut{"MHCdata.txt", 0}, Cut{"MHCdata.txt", 9}, Cut{"MHCdata.txt", mhc.size() - 5},
                  Cut{"MICdata.txt", 0}, Cut{"MICdata.txt", 11}, Cut{"MICdata.txt", mic.size() - 3}}) {
        SCOPED_TRACE(std::string(c.file) + " cut to " + std::to_string(c.keep));
        TempDir dir;
        copyinputs("worked-example", dir.path());
        const std::string whole = std::string(c.file) == "MHCdata.txt" ? mhc : mic;
        writefile(dir.file(c.file), whole.substr(0, c.keep));
        RunResult r = rungstboot(dir.path(), {"--seed", "1"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find(std::string(c.file) + ":"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("the file ends where the"), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_FALSE(exists(dir.file("output.txt")));
        EXPECT_EQ(listdir(dir.path()).size(), 2u);
    }
}

}  // namespace
