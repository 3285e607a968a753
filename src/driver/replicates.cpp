#include "driver/replicates.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <new>

#include "driver/workers.h"
#include "resampling/resample.h"

namespace gstboot {

namespace {

void countdown(std::FILE* console, int r) {
    if (!console) return;
    std::fprintf(console, "%5d", 10 - r / 100);
    std::fflush(console);
}

// One worker's storage, allocated before its first replicate.
struct Worker {
    std::unique_ptr<Scorer::Work> work;
    std::unique_ptr<ReplicateIndex> index = std::make_unique<ReplicateIndex>();
    std::unique_ptr<PairEstimates> est = std::make_unique<PairEstimates>();
    std::unique_ptr<GlobalScratch> global;  // with measures over all populations only
};

void scoreone(const DataSet& ds, const Scorer& scorer, Worker& w, Random& rng, int r, ResultTables& tables,
              GlobalReplicates* globals) {
    drawreplicate(ds, *w.index, rng);
    scorer.score(*w.index, *w.work, *w.est);
    storeestimates(ds.npop, *w.est, r, tables);  // replicate r's own slots
    if (globals) globals->values[static_cast<std::size_t>(r)] = globals->counts->measure(*w.index, *w.global);
}

void runalone(const DataSet& ds, const Scorer& scorer, std::uint32_t seed, ResultTables& tables,
              GlobalReplicates* globals, std::FILE* console, Progress* progress, const StopCheck* stop) {
    Worker w;
    w.work = scorer.makework();
    if (globals) w.global = std::make_unique<GlobalScratch>();
    Random rng;
    rng.srand(seed);
    for (int r = 0; r < NREP; ++r) {
        if (r % 100 == 0) countdown(console, r);
        scoreone(ds, scorer, w, rng, r, tables, globals);
        if (progress) progress->update(r + 1);
        if (stopasked(stop)) throw stoppederror();
    }
}

// Shared state of the workers of one run.
class Pool {
public:
    Pool(const DataSet& ds, const Scorer& scorer, std::uint32_t seed, ResultTables& tables, GlobalReplicates* globals)
        : ds_(ds), scorer_(scorer), seed_(seed), tables_(tables), globals_(globals), perrep_(drawcount(ds)) {}

    ~Pool() { threads_.join(); }

    // Starts one more worker; false (with the reason) when it cannot be.
    bool start(std::string& why) {
        Worker* w = nullptr;
        try {
            workers_.push_back(std::make_unique<Worker>());
            w = workers_.back().get();
            w->work = scorer_.makework();
            if (globals_) w->global = std::make_unique<GlobalScratch>();
        } catch (const std::bad_alloc&) {
            if (w) workers_.pop_back();
            why = "out of memory";
            return false;
        }
        if (threads_.start([this, w] { body(w); }, why)) return true;
        workers_.pop_back();
        return false;
    }

    std::size_t size() const { return threads_.size(); }

    // Prints the countdown as replicates complete; returns when all are done
    // or a worker failed, or `stop` asked for it (the workers are then told
    // to stop). The countdown's text does not depend on timing; `progress`
    // is told of the replicates done a few times a second.
    void follow(std::FILE* console, Progress* progress, const StopCheck* stop) {
        for (int shown = 0; shown <= NREP; shown += 100) {
            std::unique_lock<std::mutex> lock(mutex_);
            while (done_ < shown && !failure_) {
                progress_.wait_for(lock, std::chrono::milliseconds(100));
                const int done = done_;
                lock.unlock();
                if (progress) progress->update(done);
                if (stopasked(stop)) {
                    stop_.store(true);
                    stopped_ = true;
                    return;
                }
                lock.lock();
            }
            if (failure_) return;
            lock.unlock();
            if (shown < NREP) countdown(console, shown);
        }
    }

    // Joins every worker and rethrows the first failure of one, or throws
    // stoppederror() when the run was stopped.
    void finish() {
        threads_.join();
        if (failure_) std::rethrow_exception(failure_);
        if (stopped_) throw stoppederror();
    }

private:
    void body(Worker* w) {
        try {
            for (;;) {
                if (stop_.load()) return;
                const int r = next_.fetch_add(1);
                if (r >= NREP) return;
                Random rng;
                rng.srand(seed_);
                rng.discard(perrep_ * static_cast<std::uint64_t>(r));
                scoreone(ds_, scorer_, *w, rng, r, tables_, globals_);
                std::lock_guard<std::mutex> lock(mutex_);
                ++done_;
                progress_.notify_one();
            }
        } catch (...) {
            stop_.store(true);
            std::lock_guard<std::mutex> lock(mutex_);
            if (!failure_) failure_ = std::current_exception();
            progress_.notify_one();
        }
    }

    const DataSet& ds_;
    const Scorer& scorer_;
    const std::uint32_t seed_;
    ResultTables& tables_;
    GlobalReplicates* const globals_;
    const std::uint64_t perrep_;
    std::atomic<int> next_{0};
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::condition_variable progress_;
    int done_ = 0;
    std::exception_ptr failure_;
    bool stopped_ = false;  // the calling thread's alone
    std::vector<std::unique_ptr<Worker>> workers_;
    Workers threads_;  // last: joined before the workers' storage goes
};

}  // namespace

void runreplicates(const DataSet& ds, const Scorer& scorer, std::uint32_t seed, int threads, ResultTables& tables,
                   std::FILE* console, std::vector<std::string>& warnings, Progress* progress,
                   const StopCheck* stop, GlobalReplicates* globals) {
    if (globals) globals->values.assign(NREP, GlobalValues{});
    if (threads > NREP) threads = NREP;
    if (threads <= 1) {
        runalone(ds, scorer, seed, tables, globals, console, progress, stop);
        return;
    }
    std::string why;
    {
        Pool pool(ds, scorer, seed, tables, globals);
        while (pool.size() < static_cast<std::size_t>(threads) && pool.start(why)) {
        }
        if (pool.size() > 0) {
            if (pool.size() < static_cast<std::size_t>(threads)) {
                warnings.push_back("gstboot: warning: only " + std::to_string(pool.size()) + " of " +
                                   std::to_string(threads) + " threads could be started (" + why +
                                   "); the results do not depend on the number of threads");
            }
            pool.follow(console, progress, stop);
            pool.finish();
            return;
        }
    }
    warnings.push_back("gstboot: warning: no worker thread could be started (" + why +
                       "); running in one thread, which gives the same results");
    runalone(ds, scorer, seed, tables, globals, console, progress, stop);
}

}  // namespace gstboot
