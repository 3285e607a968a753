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
                             std::string_view pick) {
    set.mhcloci.clear();
    set.mhclociplaces.clear();
    for (std::size_t k = 0; k < names.size(); ++k) {
        if (names[k].empty()) continue;
        bool known = false;
        for (const std::string& locus : set.mhcloci) known = known || locus == names[k];
        if (known) continue;
        set.mhcloci.push_back(names[k]);
        set.mhclociplaces.push_back(places[k]);
    }
    std::vector<bool> read(names.size(), true);
    if (!pick.empty()) {
        for (std::size_t k = 0; k < names.size(); ++k) read[k] = names[k] == pick;
        for (bool r : read)
            if (r) return read;
        const Place first = places.empty() ? Place{} : places[0];
        throw Error(ErrorKind::input,
                    at(set.file, first) + "--mhc-locus names '" + shown(pick) + "', but " +
                        (set.mhcloci.empty()
                             ? std::string(namer(set.format)) + " names no locus: its columns are the copies of one gene; leave --mhc-locus out"
                             : std::string(namer(set.format)) + " names " + quoted(set.mhcloci) + ": name one of them"));
    }
    if (set.mhcloci.size() > 1) {
        set.unread = true;
        read.assign(names.size(), false);
    }
    return read;
}

void refusemhcloci(const RawSet& mhc, long micloci, const std::string& micfile) {
    if (!mhc.unread) return;
    const std::size_t n = mhc.mhcloci.size();
    const std::string where = at(mhc.file, mhc.mhclociplaces[1]);
    if (micloci >= 0 && static_cast<std::size_t>(micloci) < n) {
        throw Error(ErrorKind::input, where + "the MHC file names " + num(n) + " loci (" + quoted(mhc.mhcloci) +
                                          "), more than the " + num(static_cast<std::size_t>(micloci)) +
                                          " of the MIC file " + micfile +
                                          ": the files look swapped: give --mhc the MHC file and --mic the neutral markers");
    }
    const std::string what =
        mhc.format == Format::genepop
            ? "an MHC GENEPOP file has one locus (its two alleles are the two copies), but '" + shown(mhc.mhcloci[1]) +
                  "' names a second; the file names " + num(n) + ": " + quoted(mhc.mhcloci)
            : std::string("expected the copies of one MHC gene, but ") + namer(mhc.format) + " names " + num(n) +
                  " loci: " + quoted(mhc.mhcloci);
    throw Error(ErrorKind::input, where + what + "; several MHC loci are not read together: pick one with --mhc-locus NAME" +
                                      (micloci < 0 ? ", or, if the file holds the neutral markers, give it with --mic" : ""));
}

void refusepick(const std::string& file, std::string_view pick) {
    throw Error(ErrorKind::input, at(file, {1, 1}) + "--mhc-locus names '" + shown(pick) +
                                      "', but the file is in the legacy layout, which names no loci; leave --mhc-locus out");
}

}  // namespace gstboot
