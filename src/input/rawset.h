// A data set as a file of a named format (GENEPOP, table, GenAlEx,
// STRUCTURE) gives it: populations by name, genotypes as label numbers,
// before the labels are coded and the populations matched with the other
// file's. Every reader of those formats produces one.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "input/alleles.h"
#include "input/detect.h"
#include "input/textfile.h"

namespace gstboot {

// Which data set a file holds: the MHC copies or the MIC loci.
enum class Role { mhc, mic };

struct RawPopulation {
    std::string name;
    Place place;                        // where the name first appears
    bool named = true;                  // false: a GENEPOP Pop line without a name, known by its first label
    std::vector<Place> individuals;     // where each individual's line begins
    std::vector<std::string> ids;       // each individual's label as the file gives it
    std::vector<std::int32_t> alleles;  // `width` label numbers per individual; MISSING where not typed
};

struct RawSet {
    std::string file;                   // the name messages give
    Role role = Role::mic;
    Format format = Format::table;
    // Every population has a name of its own (a GENEPOP file whose Pop
    // lines carry none is known by its first labels, which are shown but
    // do not match populations between the files).
    bool named = true;
    bool labelnamed = false;            // some population is named by its individuals' one label
    int width = 0;                      // values per individual: MHC copies, or 2 per MIC locus
    std::vector<std::string> locusnames;  // MIC loci, in order
    std::vector<AlleleLabels> labels;   // per MIC locus, or per MHC locus for all its copies
    std::vector<RawPopulation> pops;    // in order of first appearance
    std::map<std::string, std::size_t> popindex;  // name to position in pops
    long halfmissing = 0;               // genotypes with one allele missing, stored as missing
    Place end;                          // just after the file's last value
    long recodedline = 0;               // the first line of a name read as Windows-1252
    // MHC: the loci the file names, in order, each where it is first named;
    // none when its columns are the copies of one gene without a name.
    std::vector<std::string> mhcloci;
    std::vector<Place> mhclociplaces;
    // MHC: for each entry pickcopies() was given (a column, or a locus of
    // the file), the MHC locus it is read as, -1 when not read. The labels
    // of MHC locus k are labels[k].
    std::vector<int> mhclocusof;
    // MHC of a format that names loci of two alleles (GenAlEx, STRUCTURE,
    // GENEPOP): per locus of the file, whether its alleles are copies read.
    std::vector<bool> readlocus;
};

// Empties `set` for the file `name`.
void startset(RawSet& set, const std::string& name, Role role, Format format);

// The next line of `lines` that is not blank, or false at the end (where
// set.end is then set).
bool nextline(LineReader& lines, Line& line, RawSet& set);

// `raw`, the name of a population or locus found at `where`, as the program
// holds it (see decodename); the first line of a name read as
// Windows-1252 is kept in set.recodedline. Refuses a control character, at
// its own column; `what` ("population name") says what the name is.
std::string takename(RawSet& set, std::string_view raw, Place where, const char* what);

// An individual's label as the program compares it between the files:
// decoded as names are, but never refused, since only its equality counts.
std::string takelabel(std::string_view raw);

// The warning of a file whose names are read as Windows-1252 from `line`
// on (see decodename).
std::string recodedwarning(const std::string& file, long line);

// The population named `name`, or null.
RawPopulation* findpopulation(RawSet& set, const std::string& name);

// A new population at the end of the set.
RawPopulation& addpopulation(RawSet& set, const std::string& name, Place where);

// Stores one MIC-style genotype (or the two GENEPOP copies of an MHC
// individual) at the end of `pop`: a genotype with one allele missing is
// counted in set.halfmissing and stored as missing altogether.
void addgenotype(RawSet& set, RawPopulation& pop, std::int32_t a, std::int32_t b);

// The loci of a format that gives two alleles per locus (GenAlEx,
// STRUCTURE): for the MIC set, its loci; for the MHC set, the copies, two
// per locus of the file, of the locus `pick` names, or of every locus (see
// pickcopies). Refuses, at the name's place, an MHC locus beyond the copies'
// limit, a MIC locus named twice, a pick that is no locus of the file.
void setloci(RawSet& set, const std::vector<std::string>& names, const std::vector<Place>& places,
             std::string_view pick = {});

// One individual of such a format: two label numbers per locus of the file
// (of the loci set.readlocus keeps, for the MHC set).
void addindividual(RawSet& set, RawPopulation& pop, const std::int32_t* alleles);

// Whether the alleles of locus `l` of the file are read: every MIC locus,
// the MHC loci set.readlocus keeps.
inline bool readslocus(const RawSet& set, std::size_t l) { return set.role == Role::mic || set.readlocus[l]; }

// The labels of locus `l` of the file (an MHC locus's, for the MHC set).
inline AlleleLabels& locuslabels(RawSet& set, std::size_t l) {
    return set.labels[set.role == Role::mhc ? static_cast<std::size_t>(set.mhclocusof[l]) : l];
}

// Refuses a locus name given before, at the second place.
void checkdistinctloci(const std::string& name, const std::vector<std::string>& names,
                       const std::vector<Place>& places);

}  // namespace gstboot
