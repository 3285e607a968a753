#include "output/heatmap.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "output/escape.h"
#include "output/format.h"

namespace gstboot {

namespace {

constexpr double MARGIN = 20.0;
constexpr double BAR = 18.0;      // width of the colour bar

std::string at(double v) { return "\"" + fixed(v, 2) + "\""; }

// A name as valid UTF-8, cut to `keep` characters (sequences kept whole).
std::string clip(const std::string& name, std::size_t keep) {
    const std::string text = validutf8(name);
    std::size_t chars = 0;
    for (std::size_t k = 0; k < text.size(); ++k) {
        if ((static_cast<unsigned char>(text[k]) & 0xC0) == 0x80) continue;
        if (chars++ == keep) return text.substr(0, k) + "\u2026";
    }
    return text;
}

// A name as drawn: cut, isolated (a right-to-left name cannot reorder the
// text around it) and escaped.
std::string drawn(const std::string& name, std::size_t keep) { return xmltext(isolated(clip(name, keep))); }

// A perceptually even scale from dark violet to yellow, by linear steps
// between five anchors; t in [0, 1].
struct Rgb {
    double r, g, b;
};
constexpr Rgb ANCHORS[] = {{68, 1, 84}, {59, 82, 139}, {33, 145, 140}, {94, 201, 98}, {253, 231, 37}};

std::string colour(double t) {
    t = std::min(1.0, std::max(0.0, t));
    const double scaled = t * 4.0;
    int k = static_cast<int>(scaled);
    if (k > 3) k = 3;
    const double f = scaled - static_cast<double>(k);
    const Rgb& a = ANCHORS[k];
    const Rgb& b = ANCHORS[k + 1];
    auto mix = [f](double x, double y) { return static_cast<int>(x + (y - x) * f + 0.5); };
    return format("#%02x%02x%02x", mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b));
}

// Text on a cell of scale position t: white on the dark half, black on the light.
const char* ink(double t) { return t < 0.55 ? "white" : "black"; }

struct Scale {
    double lo = 0.0, hi = 1.0;
    double position(double v) const { return hi > lo ? (v - lo) / (hi - lo) : 0.5; }
};

}  // namespace

