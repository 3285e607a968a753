#include "model/dataset.h"

#include <algorithm>

namespace gstboot {

int Presence::widest() const {
    int most = 0;
    for (int r = 0; r < rows(); ++r) most = std::max(most, width(r));
    return most;
}

void DataSet::shapemhc(const std::vector<std::int32_t>& sizes, int copies, int codes, int loci) {
    npop = static_cast<std::int32_t>(sizes.size());
    mhccopies = copies;
    mhcloci = loci;
    mhcfirst.assign(static_cast<std::size_t>(loci) + 1, codes);
    mhcfirst[0] = 0;
    nmhc = sizes;
    mhc.assign(sizes, loci * copies);
    if (nmic.size() != sizes.size()) {
        nloci = 0;
        nmic.assign(sizes.size(), 0);
        mic.assign(nmic, 0);
        present.assign(1, codes);
        return;
    }
    // The MIC half stays: its rows of the table too.
    Presence old = std::move(present);
    std::vector<int> widths(1, codes);
    for (int r = 1; r < old.rows(); ++r) widths.push_back(old.width(r));
    present.assign(widths);
    for (int r = 1; r < old.rows(); ++r) std::copy(old[r], old[r] + old.width(r), present[r]);
}

void DataSet::shapemic(const std::vector<std::int32_t>& sizes, int loci, const std::vector<int>& codes) {
    nloci = loci;
    nmic = sizes;
    nmic.resize(static_cast<std::size_t>(npop), 0);
    mic.assign(nmic, loci);
    std::vector<int> widths(1 + static_cast<std::size_t>(loci));
    widths[0] = present.rows() > 0 ? present.width(0) : 0;
    for (int l = 0; l < loci; ++l) {
        widths[1 + static_cast<std::size_t>(l)] = codes.size() == 1 ? codes[0] : codes[static_cast<std::size_t>(l)];
    }
    std::vector<std::int32_t> row0(present.rows() > 0 ? present[0] : nullptr,
                                   present.rows() > 0 ? present[0] + widths[0] : nullptr);
    present.assign(widths);
    std::copy(row0.begin(), row0.end(), present[0]);
}

std::int32_t DataSet::maxind() const {
    std::int32_t most = 0;
    for (std::int32_t n : nmhc) most = std::max(most, n);
    for (std::int32_t n : nmic) most = std::max(most, n);
    return most;
}

}  // namespace gstboot
