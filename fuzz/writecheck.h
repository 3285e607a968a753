// What the program writes, judged: a run summary built from arbitrary bytes
// (names of any bytes, numbers of any bits) goes through the figure, the
// heatmap, the table and the warnings, and each must keep its syntax. Shared by the fuzz
// target and by the test that replays kept inputs, so both judge alike.
//
// Input format: bytes read in order, zero once they run out. Four bytes of
// seed, one of switches, one byte for the pair count (0 to 31), then per pair
// its populations, two names (a length byte, 0 to 47, then that many bytes),
// and per data set sample sizes, five summary points (a byte below 128 is a
// value in [-1, 1) in steps of 1/64; any other byte is followed by eight
// bytes taken as the double's bits, so NaN, infinities and huge values come
// too), counts and facts; then p. The two input file names follow; then,
// per pair, the bias-corrected intervals and the neutral test.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "output/escape.h"
#include "output/heatmap.h"
#include "output/neutraltext.h"
#include "output/plot.h"
#include "output/summary.h"
#include "output/table.h"
#include "output/warnings.h"

namespace gstboot {
namespace writecheck {

class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t next() { return at_ < size_ ? data_[at_++] : 0; }
    std::string text(std::size_t most) {
        std::string s;
        for (std::size_t n = next() % most; n > 0 && at_ < size_; --n) s.push_back(static_cast<char>(next()));
        return s;
    }
    double value() {
        const std::uint8_t b = next();
        if (b < 128) return (static_cast<double>(b) - 64.0) / 64.0;
        std::uint64_t bits = 0;
        for (int k = 0; k < 8; ++k) bits = (bits << 8) | next();
        double v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

inline void fillset(Bytes& in, SetSummary& s) {
    s.n1 = in.next() % 8;
    s.n2 = in.next() % 8;
    for (double* v : {&s.observed, &s.mean, &s.median, &s.lower, &s.upper}) *v = in.value();
    const std::uint8_t counts = in.next();
    s.nan = counts & 0x0F;
    s.inf = counts >> 4;
    s.finite = 1000 - s.nan - s.inf - (in.next() % 2) * (1000 - s.nan - s.inf);
    const std::uint8_t facts = in.next();
    s.facts.allheterozygous = facts & 1;
    s.facts.onevalue = (facts >> 1) & 1;
    s.facts.nolocus = (facts >> 2) & 1;
    s.facts.divisor = (facts >> 3) & 1 ? 0.0 : in.value();
}

inline RunSummary summaryof(const std::uint8_t* data, std::size_t size) {
    Bytes in(data, size);
    RunSummary run;
    for (int k = 0; k < 4; ++k) run.seed = (run.seed << 8) | in.next();
    const std::uint8_t switches = in.next();
    run.correction = switches & 1;
    run.mhcwide.noallele = (switches >> 1) & 1;
    run.micwide.nolocus = (switches >> 2) & 1;
    const int npairs = in.next() % 32;
    for (int k = 0; k < npairs; ++k) {
        PairSummary p;
        p.pop1 = in.next() % 60;
        p.pop2 = p.pop1 + 1 + in.next() % 4;
        p.name1 = in.text(48);
        p.name2 = in.text(48);
        p.micloci = in.next();
        fillset(in, p.mhc);
        fillset(in, p.mic);
        p.frac = in.value();
        p.p = in.next() < 128 ? static_cast<double>(in.next()) / 4096.0 : in.value();
        run.pairs.push_back(p);
    }
    // Every population a pair names exists, as in a summary of a run.
    run.npop = 1;
    for (const PairSummary& p : run.pairs) run.npop = std::max(run.npop, p.pop2 + 1);
    run.mhcfile = in.text(48);
    run.micfile = in.text(48);
    // Added after the layout above, so that inputs kept before read as they did.
    run.neutraldraws = (switches >> 3) & 1 ? 500 : 0;
    for (PairSummary& p : run.pairs) {
        for (double* v : {&p.mhc.cilower, &p.mhc.ciupper, &p.mic.cilower, &p.mic.ciupper, &p.neutral.z, &p.neutral.p,
                          &p.neutral.q}) {
            *v = in.value();
        }
        p.neutral.loci = in.next();
    }
    return run;
}

// The code point at text[at] (its length in `size`), or -1 for bytes that
// are not UTF-8.
inline long utf8at(const std::string& text, std::size_t at, std::size_t& size) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = b(at);
    size = 1;
    if (lead < 0x80) return lead;
    std::size_t need = lead >= 0xC2 && lead <= 0xDF ? 1 : lead >= 0xE0 && lead <= 0xEF ? 2 : lead >= 0xF0 && lead <= 0xF4 ? 3 : 0;
    if (need == 0 || text.size() - at <= need) return -1;
    long cp = lead & (need == 1 ? 0x1F : need == 2 ? 0x0F : 0x07);
    for (std::size_t k = 1; k <= need; ++k) {
        if ((b(at + k) & 0xC0) != 0x80) return -1;
        cp = (cp << 6) | (b(at + k) & 0x3F);
    }
    const long least = need == 1 ? 0x80 : need == 2 ? 0x800 : 0x10000;
    if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return -1;
    size = need + 1;
    return cp;
}

// XML 1.0's Char production.
inline bool xmlchar(long cp) {
    return cp == 0x9 || cp == 0xA || cp == 0xD || (cp >= 0x20 && cp <= 0xD7FF) || (cp >= 0xE000 && cp <= 0xFFFD) ||
           (cp >= 0x10000 && cp <= 0x10FFFF);
}

// Whether `doc` is a well-formed XML 1.0 document, as far as this program's
// documents go: an optional declaration, comments, one root element, ASCII
// names, attributes in quotes, the five predefined and numeric references.
// "" when it is; otherwise what is wrong and where.
inline std::string checkxml(const std::string& doc) {
    for (std::size_t at = 0, size = 0; at < doc.size(); at += size) {
        if (!xmlchar(utf8at(doc, at, size))) return "not an XML character at byte " + std::to_string(at);
    }
    std::size_t at = 0;
    const auto starts = [&](const char* s) { return doc.compare(at, std::strlen(s), s) == 0; };
    const auto where = [&](const std::string& what) { return what + " at byte " + std::to_string(at); };
    const auto isnamestart = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':'; };
    const auto isname = [&](char c) { return isnamestart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; };
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    const auto name = [&]() {
        const std::size_t from = at;
        if (at < doc.size() && isnamestart(doc[at])) {
            while (at < doc.size() && isname(doc[at])) ++at;
        }
        return doc.substr(from, at - from);
    };
    // A reference at `at` ('&'); false when it is not one.
    const auto reference = [&]() {
        const std::size_t semi = doc.find(';', at);
        if (semi == std::string::npos) return false;
        const std::string body = doc.substr(at + 1, semi - at - 1);
        at = semi + 1;
        if (body == "lt" || body == "gt" || body == "amp" || body == "quot" || body == "apos") return true;
        if (body.size() < 2 || body[0] != '#') return false;
        const bool hex = body[1] == 'x';
        const std::string digits = body.substr(hex ? 2 : 1);
        if (digits.empty() || digits.size() > 6 ||
            digits.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "0123456789") != std::string::npos) {
            return false;
        }
        return xmlchar(std::stol(digits, nullptr, hex ? 16 : 10));
    };
    if (starts("<?xml")) {
        at = doc.find("?>");
        if (at == std::string::npos) return "declaration without its end";
        at += 2;
    }
    std::vector<std::string> open;
    bool rooted = false;
    while (at < doc.size()) {
        if (starts("<!--")) {
            const std::size_t end = doc.find("--", at + 4);
            if (end == std::string::npos || doc.compare(end, 3, "-->") != 0) return where("comment holding --");
            at = end + 3;
        } else if (starts("</")) {
            at += 2;
            const std::string n = name();
            while (at < doc.size() && blank(doc[at])) ++at;
            if (open.empty() || open.back() != n || at >= doc.size() || doc[at] != '>') return where("end tag </" + n + ">");
            open.pop_back();
            ++at;
        } else if (doc[at] == '<') {
            if (open.empty() && rooted) return where("a second root element");
            ++at;
            const std::string n = name();
            if (n.empty()) return where("'<' without a name");
            std::vector<std::string> attributes;
            for (;;) {
                const std::size_t before = at;
                while (at < doc.size() && blank(doc[at])) ++at;
                if (at >= doc.size()) return where("tag without its end");
                if (doc[at] == '>' || starts("/>")) break;
                if (at == before) return where("attribute without a space before it");
                const std::string a = name();
                if (a.empty() || at + 1 >= doc.size() || doc[at] != '=' || (doc[at + 1] != '"' && doc[at + 1] != '\'')) {
                    return where("attribute");
                }
                for (const std::string& seen : attributes) {
                    if (seen == a) return where("attribute " + a + " given twice");
                }
                attributes.push_back(a);
                const char quote = doc[at + 1];
                at += 2;
                while (at < doc.size() && doc[at] != quote) {
                    if (doc[at] == '<') return where("'<' in an attribute value");
                    if (doc[at] == '&') {
                        if (!reference()) return where("bad reference");
                    } else {
                        ++at;
                    }
                }
                if (at >= doc.size()) return where("attribute value without its end");
                ++at;
            }
            rooted = true;
            if (starts("/>")) {
                at += 2;
            } else {
                open.push_back(n);
                ++at;
            }
        } else if (doc[at] == '&') {
            if (open.empty()) return where("reference outside the root");
            if (!reference()) return where("bad reference");
        } else {
            if (open.empty() && !blank(doc[at])) return where("text outside the root");
            if (starts("]]>")) return where("]]> in text");
            ++at;
        }
    }
    if (!rooted) return "no root element";
    if (!open.empty()) return "element <" + open.back() + "> not closed";
    return "";
}

