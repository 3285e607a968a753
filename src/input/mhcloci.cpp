#include "input/mhcloci.h"

#include "common/error.h"

namespace gstboot {

namespace {

std::string num(std::size_t v) { return std::to_string(v); }

// 'A', 'B', 'C' and 26 more: enough to recognise a file by.
std::string quoted(const std::vector<std::string>& names) {
    constexpr std::size_t shownnames = 8;
    std::string list;
    for (std::size_t k = 0; k < names.size() && k < shownnames; ++k) {
        list += (k == 0 ? "'" : k + 1 == names.size() ? " and '" : ", '") + shown(names[k]) + "'";
    }
    if (names.size() > shownnames) list += " and " + num(names.size() - shownnames) + " more";
    return list;
}

// Where the file names its loci, as its format calls it.
const char* namer(Format format) {
    switch (format) {
        case Format::genalex: return "row 3";
        case Format::genepop: return "the locus list";
        default: break;
    }
    return "the header";
}

}  // namespace

std::string_view locusof(std::string_view header) {
    const std::size_t cut = header.find_last_of("_. ");
    return cut == std::string_view::npos ? header : header.substr(0, cut);
}

std::vector<std::string> copyloci(const std::vector<std::string_view>& headers) {
    std::vector<std::string> loci;
    bool cut = false, same = true, distinct = true;
    for (std::size_t k = 0; k < headers.size(); ++k) {
        loci.emplace_back(locusof(headers[k]));
        cut = cut || loci.back().size() != headers[k].size();
        same = same && loci.back() == loci.front();
        for (std::size_t j = 0; j < k; ++j) distinct = distinct && headers[j] != headers[k];
    }
    if (!same && !cut && distinct) {
        for (std::string& locus : loci) locus.clear();
    }
    return loci;
}

std::vector<bool> pickcopies(RawSet& set, const std::vector<std::string>& names, const std::vector<Place>& places,
                             std::string_view pick, int each) {
    std::vector<std::string> named;
    std::vector<Place> namedat;
    for (std::size_t k = 0; k < names.size(); ++k) {
        if (names[k].empty()) continue;
        bool known = false;
        for (const std::string& locus : named) known = known || locus == names[k];
        if (known) continue;
        named.push_back(names[k]);
        namedat.push_back(places[k]);
    }
    std::vector<bool> read(names.size(), true);
    if (!pick.empty()) {
        bool any = false;
        for (std::size_t k = 0; k < names.size(); ++k) any = (read[k] = names[k] == pick) || any;
        if (!any) {
            const Place first = places.empty() ? Place{} : places[0];
            throw Error(ErrorKind::input,
                        at(set.file, first) + "--mhc-locus names '" + shown(pick) + "', but " +
                            (named.empty()
                                 ? std::string(namer(set.format)) + " names no locus: its columns are the copies of one gene; leave --mhc-locus out"
                                 : std::string(namer(set.format)) + " names " + quoted(named) + ": name one of them"));
        }
    }
    set.mhcloci.clear();
    set.mhclociplaces.clear();
    set.mhclocusof.assign(names.size(), -1);
    std::vector<long> copies;
    for (std::size_t k = 0; k < names.size(); ++k) {
        if (!read[k]) continue;
        std::size_t index = 0;
        while (index < set.mhcloci.size() && set.mhcloci[index] != names[k]) ++index;
        if (index == set.mhcloci.size()) {
            set.mhcloci.push_back(names[k]);
            set.mhclociplaces.push_back(places[k]);
            copies.push_back(0);
        } else if (index + 1 != set.mhcloci.size()) {
            // An individual's copies are kept locus by locus.
            throw Error(ErrorKind::input, at(set.file, places[k]) + "expected the copies of each MHC locus side by side, but '" +
                                              shown(names[k]) + "' comes again after '" + shown(set.mhcloci.back()) + "'");
        }
        copies[index] += each;
        set.mhclocusof[k] = static_cast<int>(index);
    }
    for (std::size_t index = 1; index < copies.size(); ++index) {
        if (copies[index] == copies[0]) continue;
        throw Error(ErrorKind::input, at(set.file, set.mhclociplaces[index]) + "MHC locus '" + shown(set.mhcloci[index]) +
                                          "' has " + num(static_cast<std::size_t>(copies[index])) + " copies, but '" +
                                          shown(set.mhcloci[0]) + "' has " + num(static_cast<std::size_t>(copies[0])) +
                                          ": several MHC loci are read side by side and need the same copies");
    }
    if (set.mhcloci.size() == 1 && set.mhcloci[0].empty()) set.mhcloci.clear();
    return read;
}

void refusemhcloci(const RawSet& mhc, long micloci, const std::string& micfile) {
    const std::size_t n = mhc.mhcloci.size();
    if (n < 2 || micloci < 0 || static_cast<std::size_t>(micloci) >= n) return;
    throw Error(ErrorKind::input, at(mhc.file, mhc.mhclociplaces[1]) + "the MHC file names " + num(n) + " loci (" +
                                      quoted(mhc.mhcloci) + "), more than the " + num(static_cast<std::size_t>(micloci)) +
                                      " of the MIC file " + micfile +
                                      ": the files look swapped: give --mhc the MHC file and --mic the neutral markers");
}

void refusepick(const std::string& file, std::string_view pick) {
    throw Error(ErrorKind::input, at(file, {1, 1}) + "--mhc-locus names '" + shown(pick) +
                                      "', but the file is in the legacy layout, which names no loci; leave --mhc-locus out");
}

}  // namespace gstboot
