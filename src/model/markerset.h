// A marker set seen as loci of copies: the MHC set (its loci of mhccopies
// copies, never missing) and the MIC set (its loci of two copies, a
// genotype MISSING where not typed) through one interface, so that a
// statistic of both sets is written once and taken of each.
#pragma once

#include <cstdint>
#include <string>

#include "model/dataset.h"

namespace gstboot {

enum class Set { mhc, mic };
constexpr Set SETS[] = {Set::mhc, Set::mic};

// "mhc" or "mic", as the tidy tables name the sets.
inline const char* setname(Set set) { return set == Set::mhc ? "mhc" : "mic"; }

class MarkerSet {
public:
    // `ds` must outlive the view.
    MarkerSet(const DataSet& ds, Set set) : ds_(ds), set_(set) {}

    Set set() const { return set_; }
    int npop() const { return ds_.npop; }
    int loci() const { return set_ == Set::mhc ? ds_.mhcloci : ds_.nloci; }
    int copies() const { return set_ == Set::mhc ? ds_.mhccopies : 2; }
    // Individuals of population p in this set, typed or not.
    int individuals(int p) const { return set_ == Set::mhc ? ds_.nmhc[p] : ds_.nmic[p]; }
    // The copies() codes of individual i of population p at `locus`; the
    // first is MISSING where the individual is not typed there.
    const std::int32_t* genotype(int p, int i, int locus) const {
        return set_ == Set::mhc ? ds_.mhclocus(p, i, locus) : ds_.mic[p][i][locus].data();
    }
    // Whether it has codes there (an MHC set of no copies has none).
    bool typed(int p, int i, int locus) const { return copies() > 0 && genotype(p, i, locus)[0] != MISSING; }
    // Codes below this bound are the only ones `locus` can hold.
    int codes(int locus) const { return ds_.present.width(set_ == Set::mhc ? 0 : 1 + locus); }
    // The locus's name where the files give one, else empty.
    std::string name(int locus) const {
        const auto& names = set_ == Set::mhc ? ds_.mhcnames : ds_.locusnames;
        return static_cast<std::size_t>(locus) < names.size() ? names[static_cast<std::size_t>(locus)] : std::string();
    }

private:
    const DataSet& ds_;
    Set set_;
};

}  // namespace gstboot
