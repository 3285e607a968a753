#include "input/reader.h"

#include <cerrno>
#include <cinttypes>
#include <cstring>
#include <memory>

#include "common/error.h"
#include "input/tokens.h"

namespace gstboot {

namespace {


// Reads the values of one file in order, knowing how many the file must hold
// so far, so that a short file can be reported with both counts.
class ValueReader {
public:
    // `most`: the values the file may hold at all (see limits.h).
    ValueReader(std::FILE* file, const std::string& name, long most) : tokens_(file, name), most_(most) {}

    // `needed`: the number of values the file is known to need, counting this
    // one. `what` describes the value ("allele code of population 2, ...").
    template <class Describe>
    std::int32_t read(long needed, Describe what, std::int32_t lo, std::int32_t hi, bool check) {
        Token token;
        if (!tokens_.next(token)) {
            // The place just after the last value, where the missing one would
            // have stood; blank lines after it carry nothing to point at.
            throw Error(ErrorKind::input, tokens_.name() + ":" + std::to_string(endline_) + ":" +
                                        std::to_string(endcolumn_) + ": the file ends where the " + what() +
                                        " was expected: it needs at least " + std::to_string(needed) +
                                        (needed == 1 ? " value" : " values") + " and holds " +
                                        std::to_string(count_));
        }
        ++count_;
        endline_ = token.line;
        endcolumn_ = token.column + static_cast<long>(token.length);
        if (token.length >= Token::longest) {
            throw Error(ErrorKind::input, where(token) + "expected the " + what() + ", but '" + showtoken(token) +
                                              "' is longer than " + std::to_string(Token::longest) +
                                              " bytes, more than any value of the legacy layout; it is not read further");
        }
        std::int32_t value = 0;
        bool overflow = false;
        if (!parseint32(token.text, value, overflow) || token.truncated) {
            bool digits = !token.text.empty() &&
                          token.text.find_first_not_of("+-0123456789") == std::string::npos;
            std::string why = (overflow || (token.truncated && digits))
                                  ? "' does not fit in 32 bits"
                                  : "' is not a decimal integer";
            throw Error(ErrorKind::input, where(token) + "expected the " + what() + ", but '" +
                                        showtoken(token) + why);
        }
        if (check && (value < lo || value > hi)) {
            std::string w = what();
            // "sample size of population 3 is 250, outside 0..200"
            throw Error(ErrorKind::input, where(token) + w + " is " + std::to_string(value) + ", outside " +
                                        std::to_string(lo) + ".." + std::to_string(hi));
        }
        return value;
    }

    // Counts the values left after the last one needed, reading to the end;
    // `set` ("MHC") names the file's kind where one beyond the most it may
    // hold is refused.
    long rest(const char* set) {
        Token token;
        long n = 0;
        while (tokens_.next(token)) {
            if (count_ + n == most_) {
                throw Error(ErrorKind::input, where(token) + "the file goes on after " + std::to_string(most_) +
                                                  " values, the most a legacy " + set +
                                                  " file holds at every limit; it is not read further (is it an "
                                                  "endless input?)");
            }
            ++n;
        }
        return n;
    }

    long count() const { return count_; }

private:
    std::string where(const Token& t) const {
        return tokens_.name() + ":" + std::to_string(t.line) + ":" + std::to_string(t.column) + ": ";
    }

