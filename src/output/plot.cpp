#include "output/plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "output/escape.h"
#include "output/format.h"
#include "output/svgtext.h"

namespace gstboot {

namespace {

// Page geometry, in SVG user units. The page is at least MINWIDTH by
// MINHEIGHT and grows with the tick labels, the keys and the list.
constexpr double MINWIDTH = 860.0;
constexpr double MINHEIGHT = 700.0;
constexpr double MINLEFT = 80.0;  // the plot area's left edge, at least
constexpr double TOP = 50.0;
constexpr double SIDE = 520.0;    // the plot area's side, up to WHISKERLIMIT pairs
constexpr double WIDESIDE = 760.0;  // ... and beyond: room for a crowd
constexpr double LISTROWS = 40.0;   // the list takes a column per this many pairs
constexpr std::size_t LISTCOLUMNS = 4;  // ... up to this many
constexpr double MARGIN = 20.0;
constexpr double LINE = 16.0;     // one line of 12-unit text
constexpr double FONT = 12.0;
constexpr double AXISFONT = 15.0;
constexpr double NUMBERFONT = 10.0;  // the numbers by marked points

const char* const PLAIN = "#1f77b4";
const char* const UNTESTED = "#8c8c8c";
const char* const LESS = "#e6850e";  // MHC less differentiated than neutral
const char* const MORE = "#d62728";  // ... more

// Where a value falls along an axis, from 0 at lo to 1 at hi.
double share(const AxisRange& a, double v) { return (v - a.lo) / (a.hi - a.lo); }

// The tick values' labels, lowest first.
std::vector<std::string> ticklabels(const AxisRange& a) {
    std::vector<std::string> labels;
    for (long k = a.first; k <= a.last; ++k) labels.push_back(fixed(static_cast<double>(k) * a.step, a.decimals));
    return labels;
}

// Where everything goes.
struct Frame {
    AxisRange xaxis, yaxis;
    double left = MINLEFT;
    double side = SIDE;
    double ytitle = 0.0;   // the vertical axis title's baseline, turned
    double legendx = 0.0;  // the keys
    double width = MINWIDTH;

