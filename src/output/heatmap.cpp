#include "output/heatmap.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "output/escape.h"
#include "output/format.h"
#include "output/svgtext.h"

namespace gstboot {

namespace {

constexpr double MARGIN = 20.0;
constexpr double BAR = 18.0;       // width of a colour bar
constexpr double BARHEIGHT = 240.0;
constexpr double FONT = 12.0;
constexpr double LINE = 16.0;
constexpr double MINWIDTH = 700.0;

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

// A name as shown: cut and isolated, so that a right-to-left name cannot
// reorder the text around it.
std::string shown(const std::string& name, std::size_t keep) { return isolated(clip(name, keep)); }

// ... and escaped, as it goes into the file.
std::string drawn(const std::string& name, std::size_t keep) { return xmltext(shown(name, keep)); }

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

// The values a colour bar spans: from the smaller of 0 and the lowest
// finite estimate to the highest; [0, 1] when there is none.
struct Scale {
    double lo = 0.0, hi = 1.0;
    bool any = false;

    void take(double v) {
        if (!std::isfinite(v)) return;
        lo = any ? std::min(lo, v) : v;
        hi = any ? std::max(hi, v) : v;
        any = true;
    }
    Scale fromzero() const {
        if (!any) return Scale{};
        Scale s = *this;
        s.lo = std::min(s.lo, 0.0);
        return s;
    }
    double position(double v) const { return hi > lo ? (v - lo) / (hi - lo) : 0.5; }
};

std::string text(double x, double y, const std::string& s, const std::string& extra = "") {
    return "<text x=" + at(x) + " y=" + at(y) + extra + ">" + xmltext(s) + "</text>\n";
}

// A hollow ring: the mark of a pair the neutral test could not test.
std::string ring(double x, double y, double r, const char* stroke) {
    return "<circle cx=" + at(x) + " cy=" + at(y) + " r=" + at(r) + " fill=\"none\" stroke=\"" + stroke +
           "\" stroke-width=\"1\"/>\n";
}

// One colour bar at x, its title above it; returns its right edge, tick
// labels included.
double colourbar(double x, double top, const std::string& title, const Scale& scale, std::string& s) {
    const int steps = 50;
    s += text(x, top - 10.0, title);
    for (int k = 0; k < steps; ++k) {
        const double t = 1.0 - (static_cast<double>(k) + 0.5) / steps;
        s += "<rect x=" + at(x) + " y=" + at(top + BARHEIGHT * k / steps) + " width=" + at(BAR) + " height=" +
             at(BARHEIGHT / steps + 0.5) + " fill=\"" + colour(t) + "\"/>\n";
    }
    s += "<rect x=" + at(x) + " y=" + at(top) + " width=" + at(BAR) + " height=" + at(BARHEIGHT) +
         " fill=\"none\" stroke=\"#444\"/>\n";
    double right = x + textwidth(title, FONT);
    for (int k = 0; k <= 4; ++k) {
        const double v = scale.hi - (scale.hi - scale.lo) * k / 4.0;
        const double y = top + BARHEIGHT * k / 4.0;
        s += "<line x1=" + at(x + BAR) + " y1=" + at(y) + " x2=" + at(x + BAR + 4.0) + " y2=" + at(y) +
             " stroke=\"#444\"/>\n";
        const std::string label = fixed(v, 3);
        s += text(x + BAR + 7.0, y + 4.0, label);
        right = std::max(right, x + BAR + 7.0 + textwidth(label, FONT));
    }
    return right;
}

}  // namespace

std::string heatmapsvg(const RunSummary& run, ColourScale scaling) {
    const int n = run.npop;
    const bool neutral = run.neutraldraws > 0;
    std::vector<std::string> names(static_cast<std::size_t>(std::max(n, 0)));
    for (int p = 0; p < n; ++p) names[static_cast<std::size_t>(p)] = std::to_string(p + 1);
    // Each cell's pair, by [row][column].
    std::vector<const PairSummary*> cell(static_cast<std::size_t>(n) * static_cast<std::size_t>(std::max(n, 0)),
                                         nullptr);
    Scale mhcscale, micscale, both;
    std::size_t untested = 0;
    for (const PairSummary& p : run.pairs) {
        if (!p.name1.empty()) names[static_cast<std::size_t>(p.pop1)] = p.name1;
        if (!p.name2.empty()) names[static_cast<std::size_t>(p.pop2)] = p.name2;
        cell[static_cast<std::size_t>(p.pop1 * n + p.pop2)] = &p;
        cell[static_cast<std::size_t>(p.pop2 * n + p.pop1)] = &p;
        mhcscale.take(p.mhc.observed);
        micscale.take(p.mic.observed);
        both.take(p.mhc.observed);
        both.take(p.mic.observed);
        if (neutral && std::isnan(p.neutral.q)) ++untested;
    }
    const bool shared = scaling == ColourScale::shared;
    const Scale below = (shared ? both : mhcscale).fromzero();
    const Scale above = (shared ? both : micscale).fromzero();

    const double side = n <= 0 ? 12.0 : std::max(12.0, std::min(40.0, 640.0 / n));
    const double font = std::min(12.0, side - 2.0);
    // Room for the names left of and above the matrix: the widest, cut to
    // `keep` characters.
    const std::size_t keep = 18;
    double longest = textwidth("0", font);
    for (const std::string& name : names) longest = std::max(longest, textwidth(shown(name, keep), font));
    const double labels = longest + 12.0;
    const double left = MARGIN + labels;
    const double top = 60.0 + labels;
    const double matrix = side * std::max(n, 1);
    const double barx = left + matrix + 40.0;

    std::string body;
    // Names: rows on the left, columns above, turned.
    for (int p = 0; p < n; ++p) {
        const std::string name = drawn(names[static_cast<std::size_t>(p)], keep);
        const double mid = side * p + side / 2.0;
        body += "<text x=" + at(left - 4.0) + " y=" + at(top + mid + font / 3.0) + " text-anchor=\"end\" font-size=" +
                at(font) + ">" + name + "</text>\n";
        const double x = left + mid + font / 3.0;
        const double y = top - 4.0;
        body += "<text x=" + at(x) + " y=" + at(y) + " font-size=" + at(font) + " transform=\"rotate(-90 " +
                fixed(x, 2) + " " + fixed(y, 2) + ")\">" + name + "</text>\n";
    }

    for (int r = 0; r < n; ++r) {
        for (int c = 0; c < n; ++c) {
            const double x = left + side * c;
            const double y = top + side * r;
            const std::string box = "<rect x=" + at(x) + " y=" + at(y) + " width=" + at(side) + " height=" + at(side);
            if (r == c) {
                body += box + " fill=\"#f2f2f2\"/>\n";
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
            const bool finite = std::isfinite(v);
            const double t = finite ? (mhc ? below : above).position(v) : 0.0;
            body += box + " fill=\"" + (finite ? colour(t) : std::string("#cccccc")) + "\">" + title + "</rect>\n";
            const char* pen = finite ? ink(t) : "#555555";
            if (neutral && std::isnan(p->neutral.q)) {
                body += ring(x + side / 2.0, y + side / 2.0, std::min(side * 0.28, 5.0), pen);
            } else if (p->neutral.q < QLEVEL) {
                body += "<text x=" + at(x + side / 2.0) + " y=" + at(y + side / 2.0 + font / 3.0) +
                        " text-anchor=\"middle\" font-weight=\"bold\" font-size=" + at(font) + " fill=\"" + pen +
                        "\">" + (p->neutral.z < 0.0 ? "\u2212" : "+") + "</text>\n";
            }
        }
    }
    if (n > 0) {
        body += "<rect x=" + at(left) + " y=" + at(top) + " width=" + at(matrix) + " height=" + at(matrix) +
                " fill=\"none\" stroke=\"#444\"/>\n";
        body += "<line x1=" + at(left) + " y1=" + at(top) + " x2=" + at(left + matrix) + " y2=" + at(top + matrix) +
                " stroke=\"#444\" stroke-width=\"0.5\"/>\n";
    }

    // The colour bars, then the keys below them.
    double right = 0.0;
    if (shared) {
        right = colourbar(barx, top, "Gst", below, body);
    } else {
        right = colourbar(barx, top, "MHC", below, body);
        right = colourbar(right + 24.0, top, "MIC", above, body);
    }
    double y = top + BARHEIGHT + 26.0;
    auto key = [&](const std::string& mark, const std::string& label) {
        body += mark + text(barx + 18.0, y, label);
        right = std::max(right, barx + 18.0 + textwidth(label, FONT));
        y += LINE;
    };
    key("<rect x=" + at(barx) + " y=" + at(y - 10.0) + " width=\"12\" height=\"12\" fill=\"#cccccc\"/>",
        "no estimate");
    if (neutral) {
        y += 4.0;
        key(text(barx, y, "\u2212", " font-weight=\"bold\""), "MHC less differentiated");
        key(text(barx, y, "+", " font-weight=\"bold\""), "MHC more differentiated");
        key("", "(neutral test, q < 0.05)");
        key(ring(barx + 6.0, y - 4.0, 4.5, "#777777"), "not tested");
    }
    const std::string heading = "Gst per population pair: MHC below the diagonal, MIC above";
    right = std::max(right, MARGIN + textwidth(heading, 16.0));
    const double width = std::ceil(std::max({MINWIDTH, right + MARGIN, left + matrix + MARGIN}));

    std::vector<std::string> caption;
    caption.push_back(shared ? "Observed estimates of the data as read, one colour scale for both data sets."
                             : "Observed estimates of the data as read, each data set on its own colour scale "
                               "(--heatmap-scale shared puts both on one): compare colours within a half.");
    std::string marks = neutral ? "Marks: the neutral test (each locus against a drift null, the MHC against the MIC "
                                  "loci), Benjamini-Hochberg q < 0.05."
                                : "The neutral test was off (--neutral-draws 0): no pair is marked.";
    if (untested > 0) {
        marks += format(" Rings: %zu of %zu pairs it could not test (too few MIC loci with variation in the pair, or "
                        "no MHC variation).",
                        untested, run.pairs.size());
    }
    caption.push_back(marks);
    const double cy = std::max(top + std::max(matrix, BARHEIGHT) + 30.0, y + LINE);
    std::string tail;
    double line = cy;
    for (const std::string& paragraph : caption) {
        for (const std::string& row : wraptext(paragraph, width - 2.0 * MARGIN, FONT)) {
            tail += text(MARGIN, line, row);
            line += LINE;
        }
    }
    const double height = std::ceil(line - LINE + FONT * DESCENT + MARGIN);

    std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    s += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=" + at(width) + " height=" + at(height) +
         " viewBox=\"0 0 " + fixed(width, 2) + " " + fixed(height, 2) +
         "\" font-family=\"sans-serif\" font-size=\"12\">\n";
    s += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    s += text(MARGIN, 28.0, heading, " font-size=\"16\"");
    s += body + tail;
    s += "</svg>\n";
    return s;
}

}  // namespace gstboot
