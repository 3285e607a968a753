// Input files built from genotypes in memory, for tests that need a data set
// of a particular shape.
#pragma once

#include <string>
#include <vector>

namespace gen {

// [population][individual][copy] for MHC; [population][individual][2 * locus
// + allele] for MIC.
using Genotypes = std::vector<std::vector<std::vector<int>>>;

inline std::string joinsizes(const Genotypes& g) {
    std::string s;
    for (const auto& pop : g) s += std::to_string(pop.size()) + " ";
    return s + "\n";
}

inline std::string joincodes(const Genotypes& g) {
    std::string s;
    for (const auto& pop : g) {
        for (const auto& ind : pop) {
            for (int code : ind) s += std::to_string(code) + " ";
            s += "\n";
        }
    }
    return s;
}

inline std::string mhcfile(int copies, int corrflag, int bootmhc, const Genotypes& g) {
    return std::to_string(g.size()) + " " + std::to_string(copies) + " " + std::to_string(corrflag) + " " +
           std::to_string(bootmhc) + "\n" + joinsizes(g) + joincodes(g);
}

inline std::string micfile(int nloci, int bootmic, int bootloci, const Genotypes& g) {
    return std::to_string(nloci) + " " + std::to_string(bootmic) + " " + std::to_string(bootloci) + "\n" +
           joinsizes(g) + joincodes(g);
}

}  // namespace gen
