// The population map of a VCF file (--popmap): one line per sample, its
// name and its population's, separated by tabs or spaces, no header; in
// UTF-8 or UTF-16 (with its byte-order mark), names that are not UTF-8 read
// as Windows-1252, as in the data files.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "input/textfile.h"

namespace gstboot {

struct PopMap {
    std::string file;  // the name messages give
    struct Entry {
        std::string population;
        Place place;  // where the sample's line begins
    };
    std::map<std::string, Entry> samples;
    std::vector<std::string> populations;  // in the order they first appear
};

// Reads `path`. Blank lines are skipped. Throws Error (status 1) at the
// line of a fault: a line without exactly two fields, a name with a control
// character, a sample mapped a second time (to the same population or
// another). A name read as Windows-1252 is warned of once, in `warnings`.
PopMap readpopmap(const std::string& path, std::vector<std::string>& warnings);

}  // namespace gstboot
