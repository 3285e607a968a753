// A bootstrap replicate described by where its genotypes come from, rather
// than by copies of them: slot s of population p holds individual
// mhcsrc[p][s] (MHC) and micsrc[p][s] (MIC) of the data as read, and
// replicate locus l is locus rl[l] of the data.
#pragma once

#include <cstdint>
#include <vector>

#include "model/dataset.h"

namespace gstboot {

// One number per slot, population by population: row p has `sizes[p]`.
class SlotTable {
public:
    void assign(const std::vector<std::int32_t>& sizes);
    bool shaped(const std::vector<std::int32_t>& sizes) const;
    std::int32_t* operator[](int p) { return slots_.data() + start_[static_cast<std::size_t>(p)]; }
    const std::int32_t* operator[](int p) const { return slots_.data() + start_[static_cast<std::size_t>(p)]; }

private:
    std::vector<std::int32_t> slots_;
    std::vector<std::size_t> start_{0};
};

struct ReplicateIndex {
    SlotTable mhcsrc;
    SlotTable micsrc;
    std::vector<std::int32_t> rl;

    // Sized for the populations and loci of `ds` (a no-op when it is).
    void shape(const DataSet& ds);
};

// A replicate written out: genotypes of the layout of the data as read, and
// the presence table of the codes that occur in it (every row as wide as
// the widest of the data as read).
struct Replicate {
    MhcArray rmhc;
    MicArray rmic;
    Presence present;
};

// The replicate that is the data as read: every slot its own individual,
// every locus itself.
void identityreplicate(const DataSet& ds, ReplicateIndex& rep);

// Writes out the replicate `index` describes: slot s of population p takes
// the copies of its source individual, replicate locus l its source locus;
// `present` marks exactly the codes that occur (MISSING never).
void materialize(const DataSet& ds, const ReplicateIndex& index, Replicate& rep);

}  // namespace gstboot
