// The package's entry points: a whole study run by the program's own core,
// its summary handed to R with the very doubles the table prints.
#include <R_ext/Rdynload.h>

#include <Rcpp.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "common/error.h"
#include "driver/options.h"
#include "driver/study.h"
#include "estimates/isa.h"
#include "neutral/neutraltest.h"
#include "output/neutraltext.h"
#include "output/table.h"
#include "output/warnings.h"

#if defined(__FAST_MATH__)
#error "fast math changes the results; remove -ffast-math (or -Ofast) from the compiler flags"
#endif

namespace {

void checkinterrupt(void*) { R_CheckUserInterrupt(); }

// True once R has been asked to interrupt. R_ToplevelExec keeps R's long
// jump from crossing the core's frames; only the calling thread asks.
bool interrupted() { return R_ToplevelExec(checkinterrupt, nullptr) == FALSE; }

std::vector<std::string> columnnames() {
    std::vector<std::string> names;
    std::string header = gstboot::tableheader();
    header.pop_back();  // its line end
    std::size_t start = 0;
    for (std::size_t tab; (tab = header.find('\t', start)) != std::string::npos; start = tab + 1) {
        names.push_back(header.substr(start, tab - start));
    }
    names.push_back(header.substr(start));
    return names;
}

void append(std::vector<std::string>& to, const std::vector<std::string>& lines) {
    to.insert(to.end(), lines.begin(), lines.end());
}

// One data set's columns.
struct SetColumns {
    explicit SetColumns(R_xlen_t n)
        : observed(n), mean(n), median(n), lower(n), upper(n), cilower(n), ciupper(n), finite(n) {}
    void set(R_xlen_t i, const gstboot::SetSummary& s) {
        observed[i] = s.observed;
        mean[i] = s.mean;
        median[i] = s.median;
        lower[i] = s.lower;
        upper[i] = s.upper;
        cilower[i] = s.cilower;
        ciupper[i] = s.ciupper;
        finite[i] = s.finite;
    }
    Rcpp::NumericVector observed, mean, median, lower, upper, cilower, ciupper;
    Rcpp::IntegerVector finite;
};

// The table's columns, in its order, from the same fields tabletext() prints.
Rcpp::List tablecolumns(const gstboot::RunSummary& run) {
    const auto n = static_cast<R_xlen_t>(run.pairs.size());
    Rcpp::IntegerVector pop1(n), pop2(n), nmhc1(n), nmhc2(n), nmic1(n), nmic2(n), micloci(n), loci(n);
    Rcpp::CharacterVector name1(n), name2(n);
    Rcpp::NumericVector frac(n), p(n), seed(n), z(n), np(n), nq(n), mhcd(n), micd(n), mhcg(n), micg(n);
    SetColumns mhc(n), mic(n);
    for (R_xlen_t i = 0; i < n; ++i) {
        const gstboot::PairSummary& s = run.pairs[static_cast<std::size_t>(i)];
        pop1[i] = s.pop1 + 1;
        pop2[i] = s.pop2 + 1;
        name1[i] = s.name1.empty() ? std::to_string(s.pop1 + 1) : s.name1;
        name2[i] = s.name2.empty() ? std::to_string(s.pop2 + 1) : s.name2;
        nmhc1[i] = s.mhc.n1;
        nmhc2[i] = s.mhc.n2;
        nmic1[i] = s.mic.n1;
        nmic2[i] = s.mic.n2;
        mhc.set(i, s.mhc);
        mic.set(i, s.mic);
        micloci[i] = s.micloci;
        // From the count, divided once, as the table does.
        const int folded = s.greater > gstboot::NREP - s.greater ? gstboot::NREP - s.greater : s.greater;
        frac[i] = s.greater / static_cast<double>(gstboot::NREP);
        p[i] = folded / static_cast<double>(gstboot::NREP);
        seed[i] = static_cast<double>(run.seed);  // beyond an R integer's range
        z[i] = s.neutral.z;
        np[i] = s.neutral.p;
        nq[i] = s.neutral.q;
        loci[i] = s.neutral.loci;
        mhcd[i] = s.mhc.jostd;
        micd[i] = s.mic.jostd;
        mhcg[i] = s.mhc.gppst;
        micg[i] = s.mic.gppst;
    }
    const std::vector<SEXP> columns = {
        pop1,          pop2,         name1,      name2,      nmhc1,       nmhc2,       nmic1,       nmic2,
        mhc.observed,  mhc.mean,     mhc.median, mhc.lower,  mhc.upper,   mhc.finite,  mic.observed, mic.mean,
        mic.median,    mic.lower,    mic.upper,  mic.finite, micloci,     frac,        p,           seed,
        mhc.cilower,   mhc.ciupper,  mic.cilower, mic.ciupper, z,         np,          nq,          loci,
        mhcd,          micd,         mhcg,       micg};
    const std::vector<std::string> names = columnnames();
    if (names.size() != columns.size()) {
        Rcpp::stop("gstboot: internal: the table has " + std::to_string(names.size()) + " columns, not " +
                   std::to_string(columns.size()));
    }
    Rcpp::List list(static_cast<R_xlen_t>(columns.size()));
    for (std::size_t c = 0; c < columns.size(); ++c) list[static_cast<R_xlen_t>(c)] = columns[c];
    list.attr("names") = Rcpp::wrap(names);
    return list;
}

SEXP runstudy(SEXP arguments) {
    const std::vector<std::string> args = Rcpp::as<std::vector<std::string>>(arguments);
    bool stopped = false;
    const gstboot::StopCheck stop = [&stopped] {
        if (!stopped) stopped = interrupted();
        return stopped;
    };
    try {
        const gstboot::Options options = gstboot::parseoptions(args);
        const gstboot::Isa isa = gstboot::chosenisa();
        gstboot::ReadStudy input = gstboot::readstudy(options);
        gstboot::fitstudy(options, input);
        gstboot::ScoredStudy scored =
            gstboot::scorestudy(input, options, isa, options.seed, nullptr, nullptr, &stop);
        const gstboot::RunSummary& run = scored.summary;
        std::vector<std::string> warnings = input.readwarnings;
        append(warnings, input.fitwarnings);
        append(warnings, scored.warnings);
        append(warnings, gstboot::estimatewarnings(run));
        append(warnings, gstboot::neutralwarnings(run, gstboot::MINLOCI));
        return Rcpp::List::create(Rcpp::Named("table") = tablecolumns(run),
                                  Rcpp::Named("settings") = input.settings,
                                  Rcpp::Named("read") = input.read.lines,
                                  Rcpp::Named("warnings") = warnings,
                                  Rcpp::Named("neutral") = gstboot::neutralline(run),
                                  Rcpp::Named("study") = gstboot::studylines(run),
                                  Rcpp::Named("report") = gstboot::reportlines(run));
    } catch (const gstboot::Error& e) {
        if (stopped) throw Rcpp::internal::InterruptedException();
        throw Rcpp::exception(e.what(), false);
    }
}

}  // namespace

