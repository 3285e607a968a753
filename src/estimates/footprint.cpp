#include "estimates/footprint.h"

#include <algorithm>
#include <set>

#include "estimates/micengine.h"
#include "model/pairtables.h"

namespace gstboot {

namespace {

using u64 = std::uint64_t;

u64 at(long v) { return static_cast<u64>(std::max(v, 0L)); }
u64 round8(u64 n) { return (n + 7) / 8 * 8; }

// Bytes of a few bookkeeping vectors, beyond the tables counted.
constexpr u64 SLACK = u64{1} << 16;
// A block of term lines (lines.h: 24 lines).
u64 blockbytes(u64 wide) { return 8 * 24 * wide; }

struct Counts {
    u64 npop = 0, nloci = 0, maxind = 0, w = 0;
    u64 mhcind = 0, micind = 0;  // individuals over all populations
    u64 mhcdense = 0, widestlocus = 0;
};

Counts countsof(const DataSet& ds) {
    Counts c;
    c.npop = at(ds.npop);
    c.nloci = at(ds.nloci);
    c.maxind = at(ds.maxind());
    c.w = at(ds.mhccopies * ds.mhcloci);  // several loci: an engine each, bounded by all their copies
    for (int p = 0; p < ds.npop; ++p) {
        c.mhcind += at(ds.nmhc[p]);
        c.micind += at(ds.nmic[p]);
    }
    for (int r = 0; r < ds.present.rows(); ++r) {
        u64 ones = 0;
        for (int a = 0; a < ds.present.width(r); ++a) ones += ds.present[r][a] == 1;
        if (r == 0) {
            c.mhcdense = ones;
        } else {
            c.widestlocus = std::max(c.widestlocus, ones);
        }
    }
    return c;
}

// What every scorer's thread holds beside its own work: the replicate's
// source indices, its estimates, and the pairs without variation.
u64 commonwork(const Counts& c) {
    return 4 * (c.mhcind + c.micind + c.nloci) + 2 * 8 * c.npop * c.npop + 4 * c.npop * (c.nloci + 1) + 12 * c.nloci +
           c.maxind + c.npop + SLACK;
}

// What every scorer holds once: the pairs without variation of the data as
// read.
u64 asreadwork(const Counts& c) { return commonwork(c); }

// Running sums of 1/t the engine tables, as it asks for them.
u64 sumtables(const DataSet& ds) {
    std::set<long> need{0, ds.mhccopies};
    const long w = ds.mhccopies;
    for (int p = 0; p < ds.npop; ++p) {
        need.insert(ds.nmhc[p] * w);
        for (int q = p + 1; q < ds.npop; ++q) {
            need.insert((ds.nmhc[p] + ds.nmhc[q]) * w);
            if (ds.settings.corrflag) need.insert(ds.nmhc[p] + ds.nmhc[q]);
        }
    }
    // Each table, and the vector of them indexed by t.
    u64 bytes = 24 * at(*need.rbegin() + 1);
    for (long t : need) bytes += 8 * at(t + 1) + 24;
    return bytes;
}

// The MHC engine (engineimpl.h).
Footprint engine(const DataSet& ds, const Counts& c) {
    const u64 ndense = c.mhcdense;
    const u64 nterms = c.mhcdense * (c.w + 1);
    Footprint f;
    f.shared = 16 * c.mhcind * c.w + 4 * (c.npop * c.maxind + 1) + sumtables(ds) +
               8 * (2 * c.maxind * std::max<u64>(c.w, 1) + 1) + 4 * at(ds.present.width(0)) + 4 * ndense +
               2 * 8 * 65 * 65 + SLACK;
    const u64 wide = round8(c.mhcdense);
    const u64 lp = round8(c.npop);
    f.perthread = 32 * c.npop * ndense + 12 * c.npop * nterms + 16 * c.mhcind * c.w + 2 * 8 * c.npop * wide +
                  blockbytes(wide) + 16 * wide + 36 * ndense * lp + 4 * (ndense + 2 * c.npop + c.maxind);
    return f;
}

Footprint missing(const DataSet& ds, const Counts& c) {
    Footprint f;
    const u64 tmax = 4 * c.maxind;
    u64 recip = 1;
    for (u64 t = 2; t <= tmax; t += 2) recip += t + 1;
    const u64 tiles = (c.nloci + 15) / 16;
    f.shared = 9 * c.npop * tiles * 16 * c.maxind + 8 * recip + 8 * (tmax / 2 + 1) + 2 * 8 * (tmax + 1) +
               4 * (c.nloci + c.npop) + SLACK;
    // A chunk's tables (see micengine.h), and the table of the pairs'
    // locus terms: as many groups of eight pairs as its budget holds.
    const u64 cap = std::max<u64>(at(MicEngine::chunkcolumns(ds)), c.widestlocus);
    const u64 wide = round8(cap);
    const u64 lanerow = round8(c.npop);
    u64 groups = 0;
    for (u64 j = 1; j < c.npop; ++j) groups += (j + 7) / 8;
    const u64 pergroup = 128 * c.nloci;
    if (pergroup > 0) groups = std::min(groups, std::max<u64>(MicEngine::tablebudget() / pergroup, (c.npop + 6) / 8));
    f.perthread = 8 * c.nloci * 2 + 8 * c.npop * c.maxind + 4 * (c.npop + c.maxind) + 96 * cap +
                  8 * c.npop + 2 * 8 * c.npop * wide + blockbytes(wide) + 16 * wide + 40 * cap * lanerow +
                  groups * pergroup;
    return f;
}

}  // namespace

std::uint64_t datasetbytes(const DataSet& ds) {
    u64 cells = 0;
    for (int r = 0; r < ds.present.rows(); ++r) cells += at(ds.present.width(r));
    return 4 * ds.mhc.size() + 8 * ds.mic.size() + 4 * cells + 8 * (at(ds.npop) + at(ds.nloci)) + SLACK;
}

Footprint scorerfootprint(const DataSet& ds, bool reference) {
    const Counts c = countsof(ds);
    Footprint f;
    if (reference) {
        // A copy of the MHC half when the MIC half is scored apart; per
        // thread a written-out replicate and the pair blocks.
        f.shared = (ds.micmissing ? 4 * c.mhcind * c.w + 4 * at(ds.present.width(0)) + SLACK : SLACK) + asreadwork(c);
        const u64 presence = static_cast<u64>(ds.present.widest()) * (1 + c.nloci);
        f.perthread = 4 * c.mhcind * c.w + 8 * c.micind * c.nloci + 4 * presence + 4 * 2 * c.maxind * c.w +
                      (24 + 2 * 4 * 2 * c.maxind) * c.nloci + 4 * 2 * 2 * c.maxind + commonwork(c);
        return f;
    }
    f = engine(ds, c);
    const Footprint m = missing(ds, c);
    f.shared += m.shared + asreadwork(c);
    f.perthread += m.perthread;
    f.perthread += commonwork(c);
    return f;
}

}  // namespace gstboot
