#include "input/alleles.h"

#include <algorithm>
#include <numeric>

namespace gstboot {

namespace {

// Digits without leading zeros, compared by length first: any length of
// number, no overflow.
int comparevalues(std::string_view a, std::string_view b) {
    auto strip = [](std::string_view s) {
        std::size_t k = 0;
        while (k + 1 < s.size() && s[k] == '0') ++k;
        return s.substr(k);
    };
    std::string_view x = strip(a), y = strip(b);
    if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
    return x.compare(y);
}

}  // namespace

bool isnumber(std::string_view label) {
    return !label.empty() && label.find_first_not_of("0123456789") == std::string_view::npos;
}

std::int32_t AlleleLabels::add(std::string_view label, Place where) {
    // Numbers are one allele per value: "096" is "96".
    if (isnumber(label)) {
        while (label.size() > 1 && label[0] == '0') label.remove_prefix(1);
    }
    // A few labels (a SNP's two) are found faster side by side than in the map.
    if (labels_.size() <= 4) {
        for (std::size_t k = 0; k < labels_.size(); ++k) {
            if (labels_[k] == label) return static_cast<std::int32_t>(k);
        }
    }
    auto found = numbers_.find(label);
    if (found != numbers_.end()) return found->second;
    const auto number = static_cast<std::int32_t>(labels_.size());
    labels_.emplace_back(label);
    places_.push_back(where);
    numbers_.emplace(std::string(label), number);
    return number;
}

std::vector<std::int32_t> AlleleLabels::codes() const {
    const bool numeric = std::all_of(labels_.begin(), labels_.end(), [](const std::string& s) { return isnumber(s); });
    std::vector<std::size_t> order(labels_.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        if (numeric) return comparevalues(labels_[a], labels_[b]) < 0;  // never equal: one label per value
        return labels_[a] < labels_[b];
    });
    std::vector<std::int32_t> codes(labels_.size());
    for (std::size_t rank = 0; rank < order.size(); ++rank) codes[order[rank]] = static_cast<std::int32_t>(rank);
    return codes;
}

}  // namespace gstboot
