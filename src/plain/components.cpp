#include "plain/components.h"

namespace gstboot {

namespace {

struct Sums {
    double ssp = 0.0;
    double ssi = 0.0;
    double ssw = 0.0;
    int n = 0;  // N
    int s = 0;  // sum of squared sample sizes
};

// x(i,j): running sum of 1/w over the individual's matching copies.
double indfraction(const std::int32_t* copies, int w, int allele) {
    double x = 0.0;
    for (int c = 0; c < w; ++c) {
        if (copies[c] == allele) x = 1.0 / static_cast<double>(w) + x;
    }
    return x;
}

Sums sums(int k, const std::int32_t* ni, int w, int allele, const PopBlock* data, bool withssw) {
    Sums out;
    for (int i = 0; i < k; ++i) {
        out.n += ni[i];
        out.s += ni[i] * ni[i];
    }
    double few[8];
    std::vector<double> many;
    if (k > 8) many.resize(static_cast<std::size_t>(k));
    double* p = k > 8 ? many.data() : few;
    for (int i = 0; i < k; ++i) {
        p[i] = 0.0;
        for (int j = 0; j < ni[i]; ++j) {
            for (int c = 0; c < w; ++c) {
                if (data[i][j][c] == allele) p[i] = 1.0 / static_cast<double>(ni[i] * w) + p[i];
            }
        }
    }
    double pall = 0.0;
    for (int i = 0; i < k; ++i) {
        for (int j = 0; j < ni[i]; ++j) {
            for (int c = 0; c < w; ++c) {
                if (data[i][j][c] == allele) pall = 1.0 / static_cast<double>(out.n * w) + pall;
            }
        }
    }
    const double wd = static_cast<double>(w);
    for (int i = 0; i < k; ++i) {
        for (int j = 0; j < ni[i]; ++j) {
            double x = indfraction(data[i][j], w, allele);
            double d = x - p[i];
            out.ssi = out.ssi + (wd * d) * d;
            if (withssw) {
                for (int c = 0; c < w; ++c) {
                    double f = (data[i][j][c] == allele ? 1.0 : 0.0) - x;
                    out.ssw = out.ssw + f * f;
                }
            }
        }
    }
    for (int i = 0; i < k; ++i) {
        double e = p[i] - pall;
        out.ssp = out.ssp + (static_cast<double>(ni[i] * w) * e) * e;
    }
    return out;
}

}  // namespace

double gstnum(int k, const std::int32_t* ni, int w, int allele, const PopBlock* data) {
    Sums t = sums(k, ni, w, allele, data, false);
    double tp = static_cast<double>(t.n - k) * t.ssp;
    return tp - static_cast<double>(k - 1) * t.ssi;
}

double gstden(int k, const std::int32_t* ni, int w, int allele, const PopBlock* data) {
    Sums t = sums(k, ni, w, allele, data, true);
    const double n = static_cast<double>(t.n);
    const double nc = n - static_cast<double>(t.s) / n;
    const double nk = static_cast<double>(t.n - k);
    double tp = nk * t.ssp;
    double ti = (nc - static_cast<double>(k - 1)) * t.ssi;
    double tw = ((nc * nk) / n) * t.ssw;
    return (tp + ti) + tw;
}

}  // namespace gstboot
