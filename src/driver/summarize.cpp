#include "driver/summarize.h"

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "common/check.h"
#include "plain/heterozygosity.h"
#include "neutral/mantel.h"
#include "plain/jost.h"
#include "plain/locusglobal.h"
#include "plain/pairmissing.h"
#include "plain/novariation.h"

namespace gstboot {

namespace {

bool anypresent(const Presence& present, int first, int rows) {
    for (int r = first; r < first + rows; ++r) {
        for (int a = 0; a < present.width(r); ++a) {
            if (present[r][a] == 1) return true;
        }
    }
    return false;
}

// Counts, mean, summary points and the bias-corrected interval of one row
// of NREP estimates; s.observed is set.
void summarizerow(const double* row, SetSummary& s, std::vector<double>& sorted) {
    s.mean = 0.0;
    double finitesum = 0.0;
    for (int r = 0; r < NREP; ++r) {
        if (std::isfinite(row[r])) finitesum = finitesum + row[r];
        s.mean = s.mean + row[r] / 1000.0;
        if (std::isnan(row[r])) {
            ++s.nan;
        } else if (std::isinf(row[r])) {
            ++s.inf;
        } else {
            ++s.finite;
        }
    }
    sorted.assign(row, row + NREP);
    sortvals(NREP, sorted.data());
    s.median = sorted[MEDIAN];
    s.lower = sorted[LOWER];
    s.upper = sorted[UPPER];
    const double bias = finitesum / static_cast<double>(s.finite) - s.observed;
    const bool usable = std::isfinite(s.observed) && s.finite > 0;
    s.cilower = usable ? s.lower - bias : std::numeric_limits<double>::quiet_NaN();
    s.ciupper = usable ? s.upper - bias : std::numeric_limits<double>::quiet_NaN();
}

// Whether no locus has a typed individual in both populations: then no
// replicate can have one either, and the MIC estimate never exists.
bool notypedlocus(const std::vector<int>& typed, int nloci, int i, int j) {
    const std::size_t loci = static_cast<std::size_t>(nloci);
    for (std::size_t l = 0; l < loci; ++l) {
        if (typed[static_cast<std::size_t>(i) * loci + l] > 0 && typed[static_cast<std::size_t>(j) * loci + l] > 0) return false;
    }
    return true;
}

}  // namespace

RunSummary summarizerun(const DataSet& ds, const ResultTables& t, const PairEstimates& observed,
                        std::uint32_t seed, const std::string& mhcfile, const std::string& micfile,
                        const GlobalReplicates* overall) {
    GSTBOOT_CHECK(ds.popnames.empty() || ds.popnames.size() == static_cast<std::size_t>(ds.npop));
    RunSummary run;
    run.seed = seed;
    run.correction = ds.settings.corrflag;
    run.npop = ds.npop;
    run.mhcfile = mhcfile;
    run.micfile = micfile;
    run.mhcwide.noallele = !anypresent(ds.present, 0, 1);
    run.micwide.nolocus = ds.nloci == 0;
    run.micwide.noallele = !anypresent(ds.present, 1, ds.nloci);

    std::vector<int> mhchet(static_cast<std::size_t>(ds.npop)), michet(mhchet), mictyp(mhchet);
    for (int p = 0; p < ds.npop; ++p) {
        mhchet[static_cast<std::size_t>(p)] = mhchets(ds, p);
        michet[static_cast<std::size_t>(p)] = michets(ds, p);
        mictyp[static_cast<std::size_t>(p)] = mictyped(ds, p);
    }
    auto at = [](const std::vector<int>& v, int p) { return v[static_cast<std::size_t>(p)]; };

    const std::vector<int> typedat = mictypedtable(ds);

    // Judged on the data as read: a replicate draws from these genotypes only.
    auto asread = std::make_unique<ReplicateIndex>();
    identityreplicate(ds, *asread);
    auto flat = std::make_unique<NoVariation>();
    flat->take(ds, *asread);

    // Allele counts taken once for every pair's D and G''st.
    const SetCounts mhcsets = setcounts({ds, Set::mhc}), micsets = setcounts({ds, Set::mic});
    std::vector<double> sorted;
    for (int i = 0; i + 1 < ds.npop; ++i) {
        for (int j = i + 1; j < ds.npop; ++j) {
            PairSummary s;
            s.pop1 = i;
            s.pop2 = j;
            if (!ds.popnames.empty()) {
                s.name1 = ds.popnames[static_cast<std::size_t>(i)];
                s.name2 = ds.popnames[static_cast<std::size_t>(j)];
            }
            s.mhc.n1 = ds.nmhc[i];
            s.mhc.n2 = ds.nmhc[j];
            s.mic.n1 = ds.nmic[i];
            s.mic.n2 = ds.nmic[j];
            s.micloci = micloci(typedat, ds.nloci, i, j);
            s.mhc.observed = observed.mhc[i][j];
            s.mic.observed = observed.mic[i][j];
            summarizerow(t.mhcGST[i][j], s.mhc, sorted);
            summarizerow(t.micGST[i][j], s.mic, sorted);
            for (int r = 0; r < NREP; ++r) {
                if (t.mhcGST[i][j][r] > t.micGST[i][j][r]) {
                    ++s.greater;
                    s.frac = s.frac + 0.001;
                }
            }
            s.p = fold(s.frac);

            const int nmhc = (ds.nmhc[i] + ds.nmhc[j]) * ds.mhcloci;
            const int hmhc = at(mhchet, i) + at(mhchet, j);
            s.mhc.facts.allheterozygous = run.correction && nmhc > 0 && hmhc == nmhc;
            s.mhc.facts.divisor = hetdivisor(hmhc, nmhc);
            const int nmic = at(mictyp, i) + at(mictyp, j);
            const int hmic = at(michet, i) + at(michet, j);
            s.mic.facts.allheterozygous = run.correction && nmic > 0 && hmic == nmic;
            s.mic.facts.divisor = hetdivisor(hmic, nmic);
            s.mhc.facts.onevalue = flat->mhcflat(ds, i, j);
            s.mic.facts.onevalue = flat->micflat(ds, i, j);
            s.mic.facts.nolocus = ds.micmissing && ds.nloci > 0 && notypedlocus(typedat, ds.nloci, i, j);
            const JostMeasures mhcj = jost(mhcsets, {i, j}), micj = jost(micsets, {i, j});
            s.mhc.jostd = mhcj.d;
            s.mhc.gppst = mhcj.gppst;
            s.mic.jostd = micj.d;
            s.mic.gppst = micj.gppst;
            run.pairs.push_back(s);
        }
    }
    std::vector<int> all;
    for (int p = 0; p < ds.npop; ++p) all.push_back(p);
    const JostMeasures mhcall = jost(mhcsets, all), micall = jost(micsets, all);
    run.mhcglobal.jostd.value = mhcall.d;
    run.mhcglobal.gppst.value = mhcall.gppst;
    run.micglobal.jostd.value = micall.d;
    run.micglobal.gppst.value = micall.gppst;
    if (overall && overall->counts) {
        GSTBOOT_CHECK(overall->values.size() == static_cast<std::size_t>(NREP));
        run.globals = true;
        auto scratch = std::make_unique<GlobalScratch>();
        const GlobalValues seen = overall->counts->measure(*asread, *scratch);
        std::vector<double> row(NREP);
        // The replicates' D and G''st take jost()'s steps (plain/globalcounts.h):
        // its values on the data as read are the observed ones.
        auto interval = [&](double value, double (*pick)(const GlobalValues&)) {
            for (int r = 0; r < NREP; ++r) row[static_cast<std::size_t>(r)] = pick(overall->values[static_cast<std::size_t>(r)]);
            SetSummary s;
            s.observed = value;
            summarizerow(row.data(), s, sorted);
            return RunSummary::Global{value, s.cilower, s.ciupper};
        };
        run.mhcglobal.gst = interval(seen.mhc.gst, [](const GlobalValues& v) { return v.mhc.gst; });
        run.mhcglobal.jostd = interval(mhcall.d, [](const GlobalValues& v) { return v.mhc.jost.d; });
        run.mhcglobal.gppst = interval(mhcall.gppst, [](const GlobalValues& v) { return v.mhc.jost.gppst; });
        run.mhcglobal.pops = overall->counts->mhcpops();
        run.micglobal.gst = interval(seen.mic.gst, [](const GlobalValues& v) { return v.mic.gst; });
        run.micglobal.jostd = interval(micall.d, [](const GlobalValues& v) { return v.mic.jost.d; });
        run.micglobal.gppst = interval(micall.gppst, [](const GlobalValues& v) { return v.mic.jost.gppst; });
        run.micglobal.pops = overall->counts->micpops();
    }
    std::vector<double> mhcgst, micgst;
    for (const PairSummary& s : run.pairs) {
        mhcgst.push_back(s.mhc.observed);
        micgst.push_back(s.mic.observed);
    }
    const MantelResult m = mantel(mhcgst, micgst, ds.npop, seed);
    run.mantelr = m.r;
    run.mantelp = m.p;
    run.mantelpairs = m.pairs;
    const std::vector<LocusGlobal> globals = locusglobals(ds);
    for (std::size_t l = 0; l < globals.size(); ++l) {
        RunSummary::Locus locus;
        const auto mhcloci = static_cast<std::size_t>(ds.mhcloci);
        locus.mhc = l < mhcloci;
        if (locus.mhc) {
            locus.name = l < ds.mhcnames.size() ? ds.mhcnames[l] : std::string();
        } else {
            locus.name = l - mhcloci < ds.locusnames.size() ? ds.locusnames[l - mhcloci] : std::string();
        }
        locus.gst = globals[l].gst;
        locus.he = globals[l].he;
        locus.pops = globals[l].pops;
        run.loci.push_back(locus);
    }
    return run;
}

}  // namespace gstboot
