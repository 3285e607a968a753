#include "output/summary.h"

namespace gstboot {

void sortvals(int n, double* values) {
    if (n < 2) return;
    double* ra = values - 1;  // places 1..n
    int l = n / 2 + 1;
    int ir = n;
    for (;;) {
        double v;
        if (l > 1) {
            v = ra[--l];
        } else {
            v = ra[ir];
            ra[ir] = ra[1];
            if (--ir == 1) {
                ra[1] = v;
                return;
            }
        }
        int i = l;
        int j = l + l;
        while (j <= ir) {
            if (j < ir && ra[j] < ra[j + 1]) ++j;
            if (v < ra[j]) {
                ra[i] = ra[j];
                i = j;
                j += j;
            } else {
                j = ir + 1;
            }
        }
        ra[i] = v;
    }
}

}  // namespace gstboot