extern "C" SEXP gstboot_run(SEXP arguments) {
    BEGIN_RCPP
    return runstudy(arguments);
    END_RCPP
}

// The doubles of `text` as the C library reads them, correctly rounded:
// the table's shortest forms come back to the same bits.
extern "C" SEXP gstboot_strtod(SEXP text) {
    BEGIN_RCPP
    const Rcpp::CharacterVector in(text);
    Rcpp::NumericVector out(in.size());
    for (R_xlen_t i = 0; i < in.size(); ++i) {
        out[i] = Rcpp::CharacterVector::is_na(in[i]) ? NA_REAL : std::strtod(in[i], nullptr);
    }
    return out;
    END_RCPP
}

// R's registration takes every entry point as one generic function type.
#if defined(__GNUC__)
#pragma GCC diagnostic ignored "-Wcast-function-type"
#endif
extern "C" void R_init_gstboot(DllInfo* dll) {
    static const R_CallMethodDef calls[] = {{"gstboot_run", reinterpret_cast<DL_FUNC>(&gstboot_run), 1},
                                            {"gstboot_strtod", reinterpret_cast<DL_FUNC>(&gstboot_strtod), 1},
                                            {nullptr, nullptr, 0}};
    R_registerRoutines(dll, nullptr, calls, nullptr, nullptr);
    R_useDynamicSymbols(dll, FALSE);
}
