#include "plain/heterozygosity.h"

#include "plain/pairmissing.h"

namespace gstboot {

int mhchets(const DataSet& ds, int p) {
    int n = 0;
    for (int k = 0; k < ds.nmhc[p]; ++k) {
        for (int locus = 0; locus < ds.mhcloci; ++locus) {
            if (heterozygous(ds.mhclocus(p, k, locus), ds.mhccopies)) ++n;
        }
    }
    return n;
}

int michets(const DataSet& ds, int p) {
    int n = 0;
    for (int k = 0; k < ds.nmic[p]; ++k) {
        for (int l = 0; l < ds.nloci; ++l) {
            if (ds.mic[p][k][l][0] != MISSING && heterozygous(ds.mic[p][k][l].data(), 2)) ++n;
        }
    }
    return n;
}

int mictyped(const DataSet& ds, int p) {
    int n = 0;
    for (int l = 0; l < ds.nloci; ++l) n += mictypedat(ds, p, l);
    return n;
}

}  // namespace gstboot
