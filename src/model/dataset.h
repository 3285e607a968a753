// The data set: sample sizes, genotypes and the allele presence table as
// read from the two input files, in storage sized by what was read, and
// the run's settings beside them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/limits.h"

namespace gstboot {

// The allele code of a MIC genotype that was not typed: both alleles of the
// locus hold it. It is never stored in the MHC arrays (an MHC individual with
// a missing copy is left out of the MHC set) and never marked in `present`.
constexpr std::int32_t MISSING = -1;

// One MIC genotype: its two allele codes, g[0] and g[1].
struct MicGenotype {
    std::int32_t allele[2];
    std::int32_t& operator[](int a) { return allele[a]; }
    const std::int32_t& operator[](int a) const { return allele[a]; }
    std::int32_t& operator[](std::size_t a) { return allele[a]; }
    const std::int32_t& operator[](std::size_t a) const { return allele[a]; }
    std::int32_t* data() { return allele; }
    const std::int32_t* data() const { return allele; }
    bool operator==(const MicGenotype& o) const { return allele[0] == o.allele[0] && allele[1] == o.allele[1]; }
    bool operator!=(const MicGenotype& o) const { return !(*this == o); }
};

// Individuals of each population, one count per population; indexed by
// population number.
class SampleSizes : public std::vector<std::int32_t> {
public:
    using std::vector<std::int32_t>::vector;
    SampleSizes(const std::vector<std::int32_t>& v) : std::vector<std::int32_t>(v) {}
    std::int32_t& operator[](int p) { return std::vector<std::int32_t>::operator[](static_cast<std::size_t>(p)); }
    std::int32_t operator[](int p) const { return std::vector<std::int32_t>::operator[](static_cast<std::size_t>(p)); }
    std::int32_t& operator[](std::size_t p) { return std::vector<std::int32_t>::operator[](p); }
    std::int32_t operator[](std::size_t p) const { return std::vector<std::int32_t>::operator[](p); }
};

// Genotypes of one data set, indexed [population][individual][item]: an
// item is an allele code (MHC: one per copy) or a MicGenotype (MIC: one per
// locus). Population p holds sizes[p] individuals of `width` items each,
// stored one after another; nothing past them is allocated.
template <typename Item>
class Genotypes {
public:
    template <typename T>
    struct Population {
        T* items;
        std::size_t width;
        T* operator[](int i) const { return items + static_cast<std::size_t>(i) * width; }
    };

