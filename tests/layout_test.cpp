// Files as users have them: CR LF line ends, tabs, a byte-order mark, tokens
// across the tokenizer's buffer boundary, and a huge tail of unused values,
// refused where it goes beyond what the layout holds.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <random>
#include <thread>

#include "common/error.h"
#include "input/reader.h"
#include "testutil.h"

using namespace testutil;

namespace {

const std::string BOM = "\xEF\xBB\xBF";
constexpr std::size_t BUFFER = 1 << 16;  // TokenStream's buffer

std::string dosify(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += "\r\n";
        else if (c == ' ') out += '\t';
        else out += c;
    }
    return out;
}

// Runs a golden case with its inputs rewritten by `edit`; output must be
// byte-identical to the golden one.
void goldenwith(const std::string& goldencase, std::string (*edit)(const std::string&)) {
    SCOPED_TRACE(goldencase);
    const std::string src = testdata("golden/" + goldencase);
    TempDir dir;
    for (const char* f : {"MHCdata.txt", "MICdata.txt"}) writefile(dir.file(f), edit(readfile(src + "/" + f)));
    RunResult r = rungstboot(dir.path(), {"--seed", goldenseed(goldencase)});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, readfile(src + "/stdout.txt"));
    EXPECT_EQ(readfile(dir.file("output.txt")), readfile(src + "/output.txt"));
}

TEST(UserFiles, CrLfAndTabsReadAsLfAndBlanks) {
    for (const char* c : {"worked-example", "switches-off", "layout-pervalue"}) goldenwith(c, dosify);
}

TEST(UserFiles, ByteOrderMarkIsSkipped) {
    goldenwith("worked-example", [](const std::string& t) { return BOM + t; });
    goldenwith("switches-off", [](const std::string& t) { return BOM + dosify(t); });
}

struct Outcome {
    std::string error;  // empty: read cleanly
    std::vector<std::string> warnings;
};

Outcome readmhctext(const std::string& text, gstboot::DataSet& ds) {
    Outcome o;
    std::FILE* f = std::tmpfile();
    std::fwrite(text.data(), 1, text.size(), f);
    std::rewind(f);
    try {
        gstboot::readmhc(f, "M.txt", ds, o.warnings);
    } catch (const gstboot::Error& e) {
        o.error = e.what();
    }
    std::fclose(f);
    return o;
}

TEST(UserFiles, ByteOrderMarkOddities) {
    auto ds = std::make_unique<gstboot::DataSet>();
    EXPECT_EQ(readmhctext(BOM, *ds).error,
              "M.txt:1:1: the file ends where the population count (npop) was expected: it needs at least 4 "
              "values and holds 0");
    // A mark cut short, or one in the middle, is a byte sequence like any other.
    EXPECT_EQ(readmhctext("\xEF\xBB 1 0 0", *ds).error,
              "M.txt:1:1: expected the population count (npop), but '\\xEF\\xBB' is not a decimal integer");
    EXPECT_EQ(readmhctext("\xEF", *ds).error,
              "M.txt:1:1: expected the population count (npop), but '\\xEF' is not a decimal integer");
    EXPECT_EQ(readmhctext(BOM + BOM + "1 1 0 0 1 5", *ds).error,
              "M.txt:1:1: expected the population count (npop), but '\\xEF\\xBB\\xBF1' is not a decimal integer");
    EXPECT_EQ(readmhctext("1 1 0 0\r\n" + BOM + "1 5", *ds).error,
              "M.txt:2:1: expected the MHC sample size of population 1, but '\\xEF\\xBB\\xBF1' is not a decimal "
              "integer");
    Outcome ok = readmhctext(BOM + "\r\n1\t1 0 0\r\n1\r\n5\r\n", *ds);
    EXPECT_EQ(ok.error, "");
    EXPECT_EQ(ds->mhc[0][0][0], 5);
}

// One MHC file of one allele code, preceded by `pad` blanks after the four
// parameters and sample size, so that the code begins at byte `at`.
std::string codeat(std::size_t at, const std::string& code, char blank) {
    std::string head = "1 1 0 0 1";
    std::string text = head + std::string(at - head.size(), blank) + code + "\n";
    return text;
}

