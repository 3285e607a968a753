#include "output/lociplot.h"

#include <algorithm>
#include <cmath>

#include "output/escape.h"
#include "output/format.h"
#include "output/plot.h"
#include "output/svgtext.h"

namespace gstboot {

namespace {

constexpr double WIDTH = 720.0, HEIGHT = 620.0;
constexpr double LEFT = 80.0, TOP = 50.0, SIDE = 460.0;
constexpr double FONT = 12.0;

std::string at(double v) { return "\"" + fixed(v, 2) + "\""; }

std::string text(double x, double y, const std::string& s, const char* extra = "") {
    return "<text x=" + at(x) + " y=" + at(y) + extra + ">" + xmltext(s) + "</text>\n";
}

std::string line(double x1, double y1, double x2, double y2, const char* style) {
    return "<line x1=" + at(x1) + " y1=" + at(y1) + " x2=" + at(x2) + " y2=" + at(y2) + " " + style + "/>\n";
}

bool drawn(const RunSummary::Locus& l) { return std::isfinite(l.gst) && std::isfinite(l.he); }

}  // namespace

std::string lociplotsvg(const RunSummary& run) {
    double xlo = 1.0, xhi = 0.0, ylo = 0.0, yhi = 0.0;
    bool any = false;
    int missing = 0;
    double sum = 0.0, squares = 0.0;
    int mic = 0;
    for (std::size_t l = 0; l < run.loci.size(); ++l) {
        const RunSummary::Locus& locus = run.loci[l];
        if (!drawn(locus)) {
            ++missing;
            continue;
        }
        if (!any) {
            xlo = xhi = locus.he;
            ylo = yhi = locus.gst;
            any = true;
        }
        xlo = std::min(xlo, locus.he);
        xhi = std::max(xhi, locus.he);
        ylo = std::min(ylo, locus.gst);
        yhi = std::max(yhi, locus.gst);
        if (!locus.mhc) {
            sum = sum + locus.gst;
            ++mic;
        }
    }
    const double mean = mic > 0 ? sum / mic : 0.0;
    for (std::size_t l = 0; l < run.loci.size(); ++l) {
        if (!run.loci[l].mhc && drawn(run.loci[l])) squares = squares + (run.loci[l].gst - mean) * (run.loci[l].gst - mean);
    }
    const double sd = mic > 1 ? std::sqrt(squares / (mic - 1)) : 0.0;
    const bool band = mic > 1;
    if (band) {
        ylo = std::min(ylo, mean - 2.0 * sd);
        yhi = std::max(yhi, mean + 2.0 * sd);
    }
    const AxisRange xaxis = axisrange(xlo, xhi), yaxis = axisrange(ylo, yhi);
    auto x = [&](double v) { return LEFT + (v - xaxis.lo) / (xaxis.hi - xaxis.lo) * SIDE; };
    auto y = [&](double v) { return TOP + SIDE - (v - yaxis.lo) / (yaxis.hi - yaxis.lo) * SIDE; };

    std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=" +
                    at(WIDTH) + " height=" + at(HEIGHT) + " viewBox=\"0 0 " + fixed(WIDTH, 0) + " " + fixed(HEIGHT, 0) +
                    "\" font-family=\"DejaVu Sans, sans-serif\" font-size=\"12\">\n";
    s += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    s += text(LEFT, 30, "Each locus over all populations: Gst against expected heterozygosity",
              " font-size=\"15\"");
    for (long k = xaxis.first; k <= xaxis.last; ++k) {
        const double v = static_cast<double>(k) * xaxis.step;
        s += line(x(v), TOP, x(v), TOP + SIDE, "stroke=\"#ddd\"");
        s += text(x(v), TOP + SIDE + 19, fixed(v, xaxis.decimals), " text-anchor=\"middle\"");
    }
    for (long k = yaxis.first; k <= yaxis.last; ++k) {
        const double v = static_cast<double>(k) * yaxis.step;
        s += line(LEFT, y(v), LEFT + SIDE, y(v), "stroke=\"#ddd\"");
        s += text(LEFT - 8, y(v) + 4, fixed(v, yaxis.decimals), " text-anchor=\"end\"");
    }
    if (band) {
        const double top = y(mean + 2.0 * sd), bottom = y(mean - 2.0 * sd);
        s += "<rect x=" + at(LEFT) + " y=" + at(top) + " width=" + at(SIDE) + " height=" + at(bottom - top) +
             " fill=\"#1f77b4\" fill-opacity=\"0.12\"/>\n";
        s += line(LEFT, y(mean), LEFT + SIDE, y(mean), "stroke=\"#1f77b4\" stroke-dasharray=\"4 3\"");
    }
    s += "<rect x=" + at(LEFT) + " y=" + at(TOP) + " width=" + at(SIDE) + " height=" + at(SIDE) +
         " fill=\"none\" stroke=\"#444\"/>\n";
    s += text(LEFT + SIDE / 2, TOP + SIDE + 42, "He (mean over populations)", " text-anchor=\"middle\" font-size=\"15\"");
    s += "<text x=\"24\" y=" + at(TOP + SIDE / 2) + " text-anchor=\"middle\" font-size=\"15\" transform=\"rotate(-90 24 " +
         fixed(TOP + SIDE / 2, 2) + ")\">Gst over all populations</text>\n";
    for (const RunSummary::Locus& locus : run.loci) {
        if (locus.mhc || !drawn(locus)) continue;
        s += "<circle cx=" + at(x(locus.he)) + " cy=" + at(y(locus.gst)) + " r=\"4\" fill=\"#1f77b4\"/>\n";
    }
    for (const RunSummary::Locus& m : run.loci) {
        if (!m.mhc || !drawn(m)) continue;
        const double cx = x(m.he), cy = y(m.gst);
        s += "<path d=\"M " + fixed(cx, 2) + " " + fixed(cy - 7, 2) + " L " + fixed(cx + 6, 2) + " " + fixed(cy + 5, 2) +
             " L " + fixed(cx - 6, 2) + " " + fixed(cy + 5, 2) + " Z\" fill=\"#d62728\"/>\n";
        std::string name = m.name.empty() ? std::string("MHC") : m.name;
        if (name.size() > 24) name = name.substr(0, 21) + "...";
        // Beside the mark, on the side with room.
        const bool right = cx + 10 + textwidth(name, FONT) <= LEFT + SIDE;
        s += text(right ? cx + 10 : cx - 10, cy + 4, name, right ? "" : " text-anchor=\"end\"");
    }
    const double keys = LEFT + SIDE + 20;
    s += "<circle cx=" + at(keys + 6) + " cy=" + at(TOP + 6) + " r=\"4\" fill=\"#1f77b4\"/>\n";
    s += text(keys + 16, TOP + 10, "MIC locus");
    s += "<path d=\"M " + fixed(keys + 6, 2) + " " + fixed(TOP + 20, 2) + " L " + fixed(keys + 12, 2) + " " +
         fixed(TOP + 32, 2) + " L " + fixed(keys, 2) + " " + fixed(TOP + 32, 2) + " Z\" fill=\"#d62728\"/>\n";
    s += text(keys + 16, TOP + 30, "MHC");
    if (band) {
        s += "<rect x=" + at(keys) + " y=" + at(TOP + 42) + " width=\"12\" height=\"12\" fill=\"#1f77b4\" fill-opacity=\"0.12\"/>\n";
        s += text(keys + 16, TOP + 52, "MIC mean ± 2 sd");
    }
    std::string caption = "Data as read, no correction. Seed " + std::to_string(run.seed) + ".";
    if (missing > 0) caption += " " + std::to_string(missing) + (missing == 1 ? " locus has" : " loci have") + " no estimate and is not drawn.";
    double yline = TOP + SIDE + 70;
    for (const std::string& part : wraptext(caption, WIDTH - 2 * 20, FONT)) {
        s += text(20, yline, part);
        yline += 16;
    }
    s += "</svg>\n";
    return s;
}

}  // namespace gstboot
