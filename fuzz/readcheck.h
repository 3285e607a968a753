// One hostile input through the reader, and the reader's contract checked on
// the outcome. Shared by the fuzz targets and by the test that replays every
// input a fuzzer ever flagged, so both judge an input the same way.
//
// Input formats: an MHC input is the MHC file's bytes. An MIC input is one
// byte whose value modulo 51 is the population count readmhc would have
// given, then the MIC file's bytes.
// A GENEPOP, table, GenAlEx or STRUCTURE input is one byte whose lowest bit
// says which data set the file holds (0 MHC, 1 MIC) and whose second bit
// whether its format is told from its content (else it is read as the
// target's kind), then the file's bytes, in any encoding: it goes through
// the same opening (UTF-16 conversion, detection) as a file named on the
// command line, and is coded into a data set.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "model/dataset.h"
#include "common/error.h"
#include "input/combine.h"
#include "input/detect.h"
#include "input/genalex.h"
#include "input/genepop.h"
#include "input/mhcloci.h"
#include "input/reader.h"
#include "input/structure.h"
#include "input/tidytable.h"

namespace gstboot {
namespace readcheck {

enum class Kind { mhc, mic, genepop, table, genalex, structure };

inline const char* filename(Kind kind) {
    switch (kind) {
        case Kind::mhc: return "MHCdata.txt";
        case Kind::mic: return "MICdata.txt";
        case Kind::genepop: return "data.gen";
        case Kind::genalex: return "data.csv";
        case Kind::structure: return "data.str";
        case Kind::table: break;
    }
    return "data.tsv";
}

inline Format formatof(Kind kind) {
    switch (kind) {
        case Kind::genepop: return Format::genepop;
        case Kind::genalex: return Format::genalex;
        case Kind::structure: return Format::structure;
        default: return Format::table;
    }
}

// A read stream over `size` bytes; fmemopen refuses an empty buffer.
inline std::FILE* openbytes(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return std::fopen("/dev/null", "rb");
    return fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
}

inline bool within(std::int32_t v, std::int32_t lo, std::int32_t hi) { return v >= lo && v <= hi; }

// What a clean read promises about the data set; "" when all of it holds.
inline std::string checkmhc(const DataSet& ds) {
    if (!within(ds.npop, 0, MAXPOP) || !within(ds.mhccopies, 0, MAXCOPIES)) return "MHC counts out of range";
    for (int p = 0; p < ds.npop; ++p) {
        if (!within(ds.nmhc[p], 0, MAXIND)) return "MHC sample size out of range";
        for (int i = 0; i < ds.nmhc[p]; ++i)
            for (int c = 0; c < ds.mhccopies; ++c)
                if (!within(ds.mhc[p][i][c], 0, NALLELE - 1) || ds.present[0][ds.mhc[p][i][c]] != 1)
                    return "MHC code out of range or not marked present";
    }
    for (int a = 0; a < ds.present.width(0); ++a)
        if (!within(ds.present[0][a], 0, 1)) return "MHC presence entry not 0 or 1";
    return "";
}

inline std::string checkmic(const DataSet& ds) {
    if (!within(ds.nloci, 0, MAXLOCI)) return "nloci out of range";
    for (int p = 0; p < ds.npop; ++p) {
        if (!within(ds.nmic[p], 0, MAXIND)) return "MIC sample size out of range";
        for (int i = 0; i < ds.nmic[p]; ++i)
            for (int l = 0; l < ds.nloci; ++l)
                for (int a = 0; a < 2; ++a)
                    if (!within(ds.mic[p][i][l][a], 0, NALLELE - 1) ||
                        ds.present[1 + l][ds.mic[p][i][l][a]] != 1)
                        return "MIC code out of range or not marked present";
    }
    if (ds.present.rows() != 1 + ds.nloci) return "presence rows do not match the loci";
    for (int r = 1; r <= ds.nloci; ++r)
        for (int a = 0; a < ds.present.width(r); ++a)
            if (!within(ds.present[r][a], 0, 1)) return "MIC presence entry not 0 or 1";
    return "";
}

// A set coded from a named format: codes within their row of the presence
// table or MISSING for both alleles of a genotype, MISSING never present,
// names for every population and locus. The named formats have no limits
// but the MHC copies.
inline std::string checkcoded(const DataSet& ds, bool mhc) {
    if (static_cast<int>(ds.popnames.size()) != ds.npop || ds.npop < 1) return "population names or count wrong";
    if (mhc) {
        if (!within(ds.mhccopies, 1, MAXNAMEDCOPIES)) return "MHC copies out of range";
        for (int p = 0; p < ds.npop; ++p)
            for (int i = 0; i < ds.nmhc[p]; ++i)
                for (int c = 0; c < ds.mhccopies; ++c)
                    if (!within(ds.mhc[p][i][c], 0, ds.present.width(0) - 1) || ds.present[0][ds.mhc[p][i][c]] != 1)
                        return "MHC code out of range or not marked present";
        return "";
    }
    if (static_cast<int>(ds.locusnames.size()) != ds.nloci || ds.nloci < 1) return "locus names or count wrong";
    if (ds.present.rows() != 1 + ds.nloci) return "presence rows do not match the loci";
    bool missing = false;
    for (int p = 0; p < ds.npop; ++p) {
        if (ds.nmic[p] < 1) return "MIC sample size out of range";
        for (int i = 0; i < ds.nmic[p]; ++i)
            for (int l = 0; l < ds.nloci; ++l) {
                const MicGenotype& g = ds.mic[p][i][l];
                if (g[0] == MISSING || g[1] == MISSING) {
                    if (g[0] != g[1]) return "a genotype with one allele MISSING";
                    missing = true;
                    continue;
                }
                for (int a = 0; a < 2; ++a)
                    if (!within(g[a], 0, ds.present.width(1 + l) - 1) || ds.present[1 + l][g[a]] != 1)
                        return "MIC code out of range or not marked present";
            }
    }
    if (missing != ds.micmissing) return "micmissing does not say whether a genotype is MISSING";
    for (int r = 1; r <= ds.nloci; ++r)
        for (int a = 0; a < ds.present.width(r); ++a)
            if (!within(ds.present[r][a], 0, 1)) return "MIC presence entry not 0 or 1";
    return "";
}

// An Error as the contract wants it: status 1, one line on stderr, naming the file.
inline std::string checkerror(const Error& e, const std::string& name) {
    std::string m = e.what();
    if (e.kind() != ErrorKind::input) return "error status " + std::to_string(e.status());
    if (!e.console().empty()) return "error on the wrong channel";
    if (m.rfind(name + ":", 0) != 0) return "error does not name the file: " + m;
    if (m.find('\n') != std::string::npos) return "error message is not one line";
    return "";
}

// A named-format input (see above) into `ds`.
inline std::string replaynamed(Kind kind, const std::uint8_t* data, std::size_t size, DataSet& ds) {
    if (size == 0) return "";
    const bool mhc = (data[0] & 1) == 0;
    const bool detect = (data[0] & 2) != 0;
    const std::string name = filename(kind);
    std::FILE* file = openbytes(data + 1, size - 1);
    if (!file) return "cannot open a stream over the input";
    std::vector<std::string> warnings;
    std::string problem;
    try {
        OpenedInput in = openstream(FilePtr(file), name, detect ? Format::automatic : formatof(kind), "--mhc-format");
        if (in.format == Format::legacy) return "";  // the legacy targets' part
        RawSet set;
        const Role role = mhc ? Role::mhc : Role::mic;
        const MissingCodes missing;
        LineReader lines(in.file.get(), name, MAXLINE, in.encoding);
        switch (in.format) {
            case Format::genepop: readgenepop(lines, role, set); break;
            case Format::genalex: readgenalex(lines, role, missing, set); break;
            case Format::structure: readstructure(lines, role, missing, set); break;
            default: readtable(lines, role, missing, set); break;
        }
        if (mhc) {
            refusemhcloci(set, -1, "");  // several loci, none picked: refused as the run refuses them
            fillmhc(set, ds, warnings);
        } else {
            std::vector<std::size_t> order;
            for (std::size_t p = 0; p < set.pops.size(); ++p) order.push_back(p);
            ds.shapemhc(std::vector<std::int32_t>(set.pops.size(), 0), 0, 0);
            ds.popnames.clear();
            for (const RawPopulation& p : set.pops) ds.popnames.push_back(p.name);
            fillmic(set, order, ds, warnings);
        }
        problem = checkcoded(ds, mhc);
        if (warnings.size() > 3) problem = "more than three warnings for one file";
        for (const std::string& w : warnings)
            if (w.rfind(name + ": warning: ", 0) != 0) problem = "warning does not name the file: " + w;
    } catch (const Error& e) {
        problem = checkerror(e, name);
    }
    return problem;
}

// Reads one input into `ds`. Returns "" when the outcome keeps the contract:
// a data set within the limits (and at most one warning), or an Error with
// status 1 on standard error whose message begins with the file's name.
// Anything else, an exception of another type included, is described.
inline std::string replay(Kind kind, const std::uint8_t* data, std::size_t size, DataSet& ds) {
    if (kind != Kind::mhc && kind != Kind::mic) return replaynamed(kind, data, size, ds);
    const std::string name = filename(kind);
    if (kind == Kind::mic) {
        if (size == 0) return "";
        ds.shapemhc(std::vector<std::int32_t>(data[0] % (MAXPOP + 1), 0), 0, NALLELE);
        ++data;
        --size;
    }
    std::FILE* file = openbytes(data, size);
    if (!file) return "cannot open a stream over the input";
    std::vector<std::string> warnings;
    std::string problem;
    try {
        if (kind == Kind::mhc) {
            readmhc(file, name, ds, warnings);
            problem = checkmhc(ds);
        } else {
            readmic(file, name, ds, warnings);
            problem = checkmic(ds);
        }
        if (warnings.size() > 1) problem = "more than one warning for one file";
        for (const std::string& w : warnings)
            if (w.rfind(name + ": warning: ", 0) != 0) problem = "warning does not name the file: " + w;
    } catch (const Error& e) {
        std::string m = e.what();
        if (e.kind() != ErrorKind::input) problem = "error status " + std::to_string(e.status());
        else if (!e.console().empty()) problem = "error on the wrong channel";
        else if (m.rfind(name + ":", 0) != 0) problem = "error does not name the file: " + m;
        else if (m.find('\n') != std::string::npos) problem = "error message is not one line";
    }
    std::fclose(file);
    return problem;
}

}  // namespace readcheck
}  // namespace gstboot
