#include "driver/run.h"

#include <ctime>

#include "data/error.h"
#include "driver/extras.h"
#include "driver/options.h"
#include "driver/outfile.h"
#include "driver/report.h"

namespace gstboot {

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
        return 0;
    }
    if (options.version) {
        std::printf("gstboot %s\n", VERSION);
        return 0;
    }
    // The seed is taken before reading, as the clock would be read first.
    const std::uint32_t seed =
        options.hasseed ? options.seed : static_cast<std::uint32_t>(std::time(nullptr));

    auto ds = std::make_unique<DataSet>();
    std::vector<std::string> warnings;
    readdata(options.inputs, *ds, warnings);
    for (const std::string& w : warnings) std::fprintf(stderr, "%s\n", w.c_str());
    std::fprintf(stderr, "seed: %u\n", seed);

    auto work = std::make_unique<Workspace>();
    auto tables = std::make_unique<ResultTables>();
    Random rng;
    rng.srand(seed);
    runreplicates(*ds, rng, *work, *tables, stdout);

    Extras extras = collectextras(options, *ds, *tables, stderr);  // before report() sorts and folds
    OutputFile out(options.output);
    report(ds->npop, *tables, stdout, out);
    out.commit();
    writeextras(options, seed, *tables, extras);  // from the sorted rows
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        throw Error(EXIT_INPUT, "gstboot: cannot write standard output");
    }
    return 0;
}

}  // namespace gstboot
