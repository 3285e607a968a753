#include "output/studytable.h"

#include "output/escape.h"
#include "output/table.h"

namespace gstboot {

std::string studytext(const RunSummary& run) {
    std::string text = "result\tset\tlocus\tpopulation\tvalue\tlower\tupper\tp\tq\tn\n";
    // Over all populations, whether the test ran or not.
    if (run.globals) {
        for (const RunSummary::SetGlobal* set : {&run.mhcglobal, &run.micglobal}) {
            const RunSummary::Global& g = set->gst;
            text += std::string("gst\t") + (set == &run.mhcglobal ? "mhc" : "mic") + "\tall\t\t" + shortest(g.value) +
                    "\t" + shortest(g.lower) + "\t" + shortest(g.upper) + "\t\t\t" + std::to_string(set->pops) + "\n";
        }
    }
    for (const SetStatistic& statistic : SETSTATISTICS) {
        for (Set set : SETS) {
            const RunSummary::Global& g = run.globalof(set).*statistic.all;
            const std::string lower = run.globals ? shortest(g.lower) : std::string();
            const std::string upper = run.globals ? shortest(g.upper) : std::string();
            text += std::string(statistic.name) + "\t" + setname(set) + "\tall\t\t" + shortest(g.value) + "\t" + lower +
                    "\t" + upper + "\t\t\t\n";
        }
    }
    text += "mantel\tmhc_mic\tall\t\t" + shortest(run.mantelr) + "\t\t\t" + shortest(run.mantelp) + "\t\t" +
            std::to_string(run.mantelpairs) + "\n";
    for (std::size_t l = 0; l < run.loci.size(); ++l) {
        const RunSummary::Locus& locus = run.loci[l];
        const std::string set = locus.mhc ? "mhc" : "mic";
        const std::string name = !locus.name.empty() ? tsvcell(locus.name) : locus.mhc ? std::string("MHC") : std::to_string(l);
        const std::string n = std::to_string(locus.pops);
        text += "gst\t" + set + "\t" + name + "\t\t" + shortest(locus.gst) + "\t\t\t\t\t" + n + "\n";
        text += "he\t" + set + "\t" + name + "\t\t" + shortest(locus.he) + "\t\t\t\t\t" + n + "\n";
    }
    const StudySummary& s = run.study;
    if (!s.done) return text;
    // One MHC locus is named by its name; several each by theirs, and
    // together as "joint".
    const bool several = !s.mhcloci.empty();
    for (std::size_t k = 0; k < s.mhcloci.size(); ++k) {
        const std::string name = k < s.mhcnames.size() ? tsvcell(s.mhcnames[k]) : "MHC" + std::to_string(k + 1);
        text += "neutral_locus\tmhc\t" + name + "\t\t" + shortest(s.mhcloci[k].t) + "\t\t\t" +
                shortest(s.mhcloci[k].p) + "\t\t" + std::to_string(s.mhcloci[k].loci) + "\n";
    }
    const std::string locus = several ? std::string("joint")
                              : s.mhcnames.empty() ? std::string("MHC")
                                                   : tsvcell(s.mhcnames[0]);
    text += "neutral_locus\tmhc\t" + locus + "\t\t" + shortest(s.locus.t) + "\t\t\t" + shortest(s.locus.p) + "\t\t" +
            std::to_string(s.locus.loci) + "\n";
    for (std::size_t i = 0; i < s.populations.size(); ++i) {
        const StudyPlacement& pop = s.populations[i];
        const std::string name =
            i < s.popnames.size() && !s.popnames[i].empty() ? tsvcell(s.popnames[i]) : std::to_string(i + 1);
        text += "neutral_population\tmhc\t" + locus + "\t" + name + "\t" + shortest(pop.t) + "\t\t\t" +
                shortest(pop.p) + "\t" + shortest(pop.q) + "\t" + std::to_string(pop.pairs) + "\n";
    }
    return text;
}

}  // namespace gstboot
