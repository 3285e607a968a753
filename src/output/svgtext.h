// Text on the figures: how wide a line is drawn, and a paragraph broken
// into lines of a width. A figure places its labels, legends and captions
// by these estimates, so they must never fall short of the drawn text.
#pragma once

#include <string>
#include <vector>

namespace gstboot {

// An upper bound on the advance of `text` (UTF-8) set in a sans-serif face
// of `size` units, bold when asked: per character a share of the size that
// is at least DejaVu Sans's (the widest common sans-serif), and a full em
// for any character beyond ASCII; the isolates U+2066 to U+2069 take none.
double textwidth(const std::string& text, double size, bool bold = false);

// The box a line of text covers: from size * ASCENT above the baseline to
// size * DESCENT below it.
constexpr double ASCENT = 0.8;
constexpr double DESCENT = 0.2;

// A box on the page, in user units, y downwards.
struct Box {
    double left = 0.0, top = 0.0, right = 0.0, bottom = 0.0;
};

// Whether two boxes share more than an edge.
bool overlaps(const Box& a, const Box& b);

// `text` broken at blanks into lines no wider than `width` (a word wider
// than that stands alone on its line); blanks at the breaks are dropped.
std::vector<std::string> wraptext(const std::string& text, double width, double size);

}  // namespace gstboot
