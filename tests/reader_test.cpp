// The reader: the layouts it accepts and every kind of input it refuses.
#include <gtest/gtest.h>

#include <cstring>

#include "common/error.h"
#include "testutil.h"

using namespace gstboot;
using testutil::parsedata;

namespace {

const char* kMhc = "2 2 0 1\n2 1\n101 102\n101 101\n205 101\n";
const char* kMic = "2 1 0\n1 1\n10 12 3 3\n10 10 4 3\n";

// The message of the Error the texts raise, or "" when they read cleanly.
std::string failure(const std::string& mhc, const std::string& mic, int* status = nullptr) {
    try {
        parsedata(mhc, mic);
    } catch (const Error& e) {
        if (status) *status = e.status();
        return e.what();
    }
    return "";
}

TEST(Reader, WorkedExample) {
    auto ds = parsedata(kMhc, kMic);
    EXPECT_EQ(ds->npop, 2);
    EXPECT_EQ(ds->mhccopies, 2);
    EXPECT_FALSE(ds->settings.corrflag);
    EXPECT_TRUE(ds->settings.bootmhc);
    EXPECT_EQ(ds->nmhc[0], 2);
    EXPECT_EQ(ds->nmhc[1], 1);
    EXPECT_EQ(ds->mhc[0][1][1], 101);
    EXPECT_EQ(ds->mhc[1][0][0], 205);
    EXPECT_EQ(ds->nloci, 2);
    EXPECT_TRUE(ds->settings.bootmic);
    EXPECT_FALSE(ds->settings.bootloci);
    EXPECT_EQ(ds->mic[0][0][0][1], 12);
    EXPECT_EQ(ds->mic[1][0][1][0], 4);
    Presence want;
    want.assign(3, NALLELE);  // the layout's codes 0..350, for each row
    for (int a : {101, 102, 205}) want[0][a] = 1;
    for (int a : {10, 12}) want[1][a] = 1;
    for (int a : {3, 4}) want[2][a] = 1;
    EXPECT_TRUE(want == ds->present);
}

TEST(Reader, LayoutDoesNotMatter) {
    auto lines = parsedata(kMhc, kMic);
    std::string flat = kMhc, tall = kMhc, micflat = kMic;
    for (char& c : flat) c = c == '\n' ? ' ' : c;
    for (char& c : tall) c = c == ' ' ? '\n' : c;
    for (char& c : micflat) c = c == '\n' ? '\t' : c;
    auto a = parsedata(flat, micflat);
    auto b = parsedata(tall, "\r\n" + std::string(kMic));
    for (auto* ds : {a.get(), b.get()}) {
        EXPECT_TRUE(ds->mhc == lines->mhc);
        EXPECT_TRUE(ds->mic == lines->mic);
        EXPECT_TRUE(ds->present == lines->present);
    }
}

TEST(Reader, EmptyPopulationsNoLociSignsAndEdgeCodes) {
    auto ds = parsedata("3 1 -1 +2\n0 2 0\n0 350\n", "0 2 -7\n4 0 1\n");
    EXPECT_FALSE(ds->settings.corrflag);  // only 1 is on
    EXPECT_FALSE(ds->settings.bootmhc);
    EXPECT_EQ(ds->mhc[1][0][0], 0);
    EXPECT_EQ(ds->mhc[1][1][0], 350);
    EXPECT_EQ(ds->present[0][0], 1);
    EXPECT_EQ(ds->present[0][350], 1);
    EXPECT_EQ(ds->nmic[0], 4);
    EXPECT_EQ(ds->nmic[2], 1);
    EXPECT_EQ(ds->present.rows(), 1);
}

TEST(Reader, ExtraValuesWarnOnce) {
    std::vector<std::string> warnings;
    parsedata(std::string(kMhc) + "7 8 9\n", std::string(kMic) + "x\n", &warnings);
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_NE(warnings[0].find("MHCdata.txt"), std::string::npos);
    EXPECT_NE(warnings[0].find("3 values"), std::string::npos);
    EXPECT_NE(warnings[1].find("1 value "), std::string::npos);
    warnings.clear();
    parsedata(kMhc, kMic, &warnings);
    EXPECT_TRUE(warnings.empty());
}

TEST(Reader, EveryLimit) {
    struct Case {
        std::string mhc, mic, expect;
    };
    const std::string mic1 = "0 0 0\n1\n";
    const std::vector<Case> cases = {
        {"51 1 0 0\n", mic1, "MHCdata.txt:1:1: population count (npop) is 51, outside 0..50"},
        {"-1 1 0 0\n", mic1, "MHCdata.txt:1:1: population count (npop) is -1, outside 0..50"},
        {"1 11 0 0\n", mic1, "MHCdata.txt:1:3: number of MHC copies per individual is 11, outside 0..10"},
        {"1 -1 0 0\n", mic1, "is -1, outside 0..10"},
        {"2 1 0 0\n3 201\n", mic1, "MHCdata.txt:2:3: MHC sample size of population 2 is 201, outside 0..200"},
        {"1 1 0 0\n-1\n", mic1, "MHC sample size of population 1 is -1"},
        {"1 2 0 0\n2\n1 2\n3\n351\n", mic1,
         "MHCdata.txt:5:1: allele code of population 1, individual 2, copy 2 is 351, outside 0..350"},
        {"1 1 0 0\n1\n-1\n", mic1, "allele code of population 1, individual 1, copy 1 is -1"},
        {"1 1 0 0\n0\n", "51 0 0\n0\n", "MICdata.txt:1:1: number of loci (nloci) is 51, outside 0..50"},
        {"1 1 0 0\n0\n", "1 0 0\n201\n", "MICdata.txt:2:1: MIC sample size of population 1 is 201"},
        {"1 1 0 0\n0\n", "2 0 0\n1\n1 2 3 351\n",
         "MICdata.txt:3:7: allele code of population 1, individual 1, locus 2, allele 2 is 351"},
    };
    for (const Case& c : cases) {
        int status = 0;
        std::string msg = failure(c.mhc, c.mic, &status);
        EXPECT_NE(msg.find(c.expect), std::string::npos) << "got: " << msg;
        EXPECT_EQ(status, 1);
    }
    // At the limits themselves everything reads.
    std::string mhc = "50 10 0 0\n";
    for (int p = 0; p < 50; ++p) mhc += p == 49 ? "200\n" : "0 ";
    for (int k = 0; k < 200 * 10; ++k) mhc += k % 2 ? "350 " : "0 ";
    std::string mic = "50 0 0\n";
    for (int p = 0; p < 50; ++p) mic += p == 0 ? "200 " : "0 ";
    for (int k = 0; k < 200 * 50 * 2; ++k) mic += "350 ";
    EXPECT_EQ(failure(mhc, mic), "");
}

TEST(Reader, TruncatedAfterEveryValue) {
    // Cut each file after every value in turn: an error naming the file and
    // both counts, never a crash.
    for (bool mhcside : {true, false}) {
        std::string text = mhcside ? kMhc : kMic;
        std::vector<std::size_t> ends;
        for (std::size_t k = 0; k < text.size(); ++k) {
            if (text[k] != ' ' && text[k] != '\n' && (k + 1 == text.size() || text[k + 1] == ' ' || text[k + 1] == '\n'))
                ends.push_back(k + 1);
        }
        const std::size_t total = ends.size();
        ends.insert(ends.begin(), 0);
        for (std::size_t v = 0; v + 1 < ends.size(); ++v) {
            std::string cut = text.substr(0, ends[v]);
            std::string msg = mhcside ? failure(cut, kMic) : failure(kMhc, cut);
            const std::string file = mhcside ? "MHCdata.txt:" : "MICdata.txt:";
            ASSERT_EQ(msg.rfind(file, 0), 0u) << msg;
            EXPECT_NE(msg.find("the file ends where"), std::string::npos) << msg;
            EXPECT_NE(msg.find("holds " + std::to_string(v)), std::string::npos) << msg;
            // Once the sample sizes are in, the full count is known.
            const std::size_t header = mhcside ? 4 + 2 : 3 + 2;
            if (v >= header) { EXPECT_NE(msg.find("needs at least " + std::to_string(total)), std::string::npos) << msg; }
        }
    }
}

TEST(Reader, TokensThatAreNotIntegers) {
    const std::vector<std::pair<std::string, std::string>> bad = {
        {"2.5", "is not a decimal integer"},  {"1e3", "is not a decimal integer"},
        {"0x1F", "is not a decimal integer"}, {"--1", "is not a decimal integer"},
        {"+", "is not a decimal integer"},    {"12a", "is not a decimal integer"},
        {"2147483648", "does not fit in 32 bits"},
        {"-2147483649", "does not fit in 32 bits"},
        {"99999999999999999999999999999999999999999999999", "does not fit in 32 bits"},
        {std::string("1\0", 2) + "2", "is not a decimal integer"},
    };
    for (const auto& [token, why] : bad) {
        std::string msg = failure("1 1 " + token + " 0\n0\n", "0 0 0\n0\n");
        EXPECT_EQ(msg.rfind("MHCdata.txt:1:5: expected the correction switch, but '", 0), 0u) << msg;
        EXPECT_NE(msg.find(why), std::string::npos) << token << ": " << msg;
    }
    // The extremes of 32 bits are integers, and switches take any of them.
    auto ds = parsedata("0 0 2147483647 -2147483648\n", "0 -2147483648 2147483647\n");
    EXPECT_FALSE(ds->settings.corrflag);
    EXPECT_FALSE(ds->settings.bootmhc);
    EXPECT_TRUE(parsedata("0 0 1 1\n", "0 1 1\n")->settings.bootloci);
    // Zero padding of any length, around the 40 bytes a token keeps, is the
    // number it spells; a padded number that is too large still is not.
    for (std::size_t pad : {std::size_t{38}, std::size_t{39}, std::size_t{40}, std::size_t{41}, std::size_t{300}}) {
        const std::string zeros(pad, '0');
        ds = parsedata("0 0 " + zeros + "1 -" + zeros + "1\n", "0 +" + zeros + "1 " + zeros + "\n");
        EXPECT_TRUE(ds->settings.corrflag) << pad;
        EXPECT_FALSE(ds->settings.bootmhc) << pad;  // -1
        EXPECT_TRUE(ds->settings.bootmic) << pad;
        EXPECT_FALSE(ds->settings.bootloci) << pad;
        const std::string msg = failure("1 1 " + zeros + "2147483648 0\n0\n", "0 0 0\n0\n");
        EXPECT_NE(msg.find("does not fit in 32 bits"), std::string::npos) << pad << ": " << msg;
    }
}

}  // namespace
