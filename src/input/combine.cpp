#include "input/combine.h"


#include "common/error.h"

namespace gstboot {

namespace {

std::string num(long v) { return std::to_string(v); }

std::string unnamed(const RawSet& mhc, const RawSet& mic) {
    if (mhc.named && mic.named) {
        if (mhc.labelnamed && mic.labelnamed) {
            return "the names " + mhc.file + " and " + mic.file +
                   " take from their individuals' labels have none in common";
        }
        const bool frommhc = mhc.labelnamed;
        return "the names " + (frommhc ? mhc.file : mic.file) + " takes from its individuals' labels are not names of " +
               (frommhc ? mic.file : mhc.file);
    }
    if (!mhc.named && !mic.named) return mhc.file + " and " + mic.file + " do not name their populations";
    return (mhc.named ? mic.file : mhc.file) + " does not name its populations";
}

void warnhalfmissing(const RawSet& set, std::vector<std::string>& warnings) {
    if (set.halfmissing == 0) return;
    warnings.push_back(set.file + ": warning: " + num(set.halfmissing) +
                       (set.halfmissing == 1 ? " genotype has" : " genotypes have") +
                       " one allele missing and " + (set.halfmissing == 1 ? "is" : "are") +
                       " counted as missing altogether");
}

std::string namelist(const std::vector<const RawPopulation*>& pops) {
    std::string list;
    for (const RawPopulation* p : pops) list += (list.empty() ? "'" : ", '") + shown(p->name) + "'";
    return list;
}

std::vector<const RawPopulation*> lacking(const RawSet& a, const RawSet& b) {
    std::vector<const RawPopulation*> only;
    for (const RawPopulation& p : a.pops) {
        if (b.popindex.find(p.name) == b.popindex.end()) only.push_back(&p);
    }
    return only;
}

// The populations of `a` that `b` lacks, refused at the first, with those
// of `b` that `a` lacks.
void refuseunmatched(const RawSet& a, const RawSet& b) {
    const std::vector<const RawPopulation*> only = lacking(a, b);
    if (only.empty()) return;
    const std::vector<const RawPopulation*> others = lacking(b, a);
    throw Error(ErrorKind::input, at(a.file, only[0]->place) + "population '" + shown(only[0]->name) + "' is not in " +
                                b.file + " (populations found in " + a.file + " only: " + namelist(only) +
                                (others.empty() ? std::string() : "; in " + b.file + " only: " + namelist(others)) + ")");
}

void warnrecoded(const RawSet& set, std::vector<std::string>& warnings) {
    if (set.recodedline == 0) return;
    warnings.push_back(recodedwarning(set.file, set.recodedline));
}

}  // namespace

void fillmhc(const RawSet& set, DataSet& ds, std::vector<std::string>& warnings) {
    // Each locus's labels coded from 0, then moved past the loci before it.
    const std::size_t loci = set.mhcloci.size() > 1 ? set.mhcloci.size() : 1;
    const auto width = static_cast<std::size_t>(set.width);
    const std::size_t copies = width / loci;
    std::vector<std::vector<std::int32_t>> codes;
    std::vector<std::int32_t> first{0};
    for (std::size_t k = 0; k < loci; ++k) {
        codes.push_back(set.labels[k].codes());
        first.push_back(first.back() + static_cast<std::int32_t>(set.labels[k].size()));
    }
    auto complete = [&](const RawPopulation& pop, std::size_t i) {
        const std::int32_t* alleles = &pop.alleles[i * width];
        for (std::size_t c = 0; c < width; ++c) {
            if (alleles[c] == MISSING) return false;
        }
        return true;
    };
    std::vector<std::int32_t> sizes;
    for (const RawPopulation& pop : set.pops) {
        std::int32_t kept = 0;
        for (std::size_t i = 0; i < pop.individuals.size(); ++i) kept += complete(pop, i);
        sizes.push_back(kept);
    }
    ds.shapemhc(sizes, static_cast<int>(copies), first.back(), static_cast<int>(loci));
    ds.mhcfirst = first;
    ds.popnames.clear();
    std::string dropped;
    for (std::size_t p = 0; p < set.pops.size(); ++p) {
        const RawPopulation& pop = set.pops[p];
        ds.popnames.push_back(pop.name);
        std::int32_t kept = 0;
        for (std::size_t i = 0; i < pop.individuals.size(); ++i) {
            if (!complete(pop, i)) continue;
            const std::int32_t* alleles = &pop.alleles[i * width];
            for (std::size_t c = 0; c < width; ++c) {
                const std::size_t k = c / copies;
                const std::int32_t code = first[k] + codes[k][static_cast<std::size_t>(alleles[c])];
                ds.mhc[static_cast<int>(p)][kept][c] = code;
                ds.present[0][code] = 1;
            }
            ++kept;
        }
        const long left = static_cast<long>(pop.individuals.size()) - kept;
        if (left > 0) {
            dropped += (dropped.empty() ? "" : ", ") + num(left) + " of " + num(static_cast<long>(pop.individuals.size())) +
                       " in '" + shown(pop.name) + "'";
        }
    }
    warnrecoded(set, warnings);
    warnhalfmissing(set, warnings);
    if (!dropped.empty()) {
        warnings.push_back(set.file + ": warning: MHC individuals with a missing copy" +
                           std::string(loci > 1 ? " at any MHC locus" : "") + " are left out of the MHC set: " +
                           dropped);
    }
}

void fillmic(const RawSet& set, const std::vector<std::size_t>& order, DataSet& ds,
             std::vector<std::string>& warnings) {
    const std::size_t nloci = static_cast<std::size_t>(set.width / 2);
    std::vector<std::vector<std::int32_t>> codes;
    for (const AlleleLabels& labels : set.labels) codes.push_back(labels.codes());
    std::vector<std::int32_t> sizes;
    for (std::size_t p : order) sizes.push_back(static_cast<std::int32_t>(set.pops[p].individuals.size()));
    std::vector<int> widths;
    for (const std::vector<std::int32_t>& c : codes) widths.push_back(static_cast<int>(c.size()));
    if (widths.empty()) widths.push_back(0);
    ds.shapemic(sizes, static_cast<int>(nloci), widths);
    ds.micmissing = false;
    for (std::size_t p = 0; p < order.size(); ++p) {
        const RawPopulation& pop = set.pops[order[p]];
        const auto pp = static_cast<int>(p);
        for (std::size_t i = 0; i < pop.individuals.size(); ++i) {
            MicGenotype* genotypes = ds.mic[pp][static_cast<int>(i)];
            const std::int32_t* numbers = &pop.alleles[i * nloci * 2];
            for (std::size_t l = 0; l < nloci; ++l) {
                for (std::size_t a = 0; a < 2; ++a) {
                    const std::int32_t number = numbers[l * 2 + a];
                    if (number == MISSING) {
                        genotypes[l][a] = MISSING;
                        ds.micmissing = true;
                        continue;
                    }
                    const std::int32_t code = codes[l][static_cast<std::size_t>(number)];
                    genotypes[l][a] = code;
                    ds.present[1 + static_cast<int>(l)][code] = 1;
                }
            }
        }
    }
    ds.locusnames = set.locusnames;
    warnrecoded(set, warnings);
    warnhalfmissing(set, warnings);
}

std::vector<std::size_t> matchbyname(const RawSet& mhc, const RawSet& mic) {
    refuseunmatched(mic, mhc);
    refuseunmatched(mhc, mic);
    std::vector<std::size_t> order;
    for (const RawPopulation& p : mhc.pops) order.push_back(mic.popindex.at(p.name));
    return order;
}

std::vector<std::size_t> matchbyposition(const RawSet& mhc, const RawSet& mic) {
    const std::size_t n = mhc.pops.size();
    if (mic.pops.size() != n) {
        const bool micmore = mic.pops.size() > n;
        const RawSet& more = micmore ? mic : mhc;
        const RawSet& fewer = micmore ? mhc : mic;
        const RawPopulation& extra = more.pops[fewer.pops.size()];
        throw Error(ErrorKind::input, at(more.file, extra.place) + "population " + num(static_cast<long>(fewer.pops.size()) + 1) +
                                          ", '" + shown(extra.name) + "', has no counterpart in " + fewer.file +
                                          ", which holds " + num(static_cast<long>(fewer.pops.size())) +
                                          "; the files are matched by position, since " + unnamed(mhc, mic));
    }
    std::vector<std::size_t> order(n);
    for (std::size_t p = 0; p < n; ++p) order[p] = p;
    return order;
}

std::string pairing(const std::vector<std::string>& mhcnames, const std::vector<std::string>& micnames) {
    std::string list;
    for (std::size_t p = 0; p < mhcnames.size() || p < micnames.size(); ++p) {
        const std::string n = num(static_cast<long>(p) + 1);
        // Names as read (UTF-8, no controls): the terminal's escaping is the
        // printer's.
        list += (p ? ", " : "") + n + " = " + n + " (" + (p < mhcnames.size() ? mhcnames[p] : "-") + " / " +
                (p < micnames.size() ? micnames[p] : "-") + ")";
    }
    return "populations paired by position: " + list;
}

std::vector<std::size_t> matchbyposition(const RawSet& named, int npop, const std::string& legacyfile) {
    const std::size_t n = static_cast<std::size_t>(npop);
    if (named.pops.size() > n) {
        const RawPopulation& extra = named.pops[n];
        throw Error(ErrorKind::input, at(named.file, extra.place) + "population " + num(npop + 1) + ", '" + shown(extra.name) +
                                    "', has no counterpart in " + legacyfile +
                                    ", a legacy file, matched by position, that holds " + num(npop) +
                                    (npop == 1 ? " population" : " populations"));
    }
    if (named.pops.size() < n) {
        throw Error(ErrorKind::input, at(named.file, named.end) + "the file ends after " +
                                    num(static_cast<long>(named.pops.size())) + " populations, but " + legacyfile +
                                    ", a legacy file matched by position, holds " + num(npop));
    }
    std::vector<std::size_t> order(n);
    for (std::size_t p = 0; p < n; ++p) order[p] = p;
    return order;
}

}  // namespace gstboot