    TokenStream tokens_;
    long most_;
    long count_ = 0;
    long endline_ = 1;
    long endcolumn_ = 1;
};

std::string num(long v) { return std::to_string(v); }

// `set`: "MHC" or "MIC", naming the data set beside its file.
void warnrest(ValueReader& in, const std::string& name, const char* set, std::vector<std::string>& warnings) {
    long extra = in.rest(set);
    if (extra > 0) {
        warnings.push_back(name + ": warning: " + set + " data set: " + num(extra) +
                           (extra == 1 ? " value" : " values") + " after the last one needed (" +
                           num(in.count()) + ") " +
                           (extra == 1 ? "is ignored and enters" : "are ignored and enter") +
                           " no estimate; check that the counts at the top of the file are right");
    }
}


}  // namespace

void readmhc(std::FILE* file, const std::string& name, DataSet& ds, std::vector<std::string>& warnings) {
    ValueReader in(file, name, MAXMHCVALUES);
    auto label = [](const char* s) { return [s] { return std::string(s); }; };
    const std::int32_t npop = in.read(4, label("population count (npop)"), 0, MAXPOP, true);
    const std::int32_t copies = in.read(4, label("number of MHC copies per individual"), 0, MAXCOPIES, true);
    // A switch of the layout is on only when it is exactly 1.
    ds.settings.corrflag = in.read(4, label("correction switch"), 0, 0, false) == 1;
    ds.settings.bootmhc = in.read(4, label("MHC resampling switch"), 0, 0, false) == 1;
    long needed = 4 + npop;
    std::vector<std::int32_t> sizes(static_cast<std::size_t>(npop));
    for (int p = 0; p < npop; ++p) {
        sizes[static_cast<std::size_t>(p)] =
            in.read(needed, [p] { return "MHC sample size of population " + num(p + 1); }, 0, MAXIND, true);
    }
    ds.shapemhc(sizes, copies, NALLELE);
    for (int p = 0; p < ds.npop; ++p) needed += static_cast<long>(ds.nmhc[p]) * ds.mhccopies;
    for (int p = 0; p < ds.npop; ++p) {
        for (int i = 0; i < ds.nmhc[p]; ++i) {
            for (int c = 0; c < ds.mhccopies; ++c) {
                std::int32_t code = in.read(
                    needed,
                    [p, i, c] {
                        return "allele code of population " + num(p + 1) + ", individual " + num(i + 1) +
                               ", copy " + num(c + 1);
                    },
                    0, NALLELE - 1, true);
                ds.mhc[p][i][c] = code;
                ds.present[0][code] = 1;
            }
        }
    }
    warnrest(in, name, "MHC", warnings);
}

void readmic(std::FILE* file, const std::string& name, DataSet& ds, std::vector<std::string>& warnings) {
    if (ds.npop < 0 || ds.npop > MAXPOP || ds.nmhc.size() != static_cast<std::size_t>(ds.npop)) {
        // Only a caller that skipped readmhc gets here; refuse rather than
        // index past the sample size arrays.
        throw Error(ErrorKind::input, name + ": no valid population count from the MHC file (" +
                                    num(ds.npop) + ")");
    }
    ValueReader in(file, name, MAXMICVALUES);
    auto label = [](const char* s) { return [s] { return std::string(s); }; };
    const std::int32_t nloci = in.read(3, label("number of loci (nloci)"), 0, MAXLOCI, true);
    ds.settings.bootmic = in.read(3, label("MIC resampling switch"), 0, 0, false) == 1;
    ds.settings.bootloci = in.read(3, label("locus resampling switch"), 0, 0, false) == 1;
    long needed = 3 + ds.npop;
    std::vector<std::int32_t> sizes(static_cast<std::size_t>(ds.npop));
    for (int p = 0; p < ds.npop; ++p) {
        sizes[static_cast<std::size_t>(p)] =
            in.read(needed, [p] { return "MIC sample size of population " + num(p + 1); }, 0, MAXIND, true);
    }
    ds.shapemic(sizes, nloci, {NALLELE});
    for (int p = 0; p < ds.npop; ++p) needed += static_cast<long>(ds.nmic[p]) * ds.nloci * 2;
    for (int p = 0; p < ds.npop; ++p) {
        for (int i = 0; i < ds.nmic[p]; ++i) {
            for (int l = 0; l < ds.nloci; ++l) {
                for (int a = 0; a < 2; ++a) {
                    std::int32_t code = in.read(
                        needed,
                        [p, i, l, a] {
                            return "allele code of population " + num(p + 1) + ", individual " + num(i + 1) +
                                   ", locus " + num(l + 1) + ", allele " + num(a + 1);
                        },
                        0, NALLELE - 1, true);
                    ds.mic[p][i][l][a] = code;
                    ds.present[1 + l][code] = 1;
                }
            }
        }
    }
    warnrest(in, name, "MIC", warnings);
}

}  // namespace gstboot
