// The --table and --plot options: both forms, a missing value, and outputs
// that would overwrite each other.
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
}

}  // namespace