TEST(UserFiles, TokensAcrossTheBufferBoundary) {
    // Codes starting just below, at and above each multiple of the buffer,
    // with a seeded choice of code and padding byte.
    std::mt19937 rng(20240611);
    auto ds = std::make_unique<gstboot::DataSet>();
    const char blanks[] = {' ', '\t', '\n', '\r'};
    for (std::size_t boundary : {BUFFER, 2 * BUFFER}) {
        for (std::size_t at = boundary - 4; at <= boundary + 1; ++at) {
            const int code = static_cast<int>(rng() % 351);
            const char blank = blanks[rng() % 4];
            std::string text = codeat(at, std::to_string(code), blank);
            SCOPED_TRACE("code " + std::to_string(code) + " at " + std::to_string(at));
            Outcome o = readmhctext(text, *ds);
            EXPECT_EQ(o.error, "");
            EXPECT_EQ(ds->mhc[0][0][0], code);
            // The place named in an error counts bytes across the boundary too.
            std::string bad = codeat(at, "3x1", blank);
            const bool ends = blank == '\n' || blank == '\r';  // a line end
            long line = 1 + (ends ? static_cast<long>(at - 9) : 0);
            long column = ends ? 1 : static_cast<long>(at) + 1;
            EXPECT_EQ(readmhctext(bad, *ds).error,
                      "M.txt:" + std::to_string(line) + ":" + std::to_string(column) +
                          ": expected the allele code of population 1, individual 1, copy 1, but '3x1' is not a "
                          "decimal integer");
            // A byte-order mark at the boundary is no mark: only the first bytes can be one.
            EXPECT_NE(readmhctext(codeat(at, BOM + "7", blank), *ds).error.find("'\\xEF\\xBB\\xBF7'"),
                      std::string::npos);
        }
    }
}

TEST(UserFiles, HugeTailEndsAtTheLayoutsBound) {
    // 256 MiB of unused values streamed through a pipe: refused at the first
    // value beyond the most an MHC file holds, without reading on (the rest
    // is drained here, so that the writer ends).
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const std::string head = "1 1 0 0 1 5\n";
    const std::string chunk = [] {
        std::string c;
        while (c.size() < (1u << 20)) c += "123 7\n";
        return c.substr(0, (1u << 20) / 6 * 6);
    }();
    const std::size_t chunks = 256;
    std::thread writer([&] {
        std::FILE* w = ::fdopen(fds[1], "w");
        std::fwrite(head.data(), 1, head.size(), w);
        for (std::size_t k = 0; k < chunks; ++k) std::fwrite(chunk.data(), 1, chunk.size(), w);
        std::fclose(w);
    });
    std::FILE* r = ::fdopen(fds[0], "r");
    auto ds = std::make_unique<gstboot::DataSet>();
    std::vector<std::string> warnings;
    std::string error;
    try {
        gstboot::readmhc(r, "M.txt", *ds, warnings);
    } catch (const gstboot::Error& e) {
        error = e.what();
    }
    // Value 100055 is the first of line (100055 - 6) / 2 + 2, in its column 1.
    EXPECT_EQ(error, "M.txt:50026:1: the file goes on after 100054 values, the most a legacy MHC file holds at every "
                     "limit; it is not read further (is it an endless input?)");
    EXPECT_TRUE(warnings.empty());
    char sink[1 << 16];
    while (std::fread(sink, 1, sizeof sink, r) > 0) {
    }
    writer.join();
    std::fclose(r);
}

TEST(UserFiles, LargeTailThroughTheProgramIsRefused) {
    // A tail of 2,000,000 values after a MIC file's 13, beyond the 1,000,053
    // a MIC file holds: refused, and nothing written.
    TempDir dir;
    copyinputs("worked-example", dir.path());
    {
        std::FILE* f = std::fopen(dir.file("MICdata.txt").c_str(), "a");
        ASSERT_NE(f, nullptr);
        std::string block;
        while (block.size() < (1u << 20)) block += " 9";
        for (int k = 0; k < 4; ++k) ASSERT_EQ(std::fwrite(block.data(), 1, block.size(), f), block.size());
        ASSERT_EQ(std::fclose(f), 0);
    }
    RunResult r = rungstboot(dir.path(), {"--seed", goldenseed("worked-example")});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("MICdata.txt:"), std::string::npos);
    EXPECT_NE(r.err.find(": the file goes on after 1000053 values, the most a legacy MIC file holds at every limit"),
              std::string::npos)
        << r.err;
    EXPECT_FALSE(exists(dir.file("output.txt")));
}

}  // namespace
