// The text layer under the named formats: lines read through a fixed
// buffer (line ends split across it, the line bound just below, at and
// above), UTF-16 converted as it is read, and names decoded.
#include <gtest/gtest.h>

#include "common/error.h"
#include "input/detect.h"
#include "input/readsummary.h"
#include "input/textfile.h"
#include "testutil.h"

using namespace gstboot;
using testutil::TempDir;
using testutil::writefile;

namespace {

constexpr std::size_t kBuffer = std::size_t{1} << 16;  // LineReader's read size

// The lines of `bytes` as a file, through openstream (so UTF-16 is
// converted) and LineReader: "number:text" each, or the error.
std::vector<std::string> linesof(const std::string& bytes) {
    TempDir dir;
    writefile(dir.file("f"), bytes);
    std::vector<std::string> out;
    try {
        OpenedInput in = openstream(openinputfile(dir.file("f")), "f", Format::table, "--mhc-format");
        LineReader lines(in.file.get(), "f", MAXLINE, in.encoding);
        for (Line line; lines.next(line);) out.push_back(std::to_string(line.number) + ":" + std::string(line.text));
    } catch (const Error& e) {
        out.push_back(e.what());
    }
    return out;
}

TEST(TextFile, LinesAcrossTheBufferAndTheBound) {
    const std::string pad(kBuffer - 1, 'a');  // a CR as the last byte of the first read
    EXPECT_EQ(linesof(pad + "\r\nb\rc\n\nd"),
              (std::vector<std::string>{"1:" + pad, "2:b", "3:c", "4:", "5:d"}));
    EXPECT_EQ(linesof(pad + "\r\rb"), (std::vector<std::string>{"1:" + pad, "2:", "3:b"}));
    EXPECT_EQ(linesof("\xEF\xBB\xBFx\r\n"), (std::vector<std::string>{"1:x"}));
    const std::string longest(MAXLINE, 'x');
    EXPECT_EQ(linesof("a\n" + longest + "\nb").size(), 3u);
    EXPECT_EQ(linesof("a\n" + longest + "x\nb"),
              (std::vector<std::string>{"1:a", "f:2:1: line 2 is longer than 1048576 bytes, more than any line of a GENEPOP file or a "
                                        "table holds; it is not read further"}));
    // UTF-16: a surrogate pair split across the converter's reads, an
    // unpaired one, and an odd last byte, each a whole character in UTF-8.
    std::string le = "\xFF\xFE";
    for (std::size_t k = 0; k < kBuffer / 2 - 1; ++k) le += std::string("a\0", 2);
    le += std::string("\x3D\xD8\x00\xDE", 4);  // U+1F600 from byte 65534 of the text
    le += std::string("\n\0\x00\xD8x\0", 6);   // LF, a lone high surrogate, x
    const std::vector<std::string> got = linesof(le + "!");
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0], "1:" + std::string(kBuffer / 2 - 1, 'a') + "\xF0\x9F\x98\x80");
    EXPECT_EQ(got[1], "2:\xEF\xBF\xBDx\xEF\xBF\xBD");
    EXPECT_EQ(linesof(std::string("\xFE\xFF\0A\0\r\0B", 8)), (std::vector<std::string>{"1:A", "2:B"}));
}

TEST(TextFile, NamesDecodedOnce) {
    struct Case {
        std::string raw, name;
        bool recoded;
        long control;  // byte offset of the first control character, or -1
    };
    const std::vector<Case> cases = {
        {"M\xC3\xA1laga", "M\xC3\xA1laga", false, -1},
        {"M\xE1laga", "M\xC3\xA1laga", true, -1},                      // Windows-1252
        {"Aarhus \xD8", "Aarhus \xC3\x98", true, -1},
        {"\x80\x9F", "\xE2\x82\xAC\xC5\xB8", true, -1},                // euro sign, Y diaeresis
        {"\xC0\xAF", "\xC3\x80\xC2\xAF", true, -1},                    // overlong: not UTF-8
        {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC", true, -1},    // a surrogate: not UTF-8
        {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80", false, -1},
        {"ab\x1B[2J", "ab\x1B[2J", false, 2},
        {"ab\x7F", "ab\x7F", false, 2},
        {"a\xC2\x85z", "a\xC2\x85z", false, 1},                        // NEL, a C1 control in UTF-8
        {"\xE1\x81", "\xC3\xA1\xC2\x81", true, 1},                     // undefined in Windows-1252: C1
        {"x\xE2\x80\xAEy", "x\xE2\x80\xAEy", false, -1},               // bidirectional controls are left to the figure
    };
    for (const Case& c : cases) {
        bool recoded = false;
        EXPECT_EQ(decodename(c.raw, recoded), c.name) << c.raw;
        EXPECT_EQ(recoded, c.recoded) << c.raw;
        unsigned code = 0;
        const std::size_t at = findcontrol(c.raw, code);
        EXPECT_EQ(at == std::string::npos ? -1L : static_cast<long>(at), c.control) << c.raw;
    }
    // Shares with one decimal, rounded half up in integers.
    EXPECT_EQ(percent(0, 0), "0.0%");
    EXPECT_EQ(percent(1, 2000), "0.1%");   // 0.05 up
    EXPECT_EQ(percent(1, 2001), "0.0%");
    EXPECT_EQ(percent(17, 570), "3.0%");
    EXPECT_EQ(percent(7, 7), "100.0%");
}

}  // namespace
