// The heterozygosity rule of the correction, in one place: which individual
// counts as heterozygous, and the divisor a pair's count of them gives. The
// plain scoring and the warnings call these; the fast scorers count the
// same heterozygotes from their allele tallies (a homozygote's copies all
// match one allele) and take the same sum from tables or repeatadd(), and
// the oracle tests hold them to these definitions bit for bit.
#pragma once

#include <cstdint>

#include "model/dataset.h"

namespace gstboot {

// Copies 1..w-1 not all equal to copy 0; with fewer than two copies an
// individual is never heterozygous. A MIC genotype is the case w = 2.
inline bool heterozygous(const std::int32_t* copies, int w) {
    for (int c = 1; c < w; ++c) {
        if (copies[c] != copies[0]) return true;
    }
    return false;
}

// The correction's divisor 1 - h, where h is the running sum from 0.0 of
// 1.0 / total added once per heterozygote, `hets` times: the sum depends on
// the count alone, since every addend is the same.
inline double hetdivisor(int hets, int total) {
    double het = 0.0;
    for (int k = 0; k < hets; ++k) het = 1.0 / static_cast<double>(total) + het;
    return 1.0 - het;
}

// Heterozygous (MHC individual, MHC locus) of population p of the data as
// read: its heterozygous individuals, with one MHC locus.
int mhchets(const DataSet& ds, int p);

// Heterozygous and typed MIC genotypes (individual, locus) of population p
// of the data as read.
int michets(const DataSet& ds, int p);
int mictyped(const DataSet& ds, int p);

}  // namespace gstboot
