#include "input/popmap.h"

#include "common/error.h"
#include "input/detect.h"
#include "input/rawset.h"

namespace gstboot {

PopMap readpopmap(const std::string& path, std::vector<std::string>& warnings) {
    PopMap map;
    map.file = path;
    const OpenedInput in = opentext(path);
    LineReader lines(in.file.get(), path, MAXLINE, in.encoding);
    RawSet names;  // for the names' decoding and their messages
    names.file = path;
    Line line;
    while (lines.next(line)) {
        std::vector<std::pair<std::string_view, long>> fields;  // text, column
        const std::string_view text = line.text;
        std::size_t k = 0;
        while (k < text.size()) {
            while (k < text.size() && isblank(text[k])) ++k;
            const std::size_t start = k;
            while (k < text.size() && !isblank(text[k])) ++k;
            if (k > start) fields.emplace_back(text.substr(start, k - start), static_cast<long>(start) + 1);
        }
        if (fields.empty()) continue;
        const Place place{line.number, fields[0].second};
        if (fields.size() != 2) {
            throw Error(ErrorKind::input, at(path, fields.size() == 1 ? Place{line.number, endcolumn(text)} : Place{line.number, fields[2].second}) +
                                              "expected a sample and its population, two fields, but the line has " +
                                              std::to_string(fields.size()));
        }
        const std::string sample = takename(names, fields[0].first, place, "sample name");
        const std::string population = takename(names, fields[1].first, {line.number, fields[1].second}, "population name");
        const auto found = map.samples.find(sample);
        if (found != map.samples.end()) {
            const PopMap::Entry& first = found->second;
            const std::string firstat = std::to_string(first.place.line) + ":" + std::to_string(first.place.column);
            throw Error(ErrorKind::input,
                        at(path, place) + "sample '" + shown(sample) + "' is mapped a second time" +
                            (first.population == population
                                 ? ", to population '" + shown(population) + "' again (first at " + firstat + ")"
                                 : ", to population '" + shown(population) + "', but to '" + shown(first.population) +
                                       "' at " + firstat));
        }
        bool known = false;
        for (const std::string& p : map.populations) known = known || p == population;
        if (!known) map.populations.push_back(population);
        map.samples.emplace(sample, PopMap::Entry{population, place});
    }
    if (names.recodedline != 0) warnings.push_back(recodedwarning(path, names.recodedline));
    return map;
}

}  // namespace gstboot
