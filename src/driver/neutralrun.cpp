#include "driver/neutralrun.h"

#include <atomic>
#include <exception>
#include <mutex>
#include <string>

#include "driver/workers.h"
#include "neutral/neutraltest.h"
#include "neutral/studytest.h"

namespace gstboot {

void runneutral(const DataSet& ds, std::uint32_t seed, int draws, int threads, RunSummary& run, Progress* progress,
                const StopCheck* stop) {
    run.neutraldraws = draws;
    const std::size_t pairs = run.pairs.size();
    std::vector<NeutralResult> results(pairs);
    std::atomic<std::size_t> next{0}, done{0};
    std::mutex mutex;
    std::exception_ptr failure;
    bool stopped = false;  // the calling thread's alone
    const NeutralPanel panel(ds);
    // Only the calling thread draws the progress line and asks `stop`.
    auto work = [&](bool caller) {
        try {
            NeutralScratch scratch;
            for (std::size_t k = next.fetch_add(1); k < pairs; k = next.fetch_add(1)) {
                const PairSummary& pair = run.pairs[k];
                results[k] = neutralpair(ds, panel, pair.pop1, pair.pop2, seed, draws, scratch);
                const std::size_t finished = done.fetch_add(1) + 1;
                if (caller && progress) progress->update(static_cast<long long>(finished));
                if (caller && stopasked(stop)) {
                    stopped = true;
                    next.store(pairs);
                }
            }
        } catch (...) {
            std::lock_guard<std::mutex> lock(mutex);
            if (!failure) failure = std::current_exception();
            next.store(pairs);
        }
    };
    {
        Workers workers;
        const std::size_t wanted = threads < 1 ? 1 : static_cast<std::size_t>(threads);
        std::string why;
        // A thread that cannot start leaves its share to the others and this one.
        while (workers.size() + 1 < wanted && workers.size() + 1 < pairs && workers.start([&] { work(false); }, why)) {
        }
        work(true);
    }
    if (failure) std::rethrow_exception(failure);
    if (stopped) throw stoppederror();

    std::vector<PairPositions> positions(pairs);
    for (std::size_t k = 0; k < pairs; ++k) {
        positions[k].pop1 = run.pairs[k].pop1;
        positions[k].pop2 = run.pairs[k].pop2;
        positions[k].mhc = results[k].zmhc;
        positions[k].mhcs = std::move(results[k].zmhcs);
        positions[k].mic = std::move(results[k].zmic);
    }
    const StudyAnswer answer = studyanswer(positions, ds.npop, ds.nloci, ds.mhcloci);
    auto copy = [](const Placement& from) {
        StudyPlacement to;
        to.t = from.t;
        to.p = from.p;
        to.q = from.q;
        to.loci = from.loci;
        to.pairs = from.pairs;
        return to;
    };
    run.study.done = true;
    run.study.locus = copy(answer.locus);
    run.study.mhcloci.clear();
    for (const Placement& one : answer.mhcloci) run.study.mhcloci.push_back(copy(one));
    run.study.populations.clear();
    for (const Placement& pop : answer.populations) run.study.populations.push_back(copy(pop));
    run.study.popnames = ds.popnames;
    run.study.mhcnames = ds.mhcnames;

    std::vector<double> p(pairs);
    for (std::size_t k = 0; k < pairs; ++k) p[k] = results[k].p;
    const std::vector<double> q = bhqvalues(p);
    for (std::size_t k = 0; k < pairs; ++k) {
        NeutralSummary& n = run.pairs[k].neutral;
        n.z = results[k].t;
        n.p = results[k].p;
        n.q = q[k];
        n.loci = results[k].loci;
    }
}

}  // namespace gstboot
