// The cells that mean "not typed" in tables, GenAlEx and STRUCTURE files.
// (GENEPOP writes a missing allele as zeros; the legacy layout has none.)
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace gstboot {

class MissingCodes {
public:
    // The usual codes of these formats: NA, na, N/A, NaN, ?, ., -, -9 and 0.
    MissingCodes();
    explicit MissingCodes(std::vector<std::string> codes) : codes_(std::move(codes)) {}

    // An empty cell, and Excel's #N/A, are always missing; otherwise the
    // cell is one of the codes, where a number matches a number of the same
    // value ("00" and "0", "-09" and "-9").
    bool missing(std::string_view cell) const;

    // The codes as --missing takes them: "NA,na,N/A,NaN,?,.,-,-9,0".
    std::string list() const;

private:
    std::vector<std::string> codes_;
};

// A --missing LIST: codes separated by commas, none empty. False when the
// list is not one.
bool parsemissing(std::string_view list, MissingCodes& codes);

}  // namespace gstboot
