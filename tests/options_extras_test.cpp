// The --table, --plot, --heatmap, --heatmap-scale and --neutral-draws options: both forms, a
// missing or bad value, and outputs that would overwrite each other.
#include <gtest/gtest.h>

#include "common/error.h"
#include "driver/options.h"

namespace {

gstboot::Options parse(std::vector<std::string> args) { return gstboot::parseoptions(args); }

int usagestatus(std::vector<std::string> args) {
    try {
        gstboot::checkfiles(parse(std::move(args)));
    } catch (const gstboot::Error& e) {
        return e.status();
    }
    return 0;
}

TEST(ExtraOptions, ParsedInBothForms) {
    gstboot::Options o = parse({"--table", "t.tsv", "--plot=f.svg"});
    EXPECT_EQ(o.table, "t.tsv");
    EXPECT_EQ(o.plot, "f.svg");
    o = parse({});
    EXPECT_TRUE(o.table.empty());
    EXPECT_TRUE(o.plot.empty());
}

TEST(ExtraOptions, RejectsMissingValuesAndSharedPaths) {
    EXPECT_EQ(usagestatus({"--table"}), gstboot::exitstatus(gstboot::ErrorKind::usage));
    EXPECT_EQ(usagestatus({"--plot="}), gstboot::exitstatus(gstboot::ErrorKind::usage));
    EXPECT_EQ(usagestatus({"--table", "output.txt"}), gstboot::exitstatus(gstboot::ErrorKind::usage));
    EXPECT_EQ(usagestatus({"--table", "x", "--plot", "x"}), gstboot::exitstatus(gstboot::ErrorKind::usage));
    EXPECT_EQ(usagestatus({"--output", "x", "--plot", "x"}), gstboot::exitstatus(gstboot::ErrorKind::usage));
    EXPECT_EQ(usagestatus({"--table", "x", "--plot", "y"}), 0);
    EXPECT_EQ(usagestatus({"--heatmap", "x", "--plot", "x"}), gstboot::exitstatus(gstboot::ErrorKind::usage));
    EXPECT_EQ(usagestatus({"--heatmap", "MHCdata.txt"}), gstboot::exitstatus(gstboot::ErrorKind::usage));
}

// 0 (off) and 10 to 100000 draws; below 10 a locus could not be placed.
TEST(ExtraOptions, NeutralDraws) {
    EXPECT_EQ(parse({}).neutraldraws, 200);
    for (const char* v : {"0", "10", "100000", "500"}) {
        EXPECT_EQ(parse({"--neutral-draws", v}).neutraldraws, std::stoi(v)) << v;
    }
    EXPECT_EQ(parse({"--heatmap=h.svg"}).heatmap, "h.svg");
    EXPECT_EQ(parse({}).heatmapscale, gstboot::ColourScale::separate);
    EXPECT_EQ(parse({"--heatmap-scale=shared"}).heatmapscale, gstboot::ColourScale::shared);
    EXPECT_EQ(parse({"--heatmap-scale", "separate"}).heatmapscale, gstboot::ColourScale::separate);
    EXPECT_EQ(usagestatus({"--heatmap-scale", "one"}), gstboot::exitstatus(gstboot::ErrorKind::usage));
    for (const char* v : {"9", "1", "100001", "-5", "", "1e3", "0500x", "9999999"}) {
        EXPECT_EQ(usagestatus({"--neutral-draws", v}), gstboot::exitstatus(gstboot::ErrorKind::usage)) << v;
    }
}

}  // namespace
