#include "data/rawset.h"

#include <cstdio>

#include "data/dataset.h"
#include "common/error.h"

namespace gstboot {

namespace {

std::string num(std::size_t v) { return std::to_string(v); }

std::string ordinal(std::size_t v) {
    const char* suffix = "th";
    if (v % 100 < 11 || v % 100 > 13) {
        if (v % 10 == 1) suffix = "st";
        else if (v % 10 == 2) suffix = "nd";
        else if (v % 10 == 3) suffix = "rd";
    }
    return num(v) + suffix;
}

}  // namespace

void startset(RawSet& set, const std::string& name, Role role, Format format) {
    set = RawSet();
    set.file = name;
    set.role = role;
    set.format = format;
}

bool nextline(LineReader& lines, Line& line, RawSet& set) {
    while (lines.next(line)) {
        if (!blankline(line)) return true;
    }
    set.end = lines.end();
    return false;
}

std::string takename(RawSet& set, std::string_view raw, Place where, const char* what) {
    unsigned code = 0;
    const std::size_t bad = findcontrol(raw, code);
    if (bad != std::string_view::npos) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "U+%04X", code);
        throw Error(ErrorKind::input, at(set.file, {where.line, where.column + static_cast<long>(bad)}) + "expected a " +
                                          what + " without control characters, but '" + shown(raw) + "' holds " + hex);
    }
    bool recoded = false;
    std::string name = decodename(raw, recoded);
    if (recoded && set.recodedline == 0) set.recodedline = where.line;
    return name;
}

RawPopulation* findpopulation(RawSet& set, const std::string& name) {
    auto found = set.popindex.find(name);
    return found == set.popindex.end() ? nullptr : &set.pops[found->second];
}

RawPopulation& addpopulation(RawSet& set, const std::string& name, Place where) {
    set.popindex.emplace(name, set.pops.size());
    set.pops.push_back(RawPopulation{name, where, {}, {}});
    return set.pops.back();
}

void addgenotype(RawSet& set, RawPopulation& pop, std::int32_t a, std::int32_t b) {
    if ((a == MISSING) != (b == MISSING)) {
        ++set.halfmissing;
        a = b = MISSING;
    }
    pop.alleles.push_back(a);
    pop.alleles.push_back(b);
}

void setloci(RawSet& set, const std::vector<std::string>& names, const std::vector<Place>& places) {
    const std::size_t n = names.size();
    if (set.role == Role::mhc && 2 * n > static_cast<std::size_t>(MAXCOPIES)) {
        const std::size_t k = MAXCOPIES / 2;
        throw Error(ErrorKind::input, at(set.file, places[k]) + "locus '" + shown(names[k]) + "' brings MHC copies " +
                                          num(2 * k + 1) + " and " + num(2 * k + 2) + ", beyond the limit of " +
                                          num(MAXCOPIES) + " copies; the file has " + num(n) + " loci");
    }
    if (set.role == Role::mic && n > static_cast<std::size_t>(MAXLOCI)) {
        throw Error(ErrorKind::input, at(set.file, places[MAXLOCI]) + "locus '" + shown(names[MAXLOCI]) + "' is locus " +
                                          num(MAXLOCI + 1) + ", beyond the limit of " + num(MAXLOCI) +
                                          " loci; the file has " + num(n));
    }
    checkdistinctloci(set.file, names, places);
    set.width = static_cast<int>(2 * n);
    if (set.role == Role::mic) {
        set.locusnames = names;
        set.labels.resize(n);
    } else {
        set.labels.resize(1);
    }
}

void addindividual(RawSet& set, RawPopulation& pop, const std::int32_t* alleles) {
    const auto width = static_cast<std::size_t>(set.width);
    if (set.role == Role::mhc) {
        pop.alleles.insert(pop.alleles.end(), alleles, alleles + width);
        return;
    }
    for (std::size_t k = 0; k < width; k += 2) addgenotype(set, pop, alleles[k], alleles[k + 1]);
}

void checklimits(const RawSet& set) {
    const std::size_t npop = set.pops.size();
    if (npop > static_cast<std::size_t>(MAXPOP)) {
        const RawPopulation& p = set.pops[MAXPOP];
        throw Error(ErrorKind::input, at(set.file, p.place) + "population '" + shown(p.name) + "' is the " +
                                    ordinal(MAXPOP + 1) + ", beyond the limit of " + num(MAXPOP) +
                                    " populations; the file holds " + num(npop));
    }
    for (const RawPopulation& p : set.pops) {
        if (p.individuals.size() > static_cast<std::size_t>(MAXIND)) {
            throw Error(ErrorKind::input, at(set.file, p.individuals[MAXIND]) + "individual " + num(MAXIND + 1) +
                                        " of population '" + shown(p.name) + "' is beyond the limit of " +
                                        num(MAXIND) + " individuals per population; the file holds " +
                                        num(p.individuals.size()) + " for it");
        }
    }
    for (std::size_t row = 0; row < set.labels.size(); ++row) {
        const AlleleLabels& labels = set.labels[row];
        if (labels.size() > static_cast<std::size_t>(NALLELE)) {
            std::string where = set.role == Role::mhc ? std::string("the MHC set")
                                                      : "locus '" + shown(set.locusnames[row]) + "'";
            throw Error(ErrorKind::input, at(set.file, labels.place(NALLELE)) + "allele '" + shown(labels.label(NALLELE)) +
                                        "' is the " + ordinal(NALLELE + 1) + " distinct allele of " + where +
                                        ", beyond the limit of " + num(NALLELE) + "; the file holds " +
                                        num(labels.size()));
        }
    }
}

void checkdistinctloci(const std::string& name, const std::vector<std::string>& names,
                       const std::vector<Place>& places) {
    for (std::size_t a = 0; a < names.size(); ++a) {
        for (std::size_t b = 0; b < a; ++b) {
            if (names[a] == names[b]) {
                throw Error(ErrorKind::input, at(name, places[a]) + "locus name '" + shown(names[a]) +
                                            "' is given twice (first at " + std::to_string(places[b].line) + ":" +
                                            std::to_string(places[b].column) + ")");
            }
        }
    }
}

}  // namespace gstboot
