#include "input/missing.h"

namespace gstboot {

namespace {

// The digits of an optionally signed number without leading zeros, and its
// sign; false when `text` is not one.
bool numberform(std::string_view text, bool& negative, std::string_view& digits) {
    negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) text.remove_prefix(1);
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos) return false;
    while (text.size() > 1 && text[0] == '0') text.remove_prefix(1);
    digits = text;
    if (digits == "0") negative = false;
    return true;
}

}  // namespace

MissingCodes::MissingCodes() : codes_{"NA", "na", "N/A", "NaN", "?", ".", "-", "-9", "0"} {}

bool MissingCodes::missing(std::string_view cell) const {
    // Excel's not-available cell is never an allele, whatever the codes.
    if (cell.empty() || cell == "#N/A") return true;
    bool cellsign = false;
    std::string_view celldigits;
    const bool cellnumber = numberform(cell, cellsign, celldigits);
    for (const std::string& code : codes_) {
        if (cell == code) return true;
        bool sign = false;
        std::string_view digits;
        if (cellnumber && numberform(code, sign, digits) && sign == cellsign && digits == celldigits) return true;
    }
    return false;
}

std::string MissingCodes::list() const {
    std::string out;
    for (const std::string& code : codes_) out += (out.empty() ? "" : ",") + code;
    return out;
}

bool parsemissing(std::string_view list, MissingCodes& codes) {
    std::vector<std::string> parsed;
    for (;;) {
        const std::size_t comma = list.find(',');
        const std::string_view code = list.substr(0, comma);
        if (code.empty()) return false;
        parsed.emplace_back(code);
        if (comma == std::string_view::npos) break;
        list.remove_prefix(comma + 1);
    }
    codes = MissingCodes(std::move(parsed));
    return true;
}

}  // namespace gstboot
