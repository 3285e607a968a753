#include "output/svgtext.h"

#include <cstring>

#include "output/escape.h"

namespace gstboot {

namespace {

// Shares of the size, by character class; each at least the widest
// character of its class in DejaVu Sans Book (Bold is BOLDSHARE wider).
constexpr double NARROW = 0.36;   // i j l I . , : ; ' | and the blank
constexpr double PLAIN = 0.64;    // other letters, digits, most marks
constexpr double CAPITAL = 0.8;   // capitals
constexpr double SIGN = 0.84;     // = < > + # ~ ^ &
constexpr double WIDE = 1.0;      // m w M W % @, and beyond ASCII
constexpr double BOLDSHARE = 1.12;

double share(unsigned char c) {
    if (c < 0x20 || c == 0x7F) return WIDE;  // drawn as U+FFFD
    if (std::strchr(" ijlI.,:;'|", c)) return NARROW;
    if (std::strchr("mwMW%@", c)) return WIDE;
    if (std::strchr("=<>+#~^&", c)) return SIGN;
    if (c >= 'A' && c <= 'Z') return CAPITAL;
    return PLAIN;
}

}  // namespace

double textwidth(const std::string& raw, double size, bool bold) {
    // Every byte that is not UTF-8 is drawn as a character of its own.
    const std::string text = validutf8(raw);
    double ems = 0.0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const unsigned char c = static_cast<unsigned char>(text[at]);
        if (c < 0x80) {
            ems = ems + share(c);
        } else if ((c & 0xC0) != 0x80) {
            // U+2066 to U+2069, the isolates, are E2 81 A6 to E2 81 A9.
            const bool isolate = c == 0xE2 && at + 2 < text.size() && static_cast<unsigned char>(text[at + 1]) == 0x81 &&
                                 static_cast<unsigned char>(text[at + 2]) >= 0xA6 &&
                                 static_cast<unsigned char>(text[at + 2]) <= 0xA9;
            if (!isolate) ems = ems + WIDE;
        }
    }
    return ems * size * (bold ? BOLDSHARE : 1.0);
}

bool overlaps(const Box& a, const Box& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

std::vector<std::string> wraptext(const std::string& text, double width, double size) {
    std::vector<std::string> lines;
    std::string line;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t blank = text.find(' ', at);
        const std::string word = text.substr(at, blank == std::string::npos ? std::string::npos : blank - at);
        at = blank == std::string::npos ? text.size() : blank + 1;
        if (word.empty()) continue;
        const std::string longer = line.empty() ? word : line + " " + word;
        if (!line.empty() && textwidth(longer, size) > width) {
            lines.push_back(line);
            line = word;
        } else {
            line = longer;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

}  // namespace gstboot