std::string heatmapsvg(const RunSummary& run) {
    const int n = run.npop;
    std::vector<std::string> names(static_cast<std::size_t>(std::max(n, 0)));
    for (int p = 0; p < n; ++p) names[static_cast<std::size_t>(p)] = std::to_string(p + 1);
    // Each cell's pair, by [row][column].
    std::vector<const PairSummary*> cell(static_cast<std::size_t>(n) * static_cast<std::size_t>(std::max(n, 0)),
                                         nullptr);
    Scale scale;
    bool any = false;
    for (const PairSummary& p : run.pairs) {
        if (!p.name1.empty()) names[static_cast<std::size_t>(p.pop1)] = p.name1;
        if (!p.name2.empty()) names[static_cast<std::size_t>(p.pop2)] = p.name2;
        cell[static_cast<std::size_t>(p.pop1 * n + p.pop2)] = &p;
        cell[static_cast<std::size_t>(p.pop2 * n + p.pop1)] = &p;
        for (double v : {p.mhc.observed, p.mic.observed}) {
            if (!std::isfinite(v)) continue;
            scale.lo = any ? std::min(scale.lo, v) : v;
            scale.hi = any ? std::max(scale.hi, v) : v;
            any = true;
        }
    }
    if (!any) scale = Scale{};
    scale.lo = std::min(scale.lo, 0.0);

    const double side = n <= 0 ? 12.0 : std::max(12.0, std::min(40.0, 640.0 / n));
    const double font = std::min(12.0, side - 2.0);
    // Room for the names left of and above the matrix: the longest, cut to
    // `keep` characters, at about 0.62 of the font size per character.
    const std::size_t keep = 18;
    std::size_t longest = 1;
    for (const std::string& name : names) longest = std::max(longest, std::min(keep + 1, clip(name, keep).size()));
    const double labels = static_cast<double>(longest) * font * 0.62 + 12.0;
    const double left = MARGIN + labels;
    const double top = 60.0 + labels;
    const double matrix = side * std::max(n, 1);
    const double barx = left + matrix + 40.0;
    const double width = std::max(barx + BAR + 190.0, 700.0);
    const double barh = 240.0;
    const double cy = top + std::max(matrix, barh + 80.0) + 30.0;  // the caption
    const double height = cy + 32.0;

    std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    s += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=" + at(width) + " height=" + at(height) +
         " viewBox=\"0 0 " + fixed(width, 2) + " " + fixed(height, 2) +
         "\" font-family=\"sans-serif\" font-size=\"12\">\n";
    s += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    s += "<text x=" + at(MARGIN) + " y=\"28\" font-size=\"16\">Gst per population pair: MHC below the diagonal, "
         "MIC above</text>\n";

    // Names: rows on the left, columns above, rotated.
    for (int p = 0; p < n; ++p) {
        const std::string name = drawn(names[static_cast<std::size_t>(p)], keep);
        const double mid = side * p + side / 2.0;
        s += "<text x=" + at(left - 4.0) + " y=" + at(top + mid + font / 3.0) + " text-anchor=\"end\" font-size=" +
             at(font) + ">" + name + "</text>\n";
        const double x = left + mid + font / 3.0;
        const double y = top - 4.0;
        s += "<text x=" + at(x) + " y=" + at(y) + " font-size=" + at(font) + " transform=\"rotate(-90 " +
             fixed(x, 2) + " " + fixed(y, 2) + ")\">" + name + "</text>\n";
    }

    for (int r = 0; r < n; ++r) {
        for (int c = 0; c < n; ++c) {
            const double x = left + side * c;
            const double y = top + side * r;
            const std::string box = "<rect x=" + at(x) + " y=" + at(y) + " width=" + at(side) + " height=" + at(side);
            if (r == c) {
                s += box + " fill=\"#f2f2f2\"/>\n";
                continue;
            }
            const PairSummary* p = cell[static_cast<std::size_t>(r * n + c)];
            if (!p) continue;
            const bool mhc = r > c;
            const double v = mhc ? p->mhc.observed : p->mic.observed;
            const std::string title = "<title>" + drawn(names[static_cast<std::size_t>(p->pop1)], 64) + " \u2013 " +
                                      drawn(names[static_cast<std::size_t>(p->pop2)], 64) + ": " + (mhc ? "MHC" : "MIC") +
                                      " Gst " + fixed(v, 4) +
                                      (std::isfinite(p->neutral.q) ? ", neutral q " + fixed(p->neutral.q, 4) : "") +
                                      "</title>";
            if (!std::isfinite(v)) {
                s += box + " fill=\"#cccccc\">" + title + "</rect>\n";
                continue;
            }
            const double t = scale.position(v);
            s += box + " fill=\"" + colour(t) + "\">" + title + "</rect>\n";
            if (p->neutral.q < QLEVEL) {
                s += "<text x=" + at(x + side / 2.0) + " y=" + at(y + side / 2.0 + font / 3.0) +
                     " text-anchor=\"middle\" font-weight=\"bold\" font-size=" + at(font) + " fill=\"" + ink(t) +
                     "\">" + (p->neutral.z < 0.0 ? "\u2212" : "+") + "</text>\n";
            }
        }
    }
    if (n > 0) {
        s += "<rect x=" + at(left) + " y=" + at(top) + " width=" + at(matrix) + " height=" + at(matrix) +
             " fill=\"none\" stroke=\"#444\"/>\n";
        s += "<line x1=" + at(left) + " y1=" + at(top) + " x2=" + at(left + matrix) + " y2=" + at(top + matrix) +
             " stroke=\"#444\" stroke-width=\"0.5\"/>\n";
    }

    // The colour bar: 50 steps, ticks at its ends and middle.
    const int steps = 50;
    s += "<text x=" + at(barx) + " y=" + at(top - 10.0) + ">Gst</text>\n";
    for (int k = 0; k < steps; ++k) {
        const double t = 1.0 - (static_cast<double>(k) + 0.5) / steps;
        s += "<rect x=" + at(barx) + " y=" + at(top + barh * k / steps) + " width=" + at(BAR) + " height=" +
             at(barh / steps + 0.5) + " fill=\"" + colour(t) + "\"/>\n";
    }
    s += "<rect x=" + at(barx) + " y=" + at(top) + " width=" + at(BAR) + " height=" + at(barh) +
         " fill=\"none\" stroke=\"#444\"/>\n";
    for (int k = 0; k <= 4; ++k) {
        const double v = scale.hi - (scale.hi - scale.lo) * k / 4.0;
        const double y = top + barh * k / 4.0;
        s += "<line x1=" + at(barx + BAR) + " y1=" + at(y) + " x2=" + at(barx + BAR + 4.0) + " y2=" + at(y) +
             " stroke=\"#444\"/>\n";
        s += "<text x=" + at(barx + BAR + 7.0) + " y=" + at(y + 4.0) + ">" + fixed(v, 3) + "</text>\n";
    }
    double y = top + barh + 26.0;
    s += "<rect x=" + at(barx) + " y=" + at(y - 10.0) + " width=\"12\" height=\"12\" fill=\"#cccccc\"/>\n";
    s += "<text x=" + at(barx + 18.0) + " y=" + at(y) + ">no estimate</text>\n";
    if (run.neutraldraws > 0) {
        y += 20.0;
        s += "<text x=" + at(barx) + " y=" + at(y) + " font-weight=\"bold\">\u2212</text>";
        s += "<text x=" + at(barx + 18.0) + " y=" + at(y) + ">MHC less differentiated</text>\n";
        y += 16.0;
        s += "<text x=" + at(barx) + " y=" + at(y) + " font-weight=\"bold\">+</text>";
        s += "<text x=" + at(barx + 18.0) + " y=" + at(y) + ">MHC more differentiated</text>\n";
        y += 16.0;
        s += "<text x=" + at(barx) + " y=" + at(y) + ">(neutral test, q &lt; 0.05)</text>\n";
    }

    s += "<text x=" + at(MARGIN) + " y=" + at(cy) + ">Observed estimates of the data as read, one colour scale "
         "for both data sets.</text>\n";
    s += "<text x=" + at(MARGIN) + " y=" + at(cy + 16.0) + ">" +
         (run.neutraldraws > 0
              ? std::string("Marks: the neutral test (each locus against a drift null, the MHC against the MIC "
                            "loci), Benjamini-Hochberg q &lt; 0.05.")
              : std::string("The neutral test was off (--neutral-draws 0): no pair is marked.")) +
         "</text>\n";
    s += "</svg>\n";
    return s;
}

}  // namespace gstboot
