#include "driver/run.h"

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "data/error.h"
#include "data/inputs.h"
#include "driver/extras.h"
#include "driver/options.h"
#include "driver/outfile.h"
#include "driver/report.h"
#include "driver/signals.h"
#include "estimates/engine.h"
#include "resampling/resample.h"

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

void countdown(std::FILE* console, int r) {
    std::fprintf(console, "%5d", 10 - r / 100);
    std::fflush(console);
}

void runreference(const DataSet& ds, Random& rng, ResultTables& tables, std::FILE* console) {
    auto rep = std::make_unique<Replicate>();
    auto scratch = std::make_unique<PairScratch>();
    auto est = std::make_unique<PairEstimates>();
    for (int r = 0; r < NREP; ++r) {
        if (r % 100 == 0) countdown(console, r);
        resample(ds, *rep, rng);
        scorepairs(ds, rep->present, rep->rmhc, rep->rmic, *scratch, *est);
        storeestimates(ds.npop, *est, r, tables);
    }
}

// One worker's storage, allocated before the first replicate.
struct Worker {
    Engine::WorkPtr work;
    std::unique_ptr<ReplicateIndex> index = std::make_unique<ReplicateIndex>();
    std::unique_ptr<PairEstimates> est = std::make_unique<PairEstimates>();
};

void runengine(const DataSet& ds, std::uint32_t seed, int threads, ResultTables& tables, std::FILE* console) {
    const Engine engine(ds);
    if (threads > NREP) threads = NREP;
    std::vector<Worker> workers(static_cast<std::size_t>(threads));
    for (Worker& w : workers) w.work = engine.makework();

    if (threads == 1) {
        Worker& w = workers[0];
        Random rng;
        rng.srand(seed);
        for (int r = 0; r < NREP; ++r) {
            if (r % 100 == 0) countdown(console, r);
            drawreplicate(ds, *w.index, rng);
            engine.score(*w.index, *w.work, *w.est);
            storeestimates(ds.npop, *w.est, r, tables);
        }
        return;
    }

    const std::uint64_t perrep = drawcount(ds);
    std::atomic<int> next{0};
    std::mutex mutex;
    std::condition_variable progress;
    int done = 0;
    auto body = [&](Worker& w) {
        for (;;) {
            const int r = next.fetch_add(1);
            if (r >= NREP) return;
            Random rng;
            rng.srand(seed);
            rng.discard(perrep * static_cast<std::uint64_t>(r));
            drawreplicate(ds, *w.index, rng);
            engine.score(*w.index, *w.work, *w.est);
            storeestimates(ds.npop, *w.est, r, tables);  // replicate r's own slots
            std::lock_guard<std::mutex> lock(mutex);
            ++done;
            progress.notify_one();
        }
    };
    std::vector<std::thread> pool;
    for (Worker& w : workers) pool.emplace_back(body, std::ref(w));
    // The countdown shows progress; its text does not depend on the timing.
    for (int shown = 0; shown < NREP; shown += 100) {
        std::unique_lock<std::mutex> lock(mutex);
        progress.wait(lock, [&] { return done >= shown; });
        lock.unlock();
        countdown(console, shown);
    }
    for (std::thread& t : pool) t.join();
}

}  // namespace

void runreplicates(const DataSet& ds, std::uint32_t seed, int threads, bool reference, ResultTables& tables,
                   std::FILE* console) {
    if (reference) {
        Random rng;
        rng.srand(seed);
        runreference(ds, rng, tables, console);
    } else {
        runengine(ds, seed, threads < 1 ? 1 : threads, tables, console);
    }
    summarize(ds.npop, tables);
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
    std::unique_ptr<DataSet> ds(new DataSet);  // genotypes not zeroed (see DataSet)
    std::vector<std::string> warnings;
    readinputs(InputSpec{options.inputs, options.mhcformat, options.micformat, options.correction, options.resample},
               *ds, warnings);
    for (const std::string& w : warnings) std::fprintf(stderr, "%s\n", w.c_str());
    std::fprintf(stderr, "seed: %u\n", seed);
    std::fprintf(stderr, "settings: %s\n", describesettings(*ds).c_str());

    // Opened before the replicates, so that an output that cannot be created
    // is reported at once rather than after the whole run.
    OutputFile out(options.output);
    std::unique_ptr<OutputFile> tablefile, plotfile;
    if (!options.table.empty()) tablefile = std::make_unique<OutputFile>(options.table);
    if (!options.plot.empty()) plotfile = std::make_unique<OutputFile>(options.plot);

    int threads = options.threads;
    if (threads == 0) threads = static_cast<int>(std::thread::hardware_concurrency());
    // Not value-initialised: only the used pairs' rows are ever written and
    // read, and zeroing 40 MB would touch every page.
    std::unique_ptr<ResultTables> tables(new ResultTables);
    runreplicates(*ds, seed, threads < 1 ? 1 : threads, options.reference, *tables, stdout);

    Extras extras = collectextras(options, *ds, *tables, stderr);  // before report() sorts and folds
    report(ds->npop, *tables, stdout, out);
    // Console first: when it fails, the previous report file is kept.
    flushstdout();
    out.commit();
    writeextras(seed, *tables, extras, tablefile.get(), plotfile.get());  // from the sorted rows
    if (tablefile) tablefile->commit();
    if (plotfile) plotfile->commit();
    return 0;
}

}  // namespace gstboot
