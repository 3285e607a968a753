// Per-allele variance components of a nested analysis of variance (copies in
// individuals in populations), scaled by (N - k) * w * nc.
//
// Summed over the alleles of a data set, gstnum / gstden is the share of the
// total variance that lies among populations. The order of every floating
// point operation below is part of the results: frequencies are running sums
// of a reciprocal, never a count divided by a total.
#pragma once

#include <cstdint>
#include <vector>

namespace gstboot {

// One population block of a pair subset: [individual][copy], as many of
// each as shape() made room for.
class PopBlock {
public:
    // Room for `individuals` of `copies` copies each; entries are kept only
    // when the number of copies stays the same.
    void shape(int individuals, int copies) {
        copies_ = static_cast<std::size_t>(copies);
        const std::size_t need = static_cast<std::size_t>(individuals) * copies_;
        if (cells_.size() < need) cells_.resize(need);
    }
    std::int32_t* operator[](int j) { return cells_.data() + static_cast<std::size_t>(j) * copies_; }
    const std::int32_t* operator[](int j) const { return cells_.data() + static_cast<std::size_t>(j) * copies_; }

private:
    std::vector<std::int32_t> cells_;
    std::size_t copies_ = 0;
};

// k populations; ni[i] individuals in block i; w copies per individual;
// data[i] the block of population i. Only individuals below ni[i] and
// copies below w are read.
//
// With N = sum ni >= 1 both results are finite. With N = 0 gstnum is 0 and
// gstden is not a number (nc divides zero by zero); callers carry that on.
double gstnum(int k, const std::int32_t* ni, int w, int allele, const PopBlock* data);
double gstden(int k, const std::int32_t* ni, int w, int allele, const PopBlock* data);

}  // namespace gstboot
