#include "input/pairpops.h"

#include <map>
#include <optional>

#include "common/error.h"
#include "input/combine.h"

namespace gstboot {

namespace {

std::string num(std::size_t v) { return std::to_string(v); }

std::string placetext(Place p) { return std::to_string(p.line) + ":" + std::to_string(p.column); }

// An individual: its population and its position there.
struct Where {
    std::size_t pop = 0, ind = 0;
    int count = 0;  // how often the file gives the label
};

std::map<std::string, Where> individuals(const RawSet& set) {
    std::map<std::string, Where> found;
    for (std::size_t p = 0; p < set.pops.size(); ++p) {
        const std::vector<std::string>& ids = set.pops[p].ids;
        for (std::size_t i = 0; i < ids.size(); ++i) {
            if (ids[i].empty()) continue;
            Where& w = found[ids[i]];
            if (w.count++ == 0) w = Where{p, i, 1};
        }
    }
    return found;
}

// The population of `b` that holds each population's shared individuals,
// in `a`'s order; refuses a population of `a` whose shared individuals sit
// in two populations of `b`, at the later individual.
std::vector<std::optional<std::size_t>> partners(const RawSet& a, const RawSet& b,
                                                 const std::map<std::string, Where>& ina,
                                                 const std::map<std::string, Where>& inb) {
    std::vector<std::optional<std::size_t>> partner(a.pops.size());
    std::vector<std::string> first(a.pops.size());  // the individual that set the partner
    for (std::size_t p = 0; p < a.pops.size(); ++p) {
        const RawPopulation& pop = a.pops[p];
        for (std::size_t i = 0; i < pop.ids.size(); ++i) {
            const std::string& id = pop.ids[i];
            const auto there = inb.find(id);
            if (there == inb.end() || there->second.count != 1 || ina.at(id).count != 1) continue;
            const std::size_t q = there->second.pop;
            if (!partner[p]) {
                partner[p] = q;
                first[p] = id;
                continue;
            }
            if (*partner[p] == q) continue;
            const Where& earlier = inb.at(first[p]);
            throw Error(ErrorKind::input,
                        at(a.file, pop.individuals[i]) + "individual '" + shown(id) + "' of population '" + shown(pop.name) +
                            "' is in population '" + shown(b.pops[q].name) + "' of " + b.file + " (at " +
                            placetext(b.pops[q].individuals[there->second.ind]) + "), but individual '" + shown(first[p]) +
                            "' of the same population is in '" + shown(b.pops[*partner[p]].name) + "' there (at " +
                            placetext(b.pops[*partner[p]].individuals[earlier.ind]) +
                            "): the files place the same individuals in different populations; correct the population "
                            "of one of them");
        }
    }
    return partner;
}

// Both files name every population and, when names come from labels, the
// other file has at least one of them: then names pair the populations.
bool namespair(const RawSet& mhc, const RawSet& mic) {
    if (!mhc.named || !mic.named) return false;
    if (!mhc.labelnamed && !mic.labelnamed) return true;
    for (const RawPopulation& p : mhc.pops) {
        if (mic.popindex.count(p.name)) return true;
    }
    return false;
}

std::string shownpairs(const char* how, const RawSet& mhc, const RawSet& mic, const std::vector<std::size_t>& order) {
    std::string list;
    for (std::size_t p = 0; p < order.size(); ++p) {
        list += (p ? ", " : "") + num(p + 1) + " = " + num(order[p] + 1) + " (" + mhc.pops[p].name + " / " +
                mic.pops[order[p]].name + ")";
    }
    return std::string("populations paired by ") + how + ": " + list;
}

// Refuses a population of `a` left without a partner.
void refuselone(const RawSet& a, const RawSet& b, const std::vector<std::optional<std::size_t>>& partner) {
    for (std::size_t p = 0; p < partner.size(); ++p) {
        if (partner[p]) continue;
        const RawPopulation& pop = a.pops[p];
        throw Error(ErrorKind::input, at(a.file, pop.place) + "population '" + shown(pop.name) +
                                          "' shares no individual with " + b.file +
                                          ", whose individuals pair the other populations, and no name either: give "
                                          "its individuals the labels they have in " + b.file +
                                          ", or name the populations alike in both files");
    }
}

PopPairing byindividuals(const RawSet& mhc, const RawSet& mic, const std::map<std::string, Where>& inmhc,
                         const std::map<std::string, Where>& inmic) {
    std::vector<std::optional<std::size_t>> tomic = partners(mhc, mic, inmhc, inmic);
    std::vector<std::optional<std::size_t>> tomhc = partners(mic, mhc, inmic, inmhc);
    const bool names = mhc.named && mic.named;
    for (std::size_t p = 0; p < tomic.size(); ++p) {
        if (!tomic[p]) continue;
        const std::size_t q = *tomic[p];
        if (tomhc[q] != p) continue;  // refused below from the other side
        const RawPopulation& a = mhc.pops[p];
        const RawPopulation& b = mic.pops[q];
        const auto same = mic.popindex.find(a.name);
        if (names && a.name != b.name && same != mic.popindex.end()) {
            throw Error(ErrorKind::input, at(mhc.file, a.place) + "population '" + shown(a.name) + "' shares its individuals with '" +
                                              shown(b.name) + "' of " + mic.file + " (at " + placetext(b.place) +
                                              "), but its name is that of another population there (at " +
                                              placetext(mic.pops[same->second].place) +
                                              "): correct the names or the individuals' populations");
        }
    }
    // Populations without shared individuals are paired by name when both
    // files have names.
    if (names) {
        for (std::size_t p = 0; p < tomic.size(); ++p) {
            if (tomic[p]) continue;
            const auto same = mic.popindex.find(mhc.pops[p].name);
            if (same != mic.popindex.end() && !tomhc[same->second]) {
                tomic[p] = same->second;
                tomhc[same->second] = p;
            }
        }
    }
    refuselone(mhc, mic, tomic);
    refuselone(mic, mhc, tomhc);
    // Each side's partners are single-valued, so they are one another's.
    for (std::size_t p = 0; p < tomic.size(); ++p) {
        if (*tomhc[*tomic[p]] != p) throw Error(ErrorKind::internal, "populations paired one way only");
    }
    PopPairing out;
    bool samenames = true;
    for (std::size_t p = 0; p < tomic.size(); ++p) {
        out.order.push_back(*tomic[p]);
        samenames = samenames && mhc.pops[p].name == mic.pops[*tomic[p]].name;
    }
    if (!names || !samenames) out.shown = shownpairs("their shared individuals", mhc, mic, out.order);
    return out;
}

}  // namespace

void namebylabels(RawSet& set) {
    if (set.named) return;
    for (RawPopulation& pop : set.pops) {
        if (pop.named) continue;
        for (const std::string& id : pop.ids) {
            if (id != pop.name) return;
        }
    }
    if (set.popindex.size() != set.pops.size()) return;  // two populations known by one label
    set.named = true;
    set.labelnamed = true;
}

PopPairing pairpopulations(const RawSet& mhc, const RawSet& mic) {
    const std::map<std::string, Where> inmhc = individuals(mhc), inmic = individuals(mic);
    bool shared = false;
    for (const auto& [id, w] : inmhc) {
        if (w.count != 1) continue;
        const auto there = inmic.find(id);
        if (there != inmic.end() && there->second.count == 1) {
            shared = true;
            break;
        }
    }
    if (shared) return byindividuals(mhc, mic, inmhc, inmic);
    PopPairing out;
    if (namespair(mhc, mic)) {
        out.order = matchbyname(mhc, mic);
        return out;
    }
    out.order = matchbyposition(mhc, mic);
    std::vector<std::string> mhcnames, micnames;
    for (const RawPopulation& p : mhc.pops) mhcnames.push_back(p.name);
    for (const RawPopulation& p : mic.pops) micnames.push_back(p.name);
    out.shown = pairing(mhcnames, micnames);
    return out;
}

}  // namespace gstboot
