#include "output/escape.h"

#include <cstdint>
#include <cstdio>

namespace gstboot {

namespace {

constexpr char32_t INVALID = 0xFFFFFFFF;
const char* const REPLACEMENT = "\xEF\xBF\xBD";  // U+FFFD

// The code point that starts at `text[at]`, with its length in `size`; for a
// byte that starts no well-formed sequence, INVALID and a size of 1.
char32_t decode(std::string_view text, std::size_t at, std::size_t& size) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(at);
    size = 1;
    if (lead < 0x80) return lead;
    std::size_t need = 0;
    char32_t cp = 0;
    char32_t least = 0;  // the smallest code point of that length: shorter is overlong
    if (lead >= 0xC2 && lead <= 0xDF) {
        need = 1, cp = lead & 0x1Fu, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        need = 2, cp = lead & 0x0Fu, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        need = 3, cp = lead & 0x07u, least = 0x10000;
    } else {
        return INVALID;
    }
    if (text.size() - at <= need) return INVALID;
    for (std::size_t k = 1; k <= need; ++k) {
        if ((byte(at + k) & 0xC0) != 0x80) return INVALID;
        cp = (cp << 6) | (byte(at + k) & 0x3Fu);
    }
    if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return INVALID;
    size = need + 1;
    return cp;
}

// Calls `each(cp, bytes)` for every code point of `text`, INVALID for a byte
// that starts none.
template <typename Each>
void forcodes(std::string_view text, Each each) {
    std::size_t size = 0;
    for (std::size_t at = 0; at < text.size(); at += size) {
        const char32_t cp = decode(text, at, size);
        each(cp, text.substr(at, size));
    }
}

bool control(char32_t cp) { return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F); }

// The formatting characters that reorder or hide text on a terminal.
bool bidiformat(char32_t cp) {
    return cp == 0x061C || cp == 0x200E || cp == 0x200F || (cp >= 0x202A && cp <= 0x202E) ||
           (cp >= 0x2066 && cp <= 0x2069) || cp == 0x2028 || cp == 0x2029;
}

}  // namespace

std::string validutf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    forcodes(text, [&](char32_t cp, std::string_view bytes) {
        if (cp == INVALID) {
            out += REPLACEMENT;
        } else {
            out += bytes;
        }
    });
    return out;
}

std::string isolated(std::string_view name) {
    if (name.empty()) return std::string();
    // An isolate the name closes without opening it would close ours, and
    // one it leaves open would hold what follows ours: the first is
    // dropped as U+FFFD, the second closed before ours is.
    std::string out = "\u2068";
    int open = 0;
    forcodes(name, [&](char32_t cp, std::string_view bytes) {
        if (cp == INVALID || (cp == 0x2069 && open == 0)) {
            out += REPLACEMENT;
            return;
        }
        if (cp >= 0x2066 && cp <= 0x2068) ++open;
        if (cp == 0x2069) --open;
        out += bytes;
    });
    for (; open > 0; --open) out += "\u2069";
    return out + "\u2069";
}

std::string xmltext(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    forcodes(text, [&](char32_t cp, std::string_view bytes) {
        switch (cp) {
            case '<': out += "&lt;"; return;
            case '>': out += "&gt;"; return;
            case '&': out += "&amp;"; return;
            default: break;
        }
        if (cp == INVALID || control(cp) || cp == 0xFFFE || cp == 0xFFFF) {
            out += REPLACEMENT;
        } else {
            out += bytes;
        }
    });
    return out;
}

std::string tsvcell(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    forcodes(text, [&](char32_t cp, std::string_view bytes) {
        if (cp == '\t' || cp == '\n' || cp == '\r') {
            out += ' ';
        } else if (cp == '"') {
            out += '\'';
        } else if (cp == INVALID || control(cp)) {
            out += REPLACEMENT;
        } else {
            out += bytes;
        }
    });
    return out;
}

std::string terminaltext(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    forcodes(text, [&](char32_t cp, std::string_view bytes) {
        char buf[16];
        if (cp == INVALID || cp < 0x20 || cp == 0x7F) {
            std::snprintf(buf, sizeof buf, "\\x%02X", static_cast<unsigned>(static_cast<unsigned char>(bytes[0])));
            out += buf;
        } else if (control(cp) || bidiformat(cp)) {
            std::snprintf(buf, sizeof buf, "\\u{%X}", static_cast<unsigned>(cp));
            out += buf;
        } else {
            out += bytes;
        }
    });
    return out;
}

}  // namespace gstboot
