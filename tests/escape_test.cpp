// Names reach each output through one escaping function per syntax; every
// row is a name a user or an attacker could give, and what each output makes
// of it.
#include <gtest/gtest.h>

#include "output/escape.h"

namespace {

const std::string FFFD = "\xEF\xBF\xBD";

}  // namespace

TEST(Escape, EachSyntaxGetsItsOwnSafeText) {
    struct Row {
        std::string name;
        std::string xml;
        std::string tsv;
        std::string terminal;
    };
    const Row rows[] = {
        {"Bern", "Bern", "Bern", "Bern"},
        {"Z\u00fcrich \u65e5\u672c \U0001F41F", "Z\u00fcrich \u65e5\u672c \U0001F41F",
         "Z\u00fcrich \u65e5\u672c \U0001F41F", "Z\u00fcrich \u65e5\u672c \U0001F41F"},
        {"a<b>&c\"d", "a&lt;b&gt;&amp;c\"d", "a<b>&c'd", "a<b>&c\"d"},
        // Windows-1252 bytes, not UTF-8: one replacement each.
        {"W\xf6rthsee", "W" + FFFD + "rthsee", "W" + FFFD + "rthsee", "W\\xF6rthsee"},
        // Overlong, surrogate, beyond U+10FFFF, cut short, lone continuation.
        {"\xC0\xAF|\xED\xA0\x80|\xF4\x90\x80\x80|\xE2\x82|\x80", FFFD + FFFD + "|" + FFFD + FFFD + FFFD + "|" +
             FFFD + FFFD + FFFD + FFFD + "|" + FFFD + FFFD + "|" + FFFD,
         FFFD + FFFD + "|" + FFFD + FFFD + FFFD + "|" + FFFD + FFFD + FFFD + FFFD + "|" + FFFD + FFFD + "|" + FFFD,
         "\\xC0\\xAF|\\xED\\xA0\\x80|\\xF4\\x90\\x80\\x80|\\xE2\\x82|\\x80"},
        // Terminal commands and controls XML forbids; line ends and tabs.
        {"a\x1b[2Jb\rc", "a" + FFFD + "[2Jb" + FFFD + "c", "a" + FFFD + "[2Jb c", "a\\x1B[2Jb\\x0Dc"},
        {std::string("n\0u\a\v\f\x7f", 7), "n" + FFFD + "u" + FFFD + FFFD + FFFD + FFFD,
         "n" + FFFD + "u" + FFFD + FFFD + FFFD + FFFD, "n\\x00u\\x07\\x0B\\x0C\\x7F"},
        {"x\ty\nz", "x" + FFFD + "y" + FFFD + "z", "x y z", "x\\x09y\\x0Az"},
        // C1 controls, noncharacters XML forbids, bidirectional overrides.
        {"\u0085\u009b\uFFFE\uFFFF", FFFD + FFFD + FFFD + FFFD, FFFD + FFFD + "\uFFFE\uFFFF",
         "\\u{85}\\u{9B}\uFFFE\uFFFF"},
        {"\u202eeesremmA\u2066\u2069\u200f\u2028", "\u202eeesremmA\u2066\u2069\u200f\u2028",
         "\u202eeesremmA\u2066\u2069\u200f\u2028", "\\u{202E}eesremmA\\u{2066}\\u{2069}\\u{200F}\\u{2028}"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(gstboot::xmltext(row.name), row.xml) << row.name;
        EXPECT_EQ(gstboot::tsvcell(row.name), row.tsv) << row.name;
        EXPECT_EQ(gstboot::terminaltext(row.name), row.terminal) << row.name;
        // Escaping twice changes nothing more: a line escaped where it is
        // made may be escaped again where it is printed.
        EXPECT_EQ(gstboot::terminaltext(row.terminal), row.terminal) << row.name;
    }
}

// An isolate lets no direction control act beyond the name: every isolate the
// name opens is closed inside ours, and one it closes without opening cannot
// close ours.
TEST(Escape, IsolatedNamesAreBalanced) {
    const struct {
        std::string name;
        std::string drawn;
    } rows[] = {
        {"", ""},
        {"Bern", "\u2068Bern\u2069"},
        {"\u202eeesremmA", "\u2068\u202eeesremmA\u2069"},  // the isolate ends the override (UAX #9, PDI)
        {"a\u2069\u202eb", "\u2068a" + FFFD + "\u202eb\u2069"},
        {"\u2067a\u2066b", "\u2068\u2067a\u2066b\u2069\u2069\u2069"},
        {"\u2068a\u2069b", "\u2068\u2068a\u2069b\u2069"},
        {"W\xf6rthsee", "\u2068W" + FFFD + "rthsee\u2069"},
    };
    for (const auto& row : rows) EXPECT_EQ(gstboot::isolated(row.name), row.drawn) << row.name;
}
