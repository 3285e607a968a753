#include "data/textfile.h"

#include <cerrno>
#include <cstring>

#include "common/error.h"
#include "data/tokens.h"
#include "system/files.h"

namespace gstboot {

FilePtr openinputfile(const std::string& path) {
    FilePtr file(openfile(path, "rb"));
    const int err = errno;
    if (!file) {
        // The console keeps the historical form; the reason goes to stderr.
        throw Error(ErrorKind::input, "gstboot: cannot open " + path + ": " + std::strerror(err),
                    "Error: Cannot open " + path + " file!");
    }
    return file;
}

std::string readall(std::FILE* file, const std::string& name) {
    std::string text;
    char buffer[1 << 16];
    for (;;) {
        std::size_t n = std::fread(buffer, 1, sizeof buffer, file);
        text.append(buffer, n);
        if (n < sizeof buffer) break;
    }
    if (std::ferror(file)) throw Error(ErrorKind::input, name + ": read error: " + std::strerror(errno));
    return text;
}

std::string at(const std::string& name, Place place) {
    return name + ":" + std::to_string(place.line) + ":" + std::to_string(place.column) + ": ";
}

std::string shown(std::string_view text) {
    Token token;
    token.text.assign(text.substr(0, Token::keep));
    token.truncated = text.size() > Token::keep;
    return showtoken(token);
}

bool isblank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view trim(std::string_view text, std::size_t* skipped) {
    std::size_t b = 0;
    std::size_t e = text.size();
    while (b < e && isblank(text[b])) ++b;
    while (e > b && isblank(text[e - 1])) --e;
    if (skipped) *skipped = b;
    return text.substr(b, e - b);
}

long endcolumn(std::string_view line) {
    std::size_t lead = 0;
    std::string_view t = trim(line, &lead);
    return static_cast<long>(lead + t.size()) + 1;
}

bool sameletters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t k = 0; k < a.size(); ++k) {
        char x = a[k] >= 'A' && a[k] <= 'Z' ? static_cast<char>(a[k] - 'A' + 'a') : a[k];
        char y = b[k] >= 'A' && b[k] <= 'Z' ? static_cast<char>(b[k] - 'A' + 'a') : b[k];
        if (x != y) return false;
    }
    return true;
}

std::vector<Line> splitlines(std::string_view text) {
    if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    std::vector<Line> lines;
    long number = 1;
    while (!text.empty()) {
        std::size_t lf = text.find('\n');
        lines.push_back({text.substr(0, lf), number++});
        if (lf == std::string_view::npos) break;
        text.remove_prefix(lf + 1);
    }
    return lines;
}

bool blankline(const Line& line) { return trim(line.text).empty(); }

Place endof(const std::vector<Line>& lines) {
    for (std::size_t k = lines.size(); k-- > 0;) {
        if (!blankline(lines[k])) return {lines[k].number, endcolumn(lines[k].text)};
    }
    return {1, 1};
}

}  // namespace gstboot
