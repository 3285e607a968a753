// The Mantel test between two population matrices: does the MHC's pattern
// of differentiation follow the neutral loci's?
#pragma once

#include <cstdint>
#include <limits>
#include <vector>

namespace gstboot {

struct MantelResult {
    double r = std::numeric_limits<double>::quiet_NaN();  // Pearson r over the pairs where both are finite
    double p = std::numeric_limits<double>::quiet_NaN();  // two-sided, from the permutations
    int pairs = 0;
};

constexpr int MANTELPERMUTATIONS = 9999;

// `a` and `b` hold one value per pair (i < j, i outer, as the report orders
// pairs) of `npop` populations. r is Pearson's correlation over the pairs
// where both are finite; p = (1 + #{|r_k| >= |r|}) / (1 + permutations),
// r_k the correlation with b's populations permuted (Fisher-Yates from the
// stream of `seed`), over the pairs where both are then finite. Not a number
// with fewer than 3 such pairs or no spread.
MantelResult mantel(const std::vector<double>& a, const std::vector<double>& b, int npop, std::uint32_t seed,
                    int permutations = MANTELPERMUTATIONS);

}  // namespace gstboot
