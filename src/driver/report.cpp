#include "driver/report.h"

#include <cstdarg>

#include "driver/outfile.h"

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

namespace {

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

std::string format(const char* fmt, ...) {
    char buf[512];
    va_list ap;
    va_start(ap, fmt);
    int n = std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    if (n < 0) return std::string();
    if (static_cast<std::size_t>(n) < sizeof buf) return std::string(buf, static_cast<std::size_t>(n));
    std::string big(static_cast<std::size_t>(n) + 1, '\0');
    va_start(ap, fmt);
    std::vsnprintf(&big[0], big.size(), fmt, ap);
    va_end(ap);
    big.resize(static_cast<std::size_t>(n));
    return big;
}

}  // namespace

std::string consoleline(int i, int j, const double* mhc, const double* mic, double p) {
    return format("%4d%4d%8.4f%8.4f%8.4f", i + 1, j + 1, mhc[MEDIAN], mhc[LOWER], mhc[UPPER]) +
           format("%8.4f%8.4f%8.4f%8.4f\n", mic[MEDIAN], mic[LOWER], mic[UPPER], p);
}

std::string fileline(int i, int j, double meanmhc, const double* mhc, double meanmic, const double* mic,
                     double p) {
    return format("%4d%4d%8.4f%8.4f%8.4f%8.4f", i + 1, j + 1, meanmhc, mhc[MEDIAN], mhc[LOWER], mhc[UPPER]) +
           format("%8.4f%8.4f%8.4f%8.4f%8.4f\n", meanmic, mic[MEDIAN], mic[LOWER], mic[UPPER], p);
}

void report(int npop, ResultTables& t, std::FILE* console, OutputFile& out) {
    for (int i = 0; i + 1 < npop; ++i) {
        for (int j = i + 1; j < npop; ++j) {
            t.pval[i][j] = fold(t.pval[i][j]);
            sortvals(NREP, t.mhcGST[i][j]);
            sortvals(NREP, t.micGST[i][j]);
            std::fputs(consoleline(i, j, t.mhcGST[i][j], t.micGST[i][j], t.pval[i][j]).c_str(), console);
            out.write(fileline(i, j, t.meanmhc[i][j], t.mhcGST[i][j], t.meanmic[i][j], t.micGST[i][j],
                               t.pval[i][j]));
        }
    }
}

}  // namespace gstboot
