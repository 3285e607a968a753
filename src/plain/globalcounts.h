// Each data set over all populations of a study at once: the program's
// estimator, Jost's D and G''st, on the data as read or on one replicate,
// for the study table's rows over all populations and their intervals.
//
// The estimator over k populations is the one of a pair with k in place of
// 2. Per locus, over the populations with a typed individual there (k_l of
// them, N_l typed individuals, their typed individuals only), its sums over
// the alleles num_l and den_l (gstnum, gstden) are divided by the scale of
// its components, F_l = (N_l - k_l) w nc_l, as the MIC pair estimate with
// missing genotypes divides them; the estimate is
//
//     (sum_l num_l / F_l) / (sum_l den_l / F_l)
//
// over the loci with k_l >= 2 and N_l - k_l >= 1, in replicate locus order.
// Without missing genotypes F_l is one number for every locus, so this is
// the sum of numerators over loci and alleles over the sum of denominators,
// the MIC pair estimate's form; over two populations it is the pair's own
// estimate. Each MHC locus is a locus of its copies. With the correction on it is
// divided by 1 - h, h the share of heterozygotes among the set's typed
// individuals (MHC) or typed genotypes over all loci (MIC) of all
// populations: over two populations the pair's divisor up to rounding (the
// pair's h is a running sum of 1 / total, this one quotient). Where every
// one is heterozygous, 1 - h is 0 and the estimate is not finite (the
// pair's running sum may leave a trace of rounding there instead).
// No locus entering, or no variation at any, gives a value that is not a
// number.
//
// Replicates are many and studies large (60 populations of 250, 80 loci of
// up to 400 alleles), so nothing here scans the individuals once per allele.
// A locus is taken from counts: per population its typed individuals n, the
// copies c of each allele it holds and Q, the sum over its individuals of
// their copies of an allele squared, summed over alleles. With C the
// allele's copies over all populations and x = m / w an individual's share:
//   SSP = sum_p (N c_p - n_p C)^2 / (n_p N^2 w),
//   SSI = sum_p (n_p Q_p - sum_a c_pa^2) / (n_p w),
//   SSW = (N w^2 - sum_p Q_p) / w,
// every numerator an exact integer and every floating sum one of terms of
// one sign, so the result is the real number gstnum/gstden give up to a few
// roundings of each term; not their bits. A population's alleles it lacks
// add n_p^2 times the rest of sum_a C^2 to SSP at once, so a locus costs
// the copies of its individuals, not populations times alleles.
//
// D and G''st are those of plain/jost.h over all populations, from the same
// counts in the same order: the same bits as jost() on the replicate's
// genotypes.
#pragma once

#include <cstdint>
#include <limits>
#include <vector>

#include "model/dataset.h"
#include "model/replicate.h"
#include "plain/jost.h"

namespace gstboot {

// One data set's measures over all populations.
struct GlobalSet {
    double gst = std::numeric_limits<double>::quiet_NaN();
    JostMeasures jost;
};

struct GlobalValues {
    GlobalSet mhc;
    GlobalSet mic;
};

// What one measure takes beyond the data: reused from call to call, it
// allocates nothing once grown to the data set's sizes. One per thread.
struct GlobalScratch {
    struct Entry {
        std::int32_t allele;
        std::int32_t copies;
    };
    struct Population {
        long long n = 0;        // typed individuals
        long long q = 0;        // sum over individuals and alleles of copies squared
        long long squares = 0;  // sum over alleles of c^2
        std::size_t first = 0;  // its entries: [first, last)
        std::size_t last = 0;
    };
    std::vector<std::int32_t> count;  // by code, the population being counted; 0 between
    std::vector<long long> total;     // C by code; 0 between loci
    std::vector<double> mean;         // jost's mean frequency by code; 0 between loci
    std::vector<Entry> entries;       // each population's codes and copies, in turn
    std::vector<Population> pops;
    // How many slots of the replicate hold each individual (population by
    // population): a locus is then read individual by individual, in the
    // order of memory, not slot by slot at random.
    std::vector<std::int32_t> mhcdrawn, micdrawn;
};

// The data set laid out as a measure reads it, built once per run: the MIC
// locus by locus, each population's codes as read in ascending order (a
// replicate holds no others), what each individual adds.
class GlobalCounts {
public:
    explicit GlobalCounts(const DataSet& ds);

    // Both data sets over all populations, on the replicate `rep` describes
    // (identityreplicate(): the data as read). The same bits for the same
    // replicate, whatever thread calls it.
    GlobalValues measure(const ReplicateIndex& rep, GlobalScratch& scratch) const;

    // The populations with a typed individual in each data set (MIC: at some
    // locus), the n of the study table's rows.
    int mhcpops() const { return mhcpops_; }
    int micpops() const { return micpops_; }

private:
    struct Het {
        long long hets = 0, typed = 0;
    };
    // Codes in ascending order, list by list.
    struct Lists {
        std::vector<std::int32_t> codes;
        std::vector<std::size_t> start{0};  // list j: codes[start[j]] .. codes[start[j + 1]]
        void add(std::vector<std::int32_t> list);
    };
    void prepare(const ReplicateIndex& rep, GlobalScratch& s) const;
    void countmhc(int locus, GlobalScratch& s, Het& het) const;
    void countmic(int source, GlobalScratch& s, Het& het) const;
    long long closepopulation(GlobalScratch& s, const Lists& lists, std::size_t list, GlobalScratch::Population& t) const;

    const DataSet& ds_;
    std::size_t widest_ = 0;              // codes 0..widest_ - 1; widest_ stands for an untyped MIC copy
    std::vector<std::size_t> mhcstart_;     // population p's first MHC individual below
    std::vector<std::int32_t> mhcsquares_;  // per MHC locus and individual: sum over alleles of its copies squared
    std::vector<std::uint8_t> mhchet_;      // ... whether heterozygous
    std::vector<std::size_t> micstart_;     // population p's first individual in a locus's block
    std::vector<std::int32_t> mic_;         // [locus][population][individual][2], widest_ where untyped
    Lists mhccodes_;  // list k (npop + 1) + p: population p's codes at MHC locus k; + npop: every population's
    Lists miccodes_;  // list l (npop + 1) + p: population p's codes at locus l; + npop: the locus's
    int mhcpops_ = 0, micpops_ = 0;
};

}  // namespace gstboot
