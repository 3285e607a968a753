// Allele labels as files give them (sizes such as 048 or 412, names such as
// DRB*0301) and the codes the data set stores for them.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "input/textfile.h"

namespace gstboot {

// The distinct labels of one coding row (a MIC locus, or every copy of the
// MHC set), numbered in the order they first appear.
class AlleleLabels {
public:
    // The number of `label`, which is added, first seen at `where`, when new.
    // Labels of decimal digits are one allele per value ("096" is "96") and
    // are kept without their leading zeros.
    std::int32_t add(std::string_view label, Place where);

    std::size_t size() const { return labels_.size(); }
    const std::string& label(std::size_t number) const { return labels_[number]; }
    Place place(std::size_t number) const { return places_[number]; }

    // codes()[number]: the code of label `number`, its rank from 0 in
    // ascending order, by value when every label is a number (decimal
    // digits), else by text (bytes). Ranking keeps the order of numeric
    // labels, so data coded this way scores as the same numbers written as
    // codes would.
    std::vector<std::int32_t> codes() const;

private:
    std::map<std::string, std::int32_t, std::less<>> numbers_;
    std::vector<std::string> labels_;
    std::vector<Place> places_;
};

// A label made only of decimal digits.
bool isnumber(std::string_view label);

}  // namespace gstboot
