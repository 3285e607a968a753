#include "input/rawset.h"

#include <cstdio>

#include "model/dataset.h"
#include "input/mhcloci.h"
#include "common/error.h"

namespace gstboot {

namespace {

std::string num(std::size_t v) { return std::to_string(v); }

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

std::string takelabel(std::string_view raw) {
    bool recoded = false;
    return decodename(raw, recoded);
}

std::string recodedwarning(const std::string& file, long line) {
    return file + ": warning: line " + std::to_string(line) + " holds a name that is not UTF-8; such names are read as Windows-1252";
}

RawPopulation* findpopulation(RawSet& set, const std::string& name) {
    auto found = set.popindex.find(name);
    return found == set.popindex.end() ? nullptr : &set.pops[found->second];
}

RawPopulation& addpopulation(RawSet& set, const std::string& name, Place where) {
    set.popindex.emplace(name, set.pops.size());
    set.pops.push_back(RawPopulation{name, where, true, {}, {}, {}});
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

void setloci(RawSet& set, const std::vector<std::string>& names, const std::vector<Place>& places, std::string_view pick) {
    const std::size_t n = names.size();
    if (set.role == Role::mhc) {
        set.readlocus = pickcopies(set, names, places, pick, 2);
        std::size_t kept = 0;
        for (std::size_t l = 0; l < n; ++l) {
            if (!set.readlocus[l]) continue;
            if (2 * kept == static_cast<std::size_t>(MAXNAMEDCOPIES)) {
                throw Error(ErrorKind::input, at(set.file, places[l]) + "locus '" + shown(names[l]) + "' brings MHC copies " +
                                                  num(2 * kept + 1) + " and " + num(2 * kept + 2) + ", beyond the limit of " +
                                                  num(MAXNAMEDCOPIES) + " copies; the file has " + num(n) + " loci");
            }
            ++kept;
        }
        set.width = static_cast<int>(2 * kept);
        set.labels.resize(set.mhcloci.empty() ? 1 : set.mhcloci.size());
        return;
    }
    checkdistinctloci(set.file, names, places);
    set.width = static_cast<int>(2 * n);
    set.locusnames = names;
    set.labels.resize(n);
}

void addindividual(RawSet& set, RawPopulation& pop, const std::int32_t* alleles) {
    if (set.role == Role::mhc) {
        for (std::size_t l = 0; l < set.readlocus.size(); ++l) {
            if (set.readlocus[l]) pop.alleles.insert(pop.alleles.end(), alleles + 2 * l, alleles + 2 * l + 2);
        }
        return;
    }
    const auto width = static_cast<std::size_t>(set.width);
    for (std::size_t k = 0; k < width; k += 2) addgenotype(set, pop, alleles[k], alleles[k + 1]);
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
