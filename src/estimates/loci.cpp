#include "estimates/loci.h"

namespace gstboot {

namespace {

int typedat(const DataSet& ds, int p, int l) {
    int n = 0;
    for (int k = 0; k < ds.nmic[p]; ++k) {
        if (ds.mic[p][k][l][0] != MISSING) ++n;
    }
    return n;
}

}  // namespace

int micloci(const DataSet& ds, int i, int j) {
    int n = 0;
    for (int l = 0; l < ds.nloci; ++l) {
        const int a = typedat(ds, i, l);
        const int b = typedat(ds, j, l);
        if (a >= 1 && b >= 1 && a + b - 2 >= 1) ++n;
    }
    return n;
}

}  // namespace gstboot
