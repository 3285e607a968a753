// One hostile input through the reader, and the reader's contract checked on
// the outcome. Shared by the fuzz targets and by the test that replays every
// input a fuzzer ever flagged, so both judge an input the same way.
//
// Input formats: an MHC input is the MHC file's bytes. An MIC input is one
// byte whose value modulo 51 is the population count readmhc would have
// given, then the MIC file's bytes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "data/dataset.h"
#include "common/error.h"
#include "data/reader.h"

namespace gstboot {
namespace readcheck {

enum class Kind { mhc, mic };

inline const char* filename(Kind kind) { return kind == Kind::mhc ? "MHCdata.txt" : "MICdata.txt"; }

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
    for (int a = 0; a < NALLELE; ++a)
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
    for (int r = 1; r <= MAXLOCI; ++r)
        for (int a = 0; a < NALLELE; ++a)
            if (!within(ds.present[r][a], 0, 1)) return "MIC presence entry not 0 or 1";
    return "";
}

// Reads one input into `ds`. Returns "" when the outcome keeps the contract:
// a data set within the limits (and at most one warning), or an Error with
// status 1 on standard error whose message begins with the file's name.
// Anything else, an exception of another type included, is described.
inline std::string replay(Kind kind, const std::uint8_t* data, std::size_t size, DataSet& ds) {
    const std::string name = filename(kind);
    if (kind == Kind::mic) {
        if (size == 0) return "";
        ds.npop = data[0] % (MAXPOP + 1);
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
