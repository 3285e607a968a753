#include "driver/run.h"

#include <cerrno>
#include <cstring>
#include <ctime>

#include "data/error.h"
#include "driver/options.h"
#include "driver/outfile.h"
#include "driver/report.h"
#include "driver/signals.h"

namespace gstboot {

namespace {

// Standard output is part of the result: a run whose console text was lost
// has failed, even if its report file could be written.
void flushstdout() {
    errno = 0;
    bool failed = std::fflush(stdout) != 0;
    int err = errno;
    if (failed || std::ferror(stdout)) {
        throw Error(EXIT_INPUT, std::string("gstboot: cannot write standard output") +
                                    (err != 0 ? std::string(": ") + std::strerror(err) : std::string()));
    }
}

}  // namespace

void runreplicates(const DataSet& ds, Random& rng, Workspace& work, ResultTables& tables, std::FILE* console) {
    cleartables(tables);
    for (int r = 0; r < NREP; ++r) {
        if (r % 100 == 0) {
            std::fprintf(console, "%5d", 10 - r / 100);
            std::fflush(console);
        }
        resample(ds, work.rep, rng);
        scorepairs(ds, work.rep.present, work.rep.rmhc, work.rep.rmic, work.scratch, work.est);
        accumulate(ds.npop, work.est, r, tables);
    }
}

int run(const Options& options) {
    if (options.help) {
        std::fputs(usage().c_str(), stdout);
        flushstdout();
        return 0;
    }
    if (options.version) {
        std::printf("gstboot %s\n", VERSION);
        flushstdout();
        return 0;
    }
    // The seed is taken before reading, as the clock would be read first.
    const std::uint32_t seed =
        options.hasseed ? options.seed : static_cast<std::uint32_t>(std::time(nullptr));

    installsignalhandlers();
    auto ds = std::make_unique<DataSet>();
    std::vector<std::string> warnings;
    readdata(options.inputs, *ds, warnings);
    for (const std::string& w : warnings) std::fprintf(stderr, "%s\n", w.c_str());
    std::fprintf(stderr, "seed: %u\n", seed);

    // Opened before the replicates, so that an output that cannot be created
    // is reported at once rather than after the whole run.
    OutputFile out(options.output);
    auto work = std::make_unique<Workspace>();
    auto tables = std::make_unique<ResultTables>();
    Random rng;
    rng.srand(seed);
    runreplicates(*ds, rng, *work, *tables, stdout);

    report(ds->npop, *tables, stdout, out);
    // Console first: when it fails, the previous report file is kept.
    flushstdout();
    out.commit();
    return 0;
}

}  // namespace gstboot
