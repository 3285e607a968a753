// The options are declared once (optiontable()); the parser and --help read
// that table, and these tests hold gstboot(1) and the README to it.
#include <gtest/gtest.h>

#include <map>
#include <regex>

#include "common/error.h"
#include "driver/options.h"
#include "testutil.h"

using namespace testutil;

namespace {

std::string sourcefile(const std::string& path) { return readfile(testdata("../../" + path)); }

// A man page line as text: the font macros' arguments joined (the
// alternating ones without spaces), escapes resolved.
std::string plain(const std::string& line) {
    std::string macro;
    std::string rest = line;
    if (!line.empty() && line[0] == '.') {
        const std::size_t space = line.find(' ');
        macro = line.substr(1, space == std::string::npos ? std::string::npos : space - 1);
        rest = space == std::string::npos ? "" : line.substr(space + 1);
    }
    std::vector<std::string> args;
    for (std::size_t at = 0; at < rest.size();) {
        if (rest[at] == ' ') {
            ++at;
        } else if (rest[at] == '"') {
            const std::size_t end = rest.find('"', at + 1);
            args.push_back(rest.substr(at + 1, end - at - 1));
            at = end == std::string::npos ? rest.size() : end + 1;
        } else {
            const std::size_t end = rest.find(' ', at);
            args.push_back(rest.substr(at, end - at));
            at = end == std::string::npos ? rest.size() : end;
        }
    }
    const bool alternating = macro.size() == 2;  // BI, BR, IR, ...
    std::string text;
    for (const std::string& a : args) text += (text.empty() || alternating ? "" : " ") + a;
    text = std::regex_replace(text, std::regex(R"(\\f[RBIP])"), "");
    text = std::regex_replace(text, std::regex(R"(\\-)"), "-");
    return std::regex_replace(text, std::regex(R"(\\\(aq)"), "'");
}

// The lines of `page` from the line starting `from` to the next one starting
// `to`.
std::vector<std::string> section(const std::string& page, const std::string& from, const std::string& to) {
    std::vector<std::string> lines;
    bool in = false;
    std::size_t start = 0;
    for (std::size_t end; (end = page.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = page.substr(start, end - start);
        if (in && line.rfind(to, 0) == 0) break;
        if (in) lines.push_back(line);
        if (line.rfind(from, 0) == 0) in = true;
    }
    return lines;
}

std::string message(const std::vector<std::string>& args) {
    try {
        gstboot::parseoptions(args);
    } catch (const gstboot::Error& e) {
        const std::string m = e.what();
        return m.substr(0, m.find('\n'));
    }
    return "";
}

}  // namespace

// Every option of the table under OPTIONS with its placeholder, and nothing
// else there; the same names in the README's table.
TEST(OptionTable, ManPageAndReadmeListEveryOptionAsDeclared) {
    std::map<std::string, std::string> declared;  // name -> placeholder
    for (const gstboot::OptionEntry& entry : gstboot::optiontable()) {
        declared[entry.name] = entry.value ? entry.value : "";
        if (entry.shortname) declared[entry.shortname] = "";
    }
    std::map<std::string, std::string> documented;
    const std::vector<std::string> lines = section(sourcefile("man/gstboot.1"), ".SH OPTIONS", ".SH ");
    for (std::size_t k = 0; k + 1 < lines.size(); ++k) {
        if (lines[k] != ".TP") continue;
        // "--mhc-format F, --mic-format F", "-h, --help", "--correction on|off"
        std::string tag = plain(lines[k + 1]);
        for (std::size_t from = 0; from < tag.size();) {
            std::size_t comma = tag.find(", ", from);
            if (comma == std::string::npos) comma = tag.size();
            const std::string item = tag.substr(from, comma - from);
            const std::size_t space = item.find(' ');
            documented[item.substr(0, space)] = space == std::string::npos ? "" : item.substr(space + 1);
            from = comma + 2;
        }
    }
    EXPECT_EQ(documented, declared);

    const std::vector<std::string> readme = section(sourcefile("README.md"), "## Options", "## ");
    std::string table;
    for (const std::string& line : readme) table += line + "\n";
    for (const auto& [name, value] : declared) {
        EXPECT_NE(table.find("`" + name), std::string::npos) << name << " is missing from the README's options";
    }
}

// The messages gstboot(1) lists for a value given wrongly are the parser's.
TEST(OptionTable, ManPageMessagesAreTheParsers) {
    const std::vector<std::string> lines = section(sourcefile("man/gstboot.1"), ".B A bad command line", ".TP");
    const std::regex shape(R"(gstboot: (--?[a-z-]+) (needs a value|takes no value|needs a file name.*))");
    int checked = 0;
    for (const std::string& line : lines) {
        std::smatch m;
        const std::string text = plain(line);
        if (!std::regex_match(text, m, shape)) continue;
        const std::string option = m[1];
        const std::string what = m[2];
        const std::vector<std::string> args = what == "needs a value"    ? std::vector<std::string>{option}
                                              : what == "takes no value" ? std::vector<std::string>{option + "=1"}
                                                                         : std::vector<std::string>{option + "="};
        EXPECT_EQ(message(args), text) << line;
        ++checked;
    }
    EXPECT_GE(checked, 3) << "the page lists no message of a missing, empty or unwanted value";
}

// What the table says an option takes is what the parser asks of it.
TEST(OptionTable, EveryOptionTakesWhatItDeclares) {
    for (const gstboot::OptionEntry& entry : gstboot::optiontable()) {
        const std::string name = entry.name;
        switch (entry.takes) {
            case gstboot::Takes::nothing:
                EXPECT_EQ(message({name + "=1"}), "gstboot: " + name + " takes no value");
                EXPECT_EQ(entry.value, nullptr) << name;
                break;
            case gstboot::Takes::path:
                EXPECT_EQ(message({name + "="}), "gstboot: " + name + " needs a file name, not an empty one");
                [[fallthrough]];
            case gstboot::Takes::value:
                EXPECT_EQ(message({name}), "gstboot: " + name + " needs a value");
                EXPECT_NE(entry.value, nullptr) << name;
                break;
        }
        EXPECT_NE(gstboot::usage().find(name), std::string::npos) << name;
    }
}
