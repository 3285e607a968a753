// The summary of a run: per pair, everything any output shows. It is
// computed once after the replicates and only read from then on: the
// report, the table, the figure and the warnings are functions of it.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "model/markerset.h"

namespace gstboot {

// Positions of the summary points in a sorted set of NREP = 1000 values.
constexpr int LOWER = 24;
constexpr int MEDIAN = 499;
constexpr int UPPER = 974;

// What the warnings need to know of one data set of one pair, judged on the
// data as read (sample sizes and the genotypes a replicate can draw do not
// change, so what holds there holds in every replicate).
struct SetFacts {
    bool allheterozygous = false;  // correction on, every individual heterozygous
    double divisor = 0.0;          // the correction's divisor 1 - sum when so
    bool onevalue = false;         // every copy of the pair is one allele
    bool nolocus = false;          // MIC: no locus has typed individuals in both
};

// One data set's numbers for one pair.
struct SetSummary {
    int n1 = 0, n2 = 0;     // sample sizes of the two populations
    double observed = 0.0;  // the scoring applied to the data as read
    double mean = 0.0;      // running mean of the replicates, in replicate order
    double median = 0.0;    // positions MEDIAN, LOWER, UPPER of the sorted copy
    double lower = 0.0;
    double upper = 0.0;
    int finite = 0;         // replicate estimates that are finite numbers
    int nan = 0;            // ... that are not a number
    int inf = 0;            // ... that are infinite
    // The bias-corrected interval: lower and upper shifted down by b = (mean
    // of the finite replicates) - observed, which a bootstrap of individuals
    // adds (its replicates centre on the sample taken as the population).
    // Not a number when the observed estimate or every replicate is not
    // finite.
    double cilower = 0.0;
    double ciupper = 0.0;
    // Jost's D and Hedrick's G''st on the data as read (plain/jost.h).
    double jostd = std::numeric_limits<double>::quiet_NaN();
    double gppst = std::numeric_limits<double>::quiet_NaN();
    SetFacts facts;
};

// The neutral test of one pair (see neutral/neutraltest.h); all not a
// number when the test is off or cannot be made.
struct NeutralSummary {
    double z = std::numeric_limits<double>::quiet_NaN();  // T: below 0 the MHC is less
                                                          // differentiated than neutral
    double p = std::numeric_limits<double>::quiet_NaN();
    double q = std::numeric_limits<double>::quiet_NaN();  // Benjamini-Hochberg over the
                                                          // pairs with a finite p
    int loci = 0;    // MIC loci that calibrate it
};

struct PairSummary {
    int pop1 = 0;  // counted from 0, pop1 < pop2
    int pop2 = 0;
    std::string name1, name2;  // population names; empty when unnamed
    int micloci = 0;           // loci that enter the observed MIC estimate
    SetSummary mhc;
    SetSummary mic;
    const SetSummary& of(Set set) const { return set == Set::mhc ? mhc : mic; }
    int greater = 0;    // replicates whose MHC estimate is greater than the MIC's
    double frac = 0.0;  // greater as the report reckons it: a running sum of 0.001s
    double p = 0.0;     // fold(frac), the value the report prints
    NeutralSummary neutral;
};

// A value placed among the MIC loci's values taken the same way (the
// study's answer; see neutral/studytest.h); not a number where it cannot be.
struct StudyPlacement {
    double t = std::numeric_limits<double>::quiet_NaN();
    double p = std::numeric_limits<double>::quiet_NaN();
    double q = std::numeric_limits<double>::quiet_NaN();  // over the populations
    int loci = 0;   // MIC loci it is placed among
    int pairs = 0;  // pairs behind it
};

// The study's answer: the MHC over all pairs, and each population against
// the rest (by population, named as the pairs name them).
struct StudySummary {
    bool done = false;  // the neutral test ran
    std::vector<std::string> mhcnames;  // the MHC loci's names; empty: unnamed
    StudyPlacement locus;                    // the MHC, all its loci jointly
    std::vector<StudyPlacement> mhcloci;     // each MHC locus alone, when there are several
    std::vector<StudyPlacement> populations;
    std::vector<std::string> popnames;  // empty where unnamed
};

// Causes shared by every pair of one data set.
struct SetWide {
    bool noallele = false;  // no allele code present at all
    bool nolocus = false;   // MIC: nloci = 0
};

struct RunSummary {
    std::uint32_t seed = 0;
    bool correction = false;
    int npop = 0;
    std::string mhcfile, micfile;  // input names, leading every warning
    SetWide mhcwide, micwide;
    std::vector<PairSummary> pairs;  // i < j, i outer: the report's order
    int neutraldraws = 0;            // draws per locus of the neutral test; 0: off
    bool neutralleftout = false;     // off because the MHC copies may be pooled genes
    StudySummary study;
    // Each data set over all populations: its estimator, Jost's D and G''st,
    // each with the bias-corrected 95% interval of the run's replicates
    // (lower and upper shifted by the mean of the finite replicates less
    // `value`, as a pair's). D and G''st's values are always taken; the
    // estimator and every interval only when the study table asks for them
    // (`globals`), not a number elsewhere.
    struct Global {
        double value = std::numeric_limits<double>::quiet_NaN();
        double lower = std::numeric_limits<double>::quiet_NaN();
        double upper = std::numeric_limits<double>::quiet_NaN();
    };
    struct SetGlobal {
        Global gst, jostd, gppst;
        int pops = 0;  // populations with a typed individual
    };
    bool globals = false;
    SetGlobal mhcglobal, micglobal;
    const SetGlobal& globalof(Set set) const { return set == Set::mhc ? mhcglobal : micglobal; }
    // Each locus over all populations on the data as read: the MHC first,
    // then the MIC loci, with their names (empty where unnamed).
    // Each locus over all populations: the MHC loci first, then the MIC's.
    struct Locus {
        bool mhc = false;
        std::string name;
        double gst = std::numeric_limits<double>::quiet_NaN();
        double he = std::numeric_limits<double>::quiet_NaN();
        int pops = 0;
    };
    std::vector<Locus> loci;
    // The Mantel test between the MHC's and the MIC's observed estimates.
    double mantelr = std::numeric_limits<double>::quiet_NaN(), mantelp = mantelr;
    int mantelpairs = 0;
};

// The pairs whose neutral q lies below this are called different.
constexpr double QLEVEL = 0.05;

// pval folded to its smaller tail: values above 0.5 become 1.0 - pval.
inline double fold(double pval) { return pval > 0.5 ? 1.0 - pval : pval; }

// In-place ascending heapsort of n doubles (n < 2: nothing happens). Only
// strict less-than comparisons are made, so a not-a-number never moves a
// value and may leave the row out of order; ties keep the sort's own order
// (+0.0, -0.0 comes out as -0.0, +0.0).
void sortvals(int n, double* values);

// The statistics of each data set beyond the historical estimate, in the
// order the outputs list them: the table's last columns (mhc_jost_d,
// mic_jost_d, ...), the population matrices and the study table's rows over
// all populations all iterate this list, so a new statistic is its field
// here, its entry below, and where it is computed.
struct SetStatistic {
    const char* name;                                 // "jost_d"
    double SetSummary::*pair;                         // a pair's value
    RunSummary::Global RunSummary::SetGlobal::*all;   // over all populations
};
inline constexpr SetStatistic SETSTATISTICS[] = {
    {"jost_d", &SetSummary::jostd, &RunSummary::SetGlobal::jostd},
    {"gpp_st", &SetSummary::gppst, &RunSummary::SetGlobal::gppst},
};

}  // namespace gstboot
