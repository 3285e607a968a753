#include "estimates/exactsum.h"

namespace gstboot {

double repeatadd(double s, double t, std::int64_t r) {
    while (r > 0) {
        if (!Binade::usable(s)) {
            s = s + t;
            --r;
            continue;
        }
        const Binade b(s);
        bool tie = false;
        const std::int64_t q = b.unitsof(t, tie);
        if (tie) {
            // Halfway cases round by the parity of the sum: step singly.
            s = s + t;
            --r;
            continue;
        }
        if (q == 0) return s;  // each addition rounds back to s
        std::int64_t fit = (BINADE_UNITS - 1 - b.units) / q;
        if (fit == 0) {
            s = s + t;  // this addition leaves the binade
            --r;
            continue;
        }
        if (fit > r) fit = r;
        s = b.value(b.units + fit * q);
        r -= fit;
    }
    return s;
}

}  // namespace gstboot
