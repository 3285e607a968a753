#include "data/rawset.h"

#include "common/error.h"
#include "data/dataset.h"

namespace gstboot {

std::size_t startset(RawSet& set, const std::string& name, Role role, const std::vector<Line>& lines) {
    set = RawSet();
    set.file = name;
    set.role = role;
    set.end = endof(lines);
    std::size_t k = 0;
    while (k < lines.size() && blankline(lines[k])) ++k;
    return k;
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
