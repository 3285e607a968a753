#include "plain/pairgst.h"

#include "plain/heterozygosity.h"

namespace gstboot {

namespace {

// MHC locus `locus` of population `pop`.
void copymhc(const DataSet& ds, const MhcArray& gm, int pop, PopBlock& block, int locus = 0) {
    block.shape(ds.nmhc[pop], ds.mhccopies);
    for (int k = 0; k < ds.nmhc[pop]; ++k) {
        for (int c = 0; c < ds.mhccopies; ++c) block[k][c] = gm[pop][k][locus * ds.mhccopies + c];
    }
}

// The MHC estimate of pair (i, j) over several loci: each locus's sums
// over its alleles, added locus by locus, their ratio, and the correction
// over every (individual, locus).
double mhcloci(const DataSet& ds, const Presence& present, const MhcArray& gm, int i, int j, PairScratch& s) {
    s.ni[0] = ds.nmhc[i];
    s.ni[1] = ds.nmhc[j];
    double num = 0.0;
    double den = 0.0;
    int hets = 0;
    for (int locus = 0; locus < ds.mhcloci; ++locus) {
        copymhc(ds, gm, i, s.gmhc[0], locus);
        copymhc(ds, gm, j, s.gmhc[1], locus);
        double lnum = 0.0;
        double lden = 0.0;
        for (int a = ds.mhcfirst[static_cast<std::size_t>(locus)]; a < ds.mhcfirst[static_cast<std::size_t>(locus) + 1]; ++a) {
            if (present[0][a] != 1) continue;
            lnum = lnum + gstnum(2, s.ni, ds.mhccopies, a, s.gmhc);
            lden = lden + gstden(2, s.ni, ds.mhccopies, a, s.gmhc);
        }
        num = num + lnum;
        den = den + lden;
        for (int p = 0; p < 2; ++p) {
            for (int k = 0; k < s.ni[p]; ++k) hets += heterozygous(s.gmhc[p][k], ds.mhccopies) ? 1 : 0;
        }
    }
    double mhc = num / den;
    if (ds.settings.corrflag) mhc = mhc / hetdivisor(hets, (s.ni[0] + s.ni[1]) * ds.mhcloci);
    return mhc;
}

void copymic(const DataSet& ds, const MicArray& gc, int pop, PairScratch& s, int b) {
    for (int l = 0; l < ds.nloci; ++l) s.gmic[static_cast<std::size_t>(l)][static_cast<std::size_t>(b)].shape(ds.nmic[pop], 2);
    for (int k = 0; k < ds.nmic[pop]; ++k) {
        for (int l = 0; l < ds.nloci; ++l) {
            std::int32_t* copies = s.gmic[static_cast<std::size_t>(l)][static_cast<std::size_t>(b)][k];
            copies[0] = gc[pop][k][l][0];
            copies[1] = gc[pop][k][l][1];
        }
    }
}

}  // namespace

double mhccorrection(const PopBlock* gmhc, const std::int32_t* ni, int mhccopies) {
    int hets = 0;
    for (int p = 0; p < 2; ++p) {
        for (int k = 0; k < ni[p]; ++k) {
            if (heterozygous(gmhc[p][k], mhccopies)) ++hets;
        }
    }
    return hetdivisor(hets, ni[0] + ni[1]);
}

double miccorrection(const std::vector<std::array<PopBlock, 2>>& gmic, const std::int32_t* ni, int nloci) {
    int hets = 0;
    for (int p = 0; p < 2; ++p) {
        for (int k = 0; k < ni[p]; ++k) {
            for (int l = 0; l < nloci; ++l) {
                if (heterozygous(gmic[static_cast<std::size_t>(l)][static_cast<std::size_t>(p)][k], 2)) ++hets;
            }
        }
    }
    return hetdivisor(hets, (ni[0] + ni[1]) * nloci);
}

void scorepairs(const DataSet& ds, const Presence& present, const MhcArray& gm, const MicArray& gc,
                PairScratch& s, PairEstimates& out) {
    const bool corr = ds.settings.corrflag;
    out.shape(ds.npop);
    if (s.gmic.size() < static_cast<std::size_t>(ds.nloci)) s.gmic.resize(static_cast<std::size_t>(ds.nloci));
    const bool onelocus = ds.mhcloci == 1;
    for (int i = 0; i + 1 < ds.npop; ++i) {
        if (onelocus) copymhc(ds, gm, i, s.gmhc[0]);
        copymic(ds, gc, i, s, 0);
        for (int j = i + 1; j < ds.npop; ++j) {
            copymic(ds, gc, j, s, 1);
            double num = 0.0;
            double den = 0.0;
            if (onelocus) {
                copymhc(ds, gm, j, s.gmhc[1]);
                s.ni[0] = ds.nmhc[i];
                s.ni[1] = ds.nmhc[j];
                for (int a = 0; a < present.width(0); ++a) {
                    if (present[0][a] != 1) continue;
                    num = num + gstnum(2, s.ni, ds.mhccopies, a, s.gmhc);
                    den = den + gstden(2, s.ni, ds.mhccopies, a, s.gmhc);
                }
                double mhc = num / den;
                if (corr) mhc = mhc / mhccorrection(s.gmhc, s.ni, ds.mhccopies);
                out.mhc[i][j] = mhc;
            } else {
                out.mhc[i][j] = mhcloci(ds, present, gm, i, j, s);
            }

            s.ni[0] = ds.nmic[i];
            s.ni[1] = ds.nmic[j];
            num = 0.0;
            den = 0.0;
            for (int l = 0; l < ds.nloci; ++l) {
                const PopBlock* blocks = s.gmic[static_cast<std::size_t>(l)].data();
                for (int a = 0; a < present.width(1 + l); ++a) {
                    if (present[1 + l][a] != 1) continue;
                    num = num + gstnum(2, s.ni, 2, a, blocks);
                    den = den + gstden(2, s.ni, 2, a, blocks);
                }
            }
            double mic = num / den;
            if (corr) mic = mic / miccorrection(s.gmic, s.ni, ds.nloci);
            out.mic[i][j] = mic;
        }
    }
}

}  // namespace gstboot