    double x(double v) const { return left + share(xaxis, v) * side; }
    double y(double v) const { return TOP + side - share(yaxis, v) * side; }
};

// Mark sizes by the number of pairs: large and solid for a few, small and
// translucent for hundreds, so overlaps still show density.
struct Marks {
    double radius;
    double opacity;
    double whisker;
    double whiskeropacity;
};

Marks marksfor(std::size_t n) {
    if (n <= 10) return {5.0, 0.9, 1.5, 0.8};
    if (n <= WHISKERLIMIT) return {3.5, 0.7, 1.0, 0.5};
    return {2.2, 0.45, 0.6, 0.25};
}

// A name cut to `keep` characters, so that a long one cannot push the
// legend off the page; made valid UTF-8 first, so that every byte counts
// and no sequence is cut.
std::string clipname(const std::string& name, std::size_t keep) {
    const std::string text = validutf8(name);
    std::size_t chars = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if ((static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) continue;
        if (chars++ == keep) return text.substr(0, at) + "\u2026";
    }
    return text;
}

// The pair by its populations' names where the files give them, else by
// their numbers. Each name is isolated: a right-to-left one must not turn
// the dash and the p value around it.
std::string pairlabel(const PairSummary& p) {
    if (p.name1.empty() && p.name2.empty()) return format("%d-%d", p.pop1 + 1, p.pop2 + 1);
    return isolated(clipname(p.name1, 18)) + " \u2013 " + isolated(clipname(p.name2, 18));
}

// Coordinates and sizes with two decimals, the same text on every platform.
std::string at(double v) { return "\"" + fixed(v, 2) + "\""; }

// Tested: the neutral test ran and gave the pair a q. Marked: called
// different by it.
bool tested(const PairSummary& p, bool neutral) { return neutral && !std::isnan(p.neutral.q); }
bool marked(const PairSummary& p) { return p.neutral.q < QLEVEL; }
bool less(const PairSummary& p) { return p.neutral.z < 0.0; }

// A mark centred at (x, y): a circle for unmarked pairs (hollow when the
// pair was not tested), a triangle pointing down (less differentiated) or
// up (more) for marked ones.
std::string symbol(double x, double y, double r, const char* colour, int kind, const std::string& extra) {
    if (kind == 0) {
        return "<circle cx=" + at(x) + " cy=" + at(y) + " r=" + at(r) + " fill=\"" + colour + "\"" + extra;
    }
    const double h = r * 1.3;
    const double tip = kind < 0 ? y + h : y - h;
    const double base = kind < 0 ? y - h * 0.7 : y + h * 0.7;
    return "<polygon points=\"" + fixed(x - h, 2) + "," + fixed(base, 2) + " " + fixed(x + h, 2) + "," +
           fixed(base, 2) + " " + fixed(x, 2) + "," + fixed(tip, 2) + "\" fill=\"" + colour + "\"" + extra;
}

std::string hollow(double x, double y, double r, const std::string& extra) {
    return "<circle cx=" + at(x) + " cy=" + at(y) + " r=" + at(r) + " fill=\"none\" stroke=\"" + UNTESTED +
           "\" stroke-width=\"1\"" + extra;
}

int kindof(const PairSummary& p) { return !marked(p) ? 0 : less(p) ? -1 : 1; }

std::string text(double x, double y, const std::string& s, const char* extra = "") {
    return "<text x=" + at(x) + " y=" + at(y) + extra + ">" + xmltext(s) + "</text>\n";
}

std::string line(double x1, double y1, double x2, double y2, const std::string& style) {
    return "<line x1=" + at(x1) + " y1=" + at(y1) + " x2=" + at(x2) + " y2=" + at(y2) + " " + style + "/>\n";
}

std::string axes(const Frame& f) {
    std::string s;
    const std::vector<std::string> xlabels = ticklabels(f.xaxis);
    // Long labels (a narrow range needs many decimals) go on every other
    // tick, or fewer, rather than run into each other.
    double widest = 0.0;
    for (const std::string& label : xlabels) widest = std::max(widest, textwidth(label, FONT));
    const double spacing = f.x(f.xaxis.step) - f.x(0.0);
    long stride = 1;
    while (widest + 6.0 > spacing * static_cast<double>(stride)) ++stride;
    for (long k = f.xaxis.first; k <= f.xaxis.last; ++k) {
        const double x = f.x(static_cast<double>(k) * f.xaxis.step);
        s += line(x, TOP, x, TOP + f.side, "stroke=\"#ddd\"");
        s += line(x, TOP + f.side, x, TOP + f.side + 5, "stroke=\"#444\"");
        if (k % stride != 0) continue;
        s += text(x, TOP + f.side + 19, xlabels[static_cast<std::size_t>(k - f.xaxis.first)],
                  " text-anchor=\"middle\"");
    }
    const std::vector<std::string> ylabels = ticklabels(f.yaxis);
    for (long k = f.yaxis.first; k <= f.yaxis.last; ++k) {
        const double y = f.y(static_cast<double>(k) * f.yaxis.step);
        s += line(f.left, y, f.left + f.side, y, "stroke=\"#ddd\"");
        s += line(f.left - 5, y, f.left, y, "stroke=\"#444\"");
        s += text(f.left - 8, y + 4, ylabels[static_cast<std::size_t>(k - f.yaxis.first)], " text-anchor=\"end\"");
    }
    s += "<rect x=" + at(f.left) + " y=" + at(TOP) + " width=" + at(f.side) + " height=" + at(f.side) +
         " fill=\"none\" stroke=\"#444\"/>\n";
    s += text(f.left + f.side / 2, TOP + f.side + 42, "MIC Gst", " text-anchor=\"middle\" font-size=\"15\"");
    s += "<text x=" + at(f.ytitle) + " y=" + at(TOP + f.side / 2) + " text-anchor=\"middle\" font-size=\"15\" " +
         "transform=\"rotate(-90 " + fixed(f.ytitle, 2) + " " + fixed(TOP + f.side / 2, 2) + ")\">MHC Gst</text>\n";
    return s;
}

// The 1:1 line where the two ranges share values; false when they do not.
bool diagonal(const Frame& f, std::string& s) {
    const double from = std::max(f.xaxis.lo, f.yaxis.lo);
    const double to = std::min(f.xaxis.hi, f.yaxis.hi);
    if (!(from < to)) return false;
    s += line(f.x(from), f.y(from), f.x(to), f.y(to), "stroke=\"#777\" stroke-dasharray=\"6 4\"");
    return true;
}

std::string pairmarks(const PairSummary& p, const Frame& f, const Marks& m, bool whiskers, bool neutral) {
    const double x = f.x(p.mic.observed);
    const double y = f.y(p.mhc.observed);
    const std::string title = "><title>pair " + xmltext(pairlabel(p)) + "</title></";
    if (!tested(p, neutral)) {
        std::string s;
        if (whiskers) {
            const std::string style = "stroke=\"" + std::string(UNTESTED) + "\" stroke-width=" + at(m.whisker) +
                                      " stroke-opacity=" + at(m.whiskeropacity);
            s += line(f.x(p.mic.cilower), y, f.x(p.mic.ciupper), y, style);
            s += line(x, f.y(p.mhc.cilower), x, f.y(p.mhc.ciupper), style);
        }
        return s + hollow(x, y, m.radius, " stroke-opacity=" + at(std::min(1.0, m.opacity + 0.3)) + title + "circle>\n");
    }
    const int kind = kindof(p);
    const char* colour = kind == 0 ? PLAIN : kind < 0 ? LESS : MORE;
    std::string s;
    if (whiskers) {
        const std::string style = "stroke=\"" + std::string(colour) + "\" stroke-width=" + at(m.whisker) +
                                  " stroke-opacity=" + at(m.whiskeropacity);
        s += line(f.x(p.mic.cilower), y, f.x(p.mic.ciupper), y, style);
        s += line(x, f.y(p.mhc.cilower), x, f.y(p.mhc.ciupper), style);
    }
    const std::string tag = kind == 0 ? "circle" : "polygon";
    s += symbol(x, y, kind == 0 ? m.radius : std::max(m.radius, 3.5), colour, kind,
                " fill-opacity=" + at(kind == 0 ? m.opacity : 0.9) +
                    (kind != 0 ? " stroke=\"#600\" stroke-width=\"0.8\"" : "") + title + tag + ">\n");
    return s;
}

std::string qlegend(double q) { return q < 0.0001 ? std::string("q < 0.0001") : "q = " + fixed(q, 4); }

// The keys, beside the plot area.
struct Key {
    std::string mark;  // drawn at (0, 0), moved into place
    std::string label;
};

std::vector<Key> keys(bool whiskers, bool oneone, bool neutral) {
    std::vector<Key> k;
    const std::string none = neutral ? "not tested" : "not tested (--neutral-draws 0)";
    k.push_back({symbol(8, 0, 5.0, PLAIN, 0, "/>\n"), "no difference from neutral"});
    k.push_back({hollow(8, 0, 4.5, "/>\n"), none});
    k.push_back({symbol(8, 0, 5.0, LESS, -1, " stroke=\"#600\"/>\n"), "MHC below neutral, q < 0.05"});
    k.push_back({symbol(8, 0, 5.0, MORE, 1, " stroke=\"#600\"/>\n"), "MHC above neutral, q < 0.05"});
    if (whiskers) {
        k.push_back({line(0, 0, 16, 0, "stroke=\"" + std::string(PLAIN) + "\""), "bias-corrected 95% intervals"});
    }
    if (oneone) k.push_back({line(0, 0, 16, 0, "stroke=\"#777\" stroke-dasharray=\"6 4\""), "1:1 line (MHC = MIC)"});
    return k;
}

// The numbers of the marked pairs by their points: each takes the first of
// a ring of places around its point, nearest first, that lies inside the
// plot area and clear of every number placed and every marked point; a pair
// with no such place keeps its number in the list only. Returns whether each
// pair got one.
std::vector<bool> placenumbers(const std::vector<const PairSummary*>& listed, const std::vector<bool>& drawn,
                               const Frame& f, const Marks& m, std::string& s) {
    std::vector<Box> taken;
    const double r = std::max(m.radius, 3.5) * 1.3;
    for (std::size_t k = 0; k < listed.size(); ++k) {
        if (!drawn[k]) continue;
        const double x = f.x(listed[k]->mic.observed);
        const double y = f.y(listed[k]->mhc.observed);
        taken.push_back({x - r, y - r, x + r, y + r});
    }
    const Box area{f.left, TOP, f.left + f.side, TOP + f.side};
    const double height = NUMBERFONT * (ASCENT + DESCENT);
    const double ring[][2] = {{1, 0}, {1, -1}, {0, -1}, {-1, -1}, {-1, 0}, {-1, 1}, {0, 1}, {1, 1}};
    std::vector<bool> placed(listed.size(), false);
    std::size_t mark = 0;
    for (std::size_t k = 0; k < listed.size(); ++k) {
        if (!drawn[k]) continue;
        const double x = f.x(listed[k]->mic.observed);
        const double y = f.y(listed[k]->mhc.observed);
        const std::string number = format("%zu", k + 1);
        const double width = textwidth(number, NUMBERFONT);
        for (double gap : {1.0, 4.0}) {
            for (const auto& d : ring) {
                // The box's centre, `gap` beyond the mark in direction d.
                const double cx = x + d[0] * (r + gap + width / 2.0);
                const double cy = y + d[1] * (r + gap + height / 2.0);
                const Box box{cx - width / 2.0, cy - height / 2.0, cx + width / 2.0, cy + height / 2.0};
                if (box.left < area.left || box.right > area.right || box.top < area.top || box.bottom > area.bottom) {
                    continue;
                }
                bool clear = true;
                for (std::size_t t = 0; t < taken.size() && clear; ++t) {
                    if (t != mark) clear = !overlaps(box, taken[t]);
                }
                if (!clear) continue;
                taken.push_back(box);
                placed[k] = true;
                s += text(cx, box.top + NUMBERFONT * ASCENT, number,
                          " text-anchor=\"middle\" font-size=\"10\" fill=\"#600\"");
                break;
            }
            if (placed[k]) break;
        }
        ++mark;
    }
    return placed;
}

std::string listentry(std::size_t k, const PairSummary& p, bool drawn, bool numbered) {
    // Joined, not formatted: a name may hold a zero byte.
    return format("%zu: ", k + 1) + pairlabel(p) + ", " + qlegend(p.neutral.q) + ", " + (less(p) ? "less" : "more") +
           (!drawn ? " (not drawn)" : numbered ? "" : " (crowded, no number)");
}

}  // namespace

AxisRange axisrange(double lo, double hi) {
    if (lo > 0.0 && (lo <= hi - lo || lo == hi)) lo = 0.0;
    if (hi < 0.0 && (-hi <= hi - lo || lo == hi)) hi = 0.0;
    if (hi - lo < MINSPAN) hi = lo == 0.0 && hi == 0.0 ? 1.0 : lo + MINSPAN;
    const double pad = (hi - lo) * 0.04;
    AxisRange a;
    a.lo = lo - pad;
    a.hi = hi + pad;
    const double raw = (a.hi - a.lo) / 6.0;
    double mag = 1.0;
    int decimals = 0;
    while (mag > raw) {
        mag = mag / 10.0;
        ++decimals;
    }
    while (mag * 10.0 <= raw * 0.75) {
        mag = mag * 10.0;
        --decimals;
    }
    a.step = 10.0 * mag;
    a.decimals = std::max(0, decimals - 1);
    for (double m : {1.0, 2.0, 2.5, 5.0}) {
        if (m * mag >= raw * 0.75) {
            a.step = m * mag;
            a.decimals = std::max(0, m == 2.5 ? decimals + 1 : decimals);
            break;
        }
    }
    a.first = static_cast<long>(std::ceil(a.lo / a.step));
    a.last = static_cast<long>(std::floor(a.hi / a.step));
    return a;
}

bool drawable(const PairSummary& p) {
    for (double v : {p.mhc.observed, p.mhc.cilower, p.mhc.ciupper, p.mic.observed, p.mic.cilower, p.mic.ciupper}) {
        if (!std::isfinite(v) || std::fabs(v) > FARLIMIT) return false;
    }
    return true;
}

std::string plotsvg(const std::vector<PairSummary>& pairs, std::uint32_t seed, bool neutral) {
    const bool whiskers = pairs.size() <= WHISKERLIMIT;
    std::vector<const PairSummary*> shown;
    double xlo = 0.0, xhi = 0.0, ylo = 0.0, yhi = 0.0;
    std::size_t untested = 0;
    for (const PairSummary& p : pairs) {
        if (!tested(p, neutral)) ++untested;
        if (!drawable(p)) continue;
        const bool first = shown.empty();
        shown.push_back(&p);
        const double xs[] = {p.mic.observed, whiskers ? p.mic.cilower : p.mic.observed,
                             whiskers ? p.mic.ciupper : p.mic.observed};
        const double ys[] = {p.mhc.observed, whiskers ? p.mhc.cilower : p.mhc.observed,
                             whiskers ? p.mhc.ciupper : p.mhc.observed};
        for (int k = 0; k < 3; ++k) {
            xlo = first && k == 0 ? xs[k] : std::min(xlo, xs[k]);
            xhi = first && k == 0 ? xs[k] : std::max(xhi, xs[k]);
            ylo = first && k == 0 ? ys[k] : std::min(ylo, ys[k]);
            yhi = first && k == 0 ? ys[k] : std::max(yhi, ys[k]);
        }
    }
    Frame f;
    f.side = whiskers ? SIDE : WIDESIDE;
    f.xaxis = shown.empty() ? axisrange(0.0, 1.0) : axisrange(xlo, xhi);
    f.yaxis = shown.empty() ? axisrange(0.0, 1.0) : axisrange(ylo, yhi);
    double labelwidth = 0.0;
    for (const std::string& label : ticklabels(f.yaxis)) labelwidth = std::max(labelwidth, textwidth(label, FONT));
    // The turned axis title, then the tick labels, then the ticks.
    f.left = std::max(MINLEFT, 4.0 + AXISFONT + 6.0 + labelwidth + 8.0);
    f.ytitle = f.left - 8.0 - labelwidth - 6.0 - AXISFONT * DESCENT;
    f.legendx = f.left + f.side + 30.0;
    const Marks marks = marksfor(pairs.size());

    std::string plot;
    const bool oneone = diagonal(f, plot);
    // Untested pairs first, then plain ones, so that marked ones stay on top.
    for (int pass = 0; pass < 3; ++pass) {
        for (const PairSummary* p : shown) {
            const int layer = !tested(*p, neutral) ? 0 : marked(*p) ? 2 : 1;
            if (layer == pass) plot += pairmarks(*p, f, marks, whiskers, neutral);
        }
    }
    std::vector<const PairSummary*> listed;
    std::vector<bool> listeddrawn;
    for (const PairSummary& p : pairs) {
        if (!tested(p, neutral) || !marked(p)) continue;
        listed.push_back(&p);
        listeddrawn.push_back(drawable(p));
    }
    const std::vector<bool> numbered = placenumbers(listed, listeddrawn, f, marks, plot);

    const std::vector<Key> keyrows = keys(whiskers, oneone, neutral);
    for (const Key& k : keyrows) f.width = std::max(f.width, f.legendx + 22.0 + textwidth(k.label, FONT) + MARGIN);
    std::vector<std::string> entries;
    double entrywidth = 0.0;
    for (std::size_t k = 0; k < listed.size(); ++k) {
        entries.push_back(listentry(k, *listed[k], listeddrawn[k], numbered[k]));
        entrywidth = std::max(entrywidth, textwidth(entries.back(), FONT));
    }
    // A long list takes more columns, widening the page, rather than
    // making it ever taller.
    const double column = entrywidth + 24.0;
    const double wanted = std::min(static_cast<double>(LISTCOLUMNS),
                                   std::ceil(static_cast<double>(listed.size()) / LISTROWS));
    f.width = std::max(f.width, 2.0 * MARGIN + column * std::max(1.0, wanted));

    // The caption: paragraphs broken to the page, the list below them.
    std::vector<std::string> paragraphs;
    paragraphs.push_back(
        whiskers ? "Each point is a pair at its observed MIC and MHC estimates; whiskers span the bias-corrected 95% "
                   "intervals (the bootstrap's 2.5% and 97.5% points shifted down by its mean minus the observed "
                   "estimate)."
                 : format("Each point is a pair at its observed MIC and MHC estimates; with more than %zu pairs the "
                          "bias-corrected 95%% intervals are not drawn (the table gives them).",
                          WHISKERLIMIT));
    if (neutral) {
        std::string legendtext = "Marks: the neutral test (each locus against a drift null, the MHC against the MIC loci), "
                            "Benjamini-Hochberg q < 0.05 over the pairs.";
        if (untested > 0) {
            legendtext += format(" Hollow grey: %zu of %zu pairs it could not test (too few MIC loci with variation in "
                            "the pair, or no MHC variation).",
                            untested, pairs.size());
        }
        paragraphs.push_back(legendtext);
    } else {
        paragraphs.push_back("No neutral test (--neutral-draws 0): no pair is tested or marked.");
    }
    const std::size_t missing = pairs.size() - shown.size();
    if (pairs.empty()) {
        paragraphs.push_back("There is no pair to draw (fewer than two populations).");
    } else if (missing == 0) {
        paragraphs.push_back(pairs.size() == 1 ? "The one pair is drawn."
                                               : format("All %zu pairs are drawn.", pairs.size()));
    } else {
        paragraphs.push_back(format("%zu of %zu pairs could not be drawn because an estimate is not finite or lies "
                                    "far outside [\u22121, 1] (beyond \u00b1%s).",
                                    missing, pairs.size(), fixed(FARLIMIT, 0).c_str()));
    }
    paragraphs.push_back(format("Bootstrap seed %u: --seed %u draws the same replicates.", seed, seed));

    std::string tail;
    double y = TOP + f.side + 60.0;
    for (const std::string& paragraph : paragraphs) {
        for (const std::string& row : wraptext(paragraph, f.width - 2.0 * MARGIN, FONT)) {
            tail += text(MARGIN, y, row);
            y += LINE;
        }
    }
    y += LINE / 2.0;
    if (listed.empty()) {
        tail += text(MARGIN, y, "No pair has q < 0.05.", " font-weight=\"bold\"");
    } else {
        tail += text(MARGIN, y, format("Pairs with q < 0.05: %zu", listed.size()), " font-weight=\"bold\"");
        tail += text(MARGIN + textwidth(format("Pairs with q < 0.05: %zu", listed.size()), FONT, true) + 8.0, y,
                     "(number: populations, q, MHC against neutral)");
        const std::size_t columns =
            std::max<std::size_t>(1, static_cast<std::size_t>((f.width - 2.0 * MARGIN) / column));
        const std::size_t rows = (listed.size() + columns - 1) / columns;
        for (std::size_t k = 0; k < listed.size(); ++k) {
            tail += text(MARGIN + static_cast<double>(k / rows) * column, y + LINE * static_cast<double>(1 + k % rows),
                         entries[k]);
        }
        y += LINE * static_cast<double>(rows);
    }
    const double height = std::max(MINHEIGHT, y + FONT * DESCENT + MARGIN);

    std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    const std::string width = fixed(std::ceil(f.width), 0);
    const std::string high = fixed(std::ceil(height), 0);
    s += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + width + "\" height=\"" + high + "\" viewBox=\"0 0 " +
         width + " " + high + "\" font-family=\"sans-serif\" font-size=\"12\">\n";
    s += "<rect width=\"" + width + "\" height=\"" + high + "\" fill=\"white\"/>\n";
    s += text(f.left, 30, "MHC against MIC differentiation per population pair", " font-size=\"16\"");
    s += axes(f);
    s += plot;
    double keyy = TOP + 6;
    for (const Key& k : keyrows) {
        s += "<g transform=\"translate(" + fixed(f.legendx, 2) + " " + fixed(keyy, 2) + ")\">" + k.mark + "</g>\n";
        s += text(f.legendx + 22, keyy + 4, k.label);
        keyy += LINE;
    }
    s += tail;
    s += "</svg>\n";
    return s;
}

}  // namespace gstboot