// Every row of the table has the header's columns, and no cell holds a
// control character or a byte that is not UTF-8.
inline std::string checktable(const std::string& text) {
    if (text.empty() || text.back() != '\n') return "the table does not end with a line end";
    std::size_t columns = 0;
    std::size_t row = 0;
    for (std::size_t start = 0; start < text.size(); ++row) {
        const std::size_t end = text.find('\n', start);
        const std::string line = text.substr(start, end - start);
        std::size_t tabs = 0;
        for (std::size_t at = 0, size = 0; at < line.size(); at += size) {
            const long cp = utf8at(line, at, size);
            if (cp == '\t') {
                ++tabs;
            } else if (cp < 0x20 || (cp >= 0x7F && cp <= 0x9F)) {
                return "row " + std::to_string(row) + ": control character or bad UTF-8 at byte " + std::to_string(at);
            }
        }
        if (row == 0) columns = tabs + 1;
        if (tabs + 1 != columns) {
            return "row " + std::to_string(row) + " has " + std::to_string(tabs + 1) + " columns, the header " +
                   std::to_string(columns);
        }
        start = end + 1;
    }
    return "";
}

// Nothing a terminal would obey: valid UTF-8, no control character, no
// character that reorders text.
inline std::string checkterminal(const std::string& line) {
    for (std::size_t at = 0, size = 0; at < line.size(); at += size) {
        const long cp = utf8at(line, at, size);
        if (cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || (cp >= 0x202A && cp <= 0x202E) || (cp >= 0x2066 && cp <= 0x2069)) {
            return "a terminal control at byte " + std::to_string(at) + " of: " + terminaltext(line);
        }
    }
    return "";
}

// The summary of `data` through every output; "" when each keeps its syntax.
inline std::string replay(const std::uint8_t* data, std::size_t size) {
    const RunSummary run = summaryof(data, size);
    std::string problem = checkxml(plotsvg(run.pairs, run.seed));
    if (!problem.empty()) return "figure: " + problem;
    problem = checkxml(heatmapsvg(run));
    if (!problem.empty()) return "heatmap: " + problem;
    problem = checktable(tabletext(run));
    if (!problem.empty()) return "table: " + problem;
    std::vector<std::string> lines = estimatewarnings(run);
    for (const std::string& line : neutralwarnings(run, 3)) lines.push_back(line);
    lines.push_back(neutralline(run));
    for (const std::string& line : lines) {
        problem = checkterminal(terminaltext(line));
        if (!problem.empty()) return "warning: " + problem;
    }
    return "";
}

}  // namespace writecheck
}  // namespace gstboot
