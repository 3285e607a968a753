// The summaries of a run: per pair the folded comparison fraction and the
// median, 2.5% and 97.5% points of both sets of replicate estimates.
#pragma once

#include <cstdio>
#include <string>

#include "estimates/pairgst.h"

namespace gstboot {

// In-place ascending heapsort of n doubles (n < 2: nothing happens). Only
// strict less-than comparisons are made, so a not-a-number never moves a
// value and may leave the row out of order; ties keep the sort's own order
// (+0.0, -0.0 comes out as -0.0, +0.0).
void sortvals(int n, double* values);

// pval folded to its smaller tail: values above 0.5 become 1.0 - pval.
inline double fold(double pval) { return pval > 0.5 ? 1.0 - pval : pval; }

// Positions of the summary points in a sorted set of NREP values.
constexpr int LOWER = 24;
constexpr int MEDIAN = 499;
constexpr int UPPER = 974;

// The two lines of a pair (i, j counted from 0), from sorted rows.
std::string consoleline(int i, int j, const double* mhc, const double* mic, double p);
std::string fileline(int i, int j, double meanmhc, const double* mhc, double meanmic, const double* mic,
                     double p);

class OutputFile;

// For every pair in order: folds pval, sorts both rows, prints the console
// line and writes the file line. Leaves the tables folded and sorted.
void report(int npop, ResultTables& tables, std::FILE* console, OutputFile& out);

}  // namespace gstboot
