#include "output/plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "output/escape.h"
#include "output/format.h"

namespace gstboot {

namespace {


// Page geometry, in SVG user units.
constexpr double WIDTH = 860.0;
constexpr double HEIGHT = 700.0;
constexpr double LEFT = 80.0;   // plot square
constexpr double TOP = 50.0;
constexpr double SIDE = 520.0;
constexpr double LEGENDX = 630.0;
constexpr double LINE = 16.0;   // legend line height

constexpr double MINSPAN = 1e-6;  // the narrowest value range an axis spans

const char* const PLAIN = "#1f77b4";
const char* const LESS = "#e6850e";  // MHC less differentiated than neutral
const char* const MORE = "#d62728";  // ... more

// The value range of both axes, on tick boundaries.
struct Axis {
    double lo = 0.0;
    double hi = 1.0;
    double step = 0.2;
    int decimals = 1;

    double x(double v) const { return LEFT + (v - lo) / (hi - lo) * SIDE; }
    double y(double v) const { return TOP + SIDE - (v - lo) / (hi - lo) * SIDE; }
};

Axis makeaxis(double lo, double hi) {
    Axis a;
    lo = std::min(lo, 0.0);
    hi = std::max(hi, 0.0);
    double span = hi - lo;
    if (!(span > 0.0)) span = 1.0;
    // Narrower is a rounding residue, not a difference to show, and finer
    // ticks would need labels of more than 17 decimals.
    if (span < MINSPAN) span = MINSPAN;
    const double raw = span / 5.0;
    const double mag = std::pow(10.0, std::floor(std::log10(raw)));
    double step = 10.0 * mag;
    for (double m : {1.0, 2.0, 5.0}) {
        if (m * mag >= raw) {
            step = m * mag;
            break;
        }
    }
    a.step = step;
    a.lo = std::floor(lo / step) * step;
    a.hi = std::ceil(hi / step) * step;
    if (a.hi - a.lo < step) a.hi = a.lo + step;
    a.decimals = std::max(0, static_cast<int>(-std::floor(std::log10(step) + 1e-9)));
    return a;
}

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
    if (n <= 100) return {3.5, 0.7, 1.0, 0.5};
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

// Called different by the neutral test (a q exists only where it could test).
bool marked(const PairSummary& p) { return p.neutral.q < QLEVEL; }
bool less(const PairSummary& p) { return p.neutral.z < 0.0; }
const char* colourof(const PairSummary& p) { return !marked(p) ? PLAIN : less(p) ? LESS : MORE; }

// A mark centred at (x, y): a circle for unmarked pairs, a triangle
// pointing down (less differentiated) or up (more) for marked ones.
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

int kindof(const PairSummary& p) { return !marked(p) ? 0 : less(p) ? -1 : 1; }

std::string text(double x, double y, const std::string& s, const char* extra = "") {
    return "<text x=" + at(x) + " y=" + at(y) + extra + ">" + xmltext(s) + "</text>\n";
}

std::string line(double x1, double y1, double x2, double y2, const std::string& style) {
    return "<line x1=" + at(x1) + " y1=" + at(y1) + " x2=" + at(x2) + " y2=" + at(y2) + " " + style + "/>\n";
}

std::string axes(const Axis& a) {
    std::string s;
    s += "<rect x=" + at(LEFT) + " y=" + at(TOP) + " width=" + at(SIDE) + " height=" + at(SIDE) +
         " fill=\"none\" stroke=\"#444\"/>\n";
    const int ticks = static_cast<int>(std::lround((a.hi - a.lo) / a.step));
    for (int t = 0; t <= ticks; ++t) {
        double v = a.lo + t * a.step;
        if (std::fabs(v) < a.step * 1e-9) v = 0.0;
        const std::string label = fixed(v, a.decimals);
        const double x = a.x(v);
        const double y = a.y(v);
        s += line(x, TOP + SIDE, x, TOP + SIDE + 5, "stroke=\"#444\"");
        s += text(x, TOP + SIDE + 19, label, " text-anchor=\"middle\"");
        s += line(LEFT - 5, y, LEFT, y, "stroke=\"#444\"");
        s += text(LEFT - 8, y + 4, label, " text-anchor=\"end\"");
        if (t > 0 && t < ticks) {
            s += line(x, TOP, x, TOP + SIDE, "stroke=\"#ddd\"");
            s += line(LEFT, y, LEFT + SIDE, y, "stroke=\"#ddd\"");
        }
    }
    s += text(LEFT + SIDE / 2, TOP + SIDE + 42, "MIC Gst", " text-anchor=\"middle\" font-size=\"15\"");
    s += "<text x=" + at(LEFT - 52) + " y=" + at(TOP + SIDE / 2) + " text-anchor=\"middle\" font-size=\"15\" " +
         "transform=\"rotate(-90 " + fixed(LEFT - 52, 2) + " " + fixed(TOP + SIDE / 2, 2) + ")\">MHC Gst</text>\n";
    // The 1:1 line across the square: both axes share one range.
    s += line(a.x(a.lo), a.y(a.lo), a.x(a.hi), a.y(a.hi), "stroke=\"#777\" stroke-dasharray=\"6 4\"");
    return s;
}

std::string pairmarks(const PairSummary& p, const Axis& a, const Marks& m) {
    const double x = a.x(p.mic.observed);
    const double y = a.y(p.mhc.observed);
    const char* colour = colourof(p);
    std::string s;
    const std::string whisker = "stroke=\"" + std::string(colour) + "\" stroke-width=" + at(m.whisker) +
                                " stroke-opacity=" + at(m.whiskeropacity);
    s += line(a.x(p.mic.cilower), y, a.x(p.mic.ciupper), y, whisker);
    s += line(x, a.y(p.mhc.cilower), x, a.y(p.mhc.ciupper), whisker);
    const int kind = kindof(p);
    const std::string tag = kind == 0 ? "circle" : "polygon";
    s += symbol(x, y, kind == 0 ? m.radius : std::max(m.radius, 3.5), colour, kind,
                " fill-opacity=" + at(kind == 0 ? m.opacity : 0.9) +
                    (kind != 0 ? " stroke=\"#600\" stroke-width=\"0.8\"" : "") + "><title>pair " +
                    xmltext(pairlabel(p)) + "</title></" + tag + ">\n");
    return s;
}

std::string keyrow(double y, const std::string& symbol, const std::string& label) {
    return symbol + text(LEGENDX + 22, y + 4, label);
}

std::string qlegend(double q) { return q < 0.0001 ? std::string("q < 0.0001") : "q = " + fixed(q, 4); }

std::string legend(const std::vector<const PairSummary*>& listed, const std::vector<bool>& drawn) {
    std::string s;
    double y = TOP + 6;
    s += keyrow(y, symbol(LEGENDX + 8, y, 5.0, PLAIN, 0, "/>\n"), "no difference from neutral");
    y += LINE;
    s += keyrow(y, symbol(LEGENDX + 8, y, 5.0, LESS, -1, " stroke=\"#600\"/>\n"),
                "MHC below neutral, q < 0.05");
    y += LINE;
    s += keyrow(y, symbol(LEGENDX + 8, y, 5.0, MORE, 1, " stroke=\"#600\"/>\n"),
                "MHC above neutral, q < 0.05");
    y += LINE;
    s += keyrow(y, line(LEGENDX, y, LEGENDX + 16, y, "stroke=\"" + std::string(PLAIN) + "\""),
                "bias-corrected 95% intervals");
    y += LINE;
    s += keyrow(y, line(LEGENDX, y, LEGENDX + 16, y, "stroke=\"#777\" stroke-dasharray=\"6 4\""),
                "1:1 line (MHC = MIC)");
    y += 1.8 * LINE;
    if (listed.empty()) {
        s += text(LEGENDX, y, "No pair has q < 0.05.", " font-weight=\"bold\"");
        return s;
    }
    s += text(LEGENDX, y, format("Pairs with q < 0.05: %zu", listed.size()), " font-weight=\"bold\"");
    y += LINE;
    s += text(LEGENDX, y, "(mark: populations, q, MHC)");
    const std::size_t shown = std::min(listed.size(), static_cast<std::size_t>(LEGEND_CAP));
    for (std::size_t k = 0; k < shown; ++k) {
        y += LINE;
        const PairSummary& p = *listed[k];
        // Joined, not formatted: a name may hold a zero byte.
        s += text(LEGENDX, y,
                  format("%zu: ", k + 1) + pairlabel(p) + ", " + qlegend(p.neutral.q) + ", " +
                      (less(p) ? "less" : "more") + (drawn[k] ? "" : " (not drawn)"));
    }
    if (listed.size() > shown) {
        y += LINE;
        s += text(LEGENDX, y, format("\u2026 and %zu more", listed.size() - shown));
    }
    return s;
}

}  // namespace

bool drawable(const PairSummary& p) {
    for (double v : {p.mhc.observed, p.mhc.cilower, p.mhc.ciupper, p.mic.observed, p.mic.cilower, p.mic.ciupper}) {
        if (!std::isfinite(v) || std::fabs(v) > FARLIMIT) return false;
    }
    return true;
}

std::string plotsvg(const std::vector<PairSummary>& pairs, std::uint32_t seed, bool neutral) {
    std::vector<const PairSummary*> shown;
    double lo = 0.0;
    double hi = 0.0;
    bool any = false;
    for (const PairSummary& p : pairs) {
        if (!drawable(p)) continue;
        shown.push_back(&p);
        for (double v : {p.mhc.cilower, p.mhc.ciupper, p.mic.cilower, p.mic.ciupper, p.mhc.observed, p.mic.observed}) {
            lo = any ? std::min(lo, v) : v;
            hi = any ? std::max(hi, v) : v;
            any = true;
        }
    }
    const Axis axis = any ? makeaxis(lo, hi) : makeaxis(0.0, 1.0);
    const Marks marks = marksfor(pairs.size());

    std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    const std::string width = fixed(WIDTH, 0);
    const std::string height = fixed(HEIGHT, 0);
    s += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + width + "\" height=\"" + height + "\" viewBox=\"0 0 " +
         width + " " + height + "\" font-family=\"sans-serif\" font-size=\"12\">\n";
    s += "<rect width=\"" + width + "\" height=\"" + height + "\" fill=\"white\"/>\n";
    s += text(LEFT, 30, "MHC against MIC differentiation per population pair", " font-size=\"16\"");
    s += axes(axis);

    // Plain pairs first, so marked ones stay on top.
    for (int pass = 0; pass < 2; ++pass) {
        for (const PairSummary* p : shown) {
            if (marked(*p) == (pass == 1)) s += pairmarks(*p, axis, marks);
        }
    }
    std::vector<const PairSummary*> listed;
    std::vector<bool> listeddrawn;
    for (const PairSummary& p : pairs) {
        if (!marked(p)) continue;
        listed.push_back(&p);
        listeddrawn.push_back(drawable(p));
    }
    for (std::size_t k = 0; k < listed.size() && k < static_cast<std::size_t>(LEGEND_CAP); ++k) {
        if (!listeddrawn[k]) continue;
        s += text(axis.x(listed[k]->mic.observed) + marks.radius + 2, axis.y(listed[k]->mhc.observed) - marks.radius,
                  format("%zu", k + 1), " font-size=\"10\" fill=\"#600\"");
    }
    s += legend(listed, listeddrawn);

    const double cy = TOP + SIDE + 60;
    s += text(LEFT, cy,
              "Each point is a pair at its observed MIC and MHC estimates; whiskers span the bias-corrected 95% "
              "intervals");
    s += text(LEFT, cy + LINE,
              "(the bootstrap's 2.5% and 97.5% points shifted down by its mean minus the observed estimate). " +
                  std::string(neutral ? "Marks: the neutral test" : "No neutral test (--neutral-draws 0)."));
    s += text(LEFT, cy + 2 * LINE,
              neutral ? "(each locus against a drift null, the MHC against the MIC loci), Benjamini-Hochberg "
                        "q < 0.05 over the pairs."
                      : "No pair is marked.");
    const std::size_t missing = pairs.size() - shown.size();
    std::string caption;
    if (pairs.empty()) {
        caption = "There is no pair to draw (fewer than two populations).";
    } else if (missing == 0) {
        caption = pairs.size() == 1 ? "The one pair is drawn." : format("All %zu pairs are drawn.", pairs.size());
    } else {
        caption = format("%zu of %zu pairs could not be drawn because an estimate is not finite or lies far outside "
                      "[\u22121, 1] (beyond \u00b1%s).",
                      missing, pairs.size(), fixed(FARLIMIT, 0).c_str());
    }
    s += text(LEFT, cy + 3 * LINE, caption);
    s += text(LEFT, cy + 4 * LINE, format("Bootstrap seed %u: --seed %u draws the same replicates.", seed, seed));
    s += "</svg>\n";
    return s;
}

}  // namespace gstboot