    // Every item of the new shape is zero.
    void assign(const std::vector<std::int32_t>& sizes, int width) {
        width_ = static_cast<std::size_t>(width);
        start_.assign(sizes.size() + 1, 0);
        for (std::size_t p = 0; p < sizes.size(); ++p) start_[p + 1] = start_[p] + static_cast<std::size_t>(sizes[p]) * width_;
        items_.assign(start_.back(), Item{});
    }
    // Whether the table has exactly this shape.
    bool shaped(const std::vector<std::int32_t>& sizes, int width) const {
        if (start_.size() != sizes.size() + 1 || width_ != static_cast<std::size_t>(width)) return false;
        for (std::size_t p = 0; p < sizes.size(); ++p) {
            if (start_[p + 1] - start_[p] != static_cast<std::size_t>(sizes[p]) * width_) return false;
        }
        return true;
    }
    Population<Item> operator[](int p) { return {items_.data() + start_[static_cast<std::size_t>(p)], width_}; }
    Population<const Item> operator[](int p) const {
        return {items_.data() + start_[static_cast<std::size_t>(p)], width_};
    }
    std::size_t size() const { return items_.size(); }
    bool operator==(const Genotypes& other) const {
        return width_ == other.width_ && start_ == other.start_ && items_ == other.items_;
    }

private:
    std::vector<Item> items_;
    std::vector<std::size_t> start_{0};
    std::size_t width_ = 0;
};

using MhcArray = Genotypes<std::int32_t>;
using MicArray = Genotypes<MicGenotype>;

// present[0][a]: code a occurs in the MHC data; present[1 + l][a]: code a
// occurs at MIC locus l, over all populations. Entries are 0 or 1. Each row
// has room for the codes its data set or locus can hold: width(r) columns,
// 0 to width(r) - 1.
class Presence {
public:
    // `rows` rows of `width` zeros each.
    void assign(int rows, int width) { assign(std::vector<int>(static_cast<std::size_t>(rows), width)); }
    void assign(const std::vector<int>& widths) {
        start_.assign(widths.size() + 1, 0);
        for (std::size_t r = 0; r < widths.size(); ++r) start_[r + 1] = start_[r] + static_cast<std::size_t>(widths[r]);
        cells_.assign(start_.back(), 0);
    }
    std::int32_t* operator[](int r) { return cells_.data() + start_[static_cast<std::size_t>(r)]; }
    const std::int32_t* operator[](int r) const { return cells_.data() + start_[static_cast<std::size_t>(r)]; }
    int rows() const { return static_cast<int>(start_.size()) - 1; }
    int width(int r) const {
        return static_cast<int>(start_[static_cast<std::size_t>(r) + 1] - start_[static_cast<std::size_t>(r)]);
    }
    // The widest row (0 without rows).
    int widest() const;
    bool operator==(const Presence& other) const { return start_ == other.start_ && cells_ == other.cells_; }

private:
    std::vector<std::int32_t> cells_;
    std::vector<std::size_t> start_{0};
};

// What a run does with the data: the heterozygosity correction, and which
// data sets the replicates resample.
struct Settings {
    bool corrflag = false;  // divide each estimate by one minus the pair's heterozygosity
    bool bootmhc = false;   // resample MHC individuals within their populations
    bool bootmic = false;   // resample MIC individuals within their populations
    bool bootloci = false;  // resample the MIC loci
};

struct DataSet {
    std::int32_t npop = 0;
    std::int32_t mhccopies = 0;  // copies of each MHC locus
    // MHC loci, each of mhccopies copies: an individual's row holds them
    // locus by locus, mhcloci * mhccopies codes. The codes of locus k are
    // mhcfirst[k] .. mhcfirst[k + 1] - 1, so no code is shared by two loci
    // and present[0] marks them all.
    std::int32_t mhcloci = 1;
    std::vector<std::int32_t> mhcfirst{0, 0};
    std::int32_t nloci = 0;
    Settings settings;
    SampleSizes nmhc;  // individuals of each population, npop entries
    SampleSizes nmic;
    Presence present;  // for the data as read
    // Some MIC genotype is MISSING. Scoring then takes each pair and locus
    // over the individuals typed there; without it, the legacy form and bits.
    bool micmissing = false;
    // Population names in population order, from files that name them;
    // empty for the legacy layout (pairs are then known by number).
    std::vector<std::string> popnames;
    // The MHC loci's names in locus order, where the file gives them; else
    // empty.
    std::vector<std::string> mhcnames;
    // MIC locus names in locus order, where the file gives them; else empty.
    std::vector<std::string> locusnames;
    MhcArray mhc;  // [p][i][k * mhccopies + c], i < nmhc[p], k < mhcloci, c < mhccopies
    MicArray mic;  // [p][i][l][a], i < nmic[p], l < nloci, a < 2

    // npop populations of sizes[p] MHC individuals of `loci` loci of
    // `copies` copies, all code 0, and present[0] of `codes` zeros, all of
    // the first locus (mhcfirst: set it for several). The MIC half, when it
    // does not have npop populations, is emptied to npop populations of none.
    void shapemhc(const std::vector<std::int32_t>& sizes, int copies, int codes, int loci = 1);
    // The mhccopies codes of MHC locus k of individual i of population p.
    const std::int32_t* mhclocus(int p, int i, int k) const { return mhc[p][i] + k * mhccopies; }
    // The MIC half for the npop populations: sizes[p] individuals each
    // (npop entries), `loci` loci, genotypes all (0, 0), and present rows
    // 1..loci of codes[l] zeros (one value: the same for every locus).
    void shapemic(const std::vector<std::int32_t>& sizes, int loci, const std::vector<int>& codes);
    // The largest population of either data set (0 without populations).
    std::int32_t maxind() const;
};

}  // namespace gstboot
