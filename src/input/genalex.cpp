#include "input/genalex.h"

#include "common/error.h"
#include "model/dataset.h"
#include "input/tidytable.h"

namespace gstboot {

namespace {

std::string num(std::size_t v) { return std::to_string(v); }

class GenalexReader {
public:
    GenalexReader(LineReader& lines, Role role, const MissingCodes& missing, RawSet& set, std::string_view pick)
        : lines_(lines), role_(role), missing_(missing), set_(set), pick_(pick) {}

    void read() {
        startset(set_, lines_.name(), role_, Format::genalex);
        Line line;
        if (!nextline(lines_, line, set_)) fail(set_.end, "expected GenAlEx's first row of counts, but the file is empty");
        separator_ = separatorof(line.text);
        readcounts(line);
        if (!nextline(lines_, line, set_)) fail(set_.end, "the file ends after its first row: expected the title and population names");
        readnames(line);
        if (!nextline(lines_, line, set_)) fail(set_.end, "the file ends after its second row: expected the locus names");
        readloci(line);
        std::vector<std::int32_t> alleles(2 * nloci_);
        while (nextline(lines_, line, set_)) readsample(line, alleles);
        for (std::size_t p = 0; p < set_.pops.size(); ++p) {
            const RawPopulation& pop = set_.pops[p];
            if (pop.individuals.size() < sizes_[p]) {
                fail(set_.end, "the file ends after " + num(pop.individuals.size()) + (pop.individuals.size() == 1 ? " sample" : " samples") +
                                   " of population '" + shown(pop.name) +
                                   "', but row 1 gives it " + num(sizes_[p]) + " (at " + std::to_string(sizeplaces_[p].line) +
                                   ":" + std::to_string(sizeplaces_[p].column) + ")");
            }
        }
    }

private:
    [[noreturn]] void fail(Place where, const std::string& why) const { throw Error(ErrorKind::input, at(set_.file, where) + why); }

    void split(const Line& line) {
        long bad = 0;
        std::string why;
        if (!splitrow(line.text, separator_, cells_, bad, why)) fail({line.number, bad}, why);
        while (!cells_.empty() && cells_.back().text.empty()) cells_.pop_back();
    }

    std::size_t count(const Line& line, std::size_t k, const char* what) {
        if (k >= cells_.size()) {
            fail({line.number, endcolumn(line.text)}, std::string("expected the ") + what + " in GenAlEx's first row, but the row ends");
        }
        const std::string& text = cells_[k].text;
        std::size_t value = 0;
        const bool digits = !text.empty() && text.size() <= 9 && text.find_first_not_of("0123456789") == std::string::npos;
        if (digits) value = std::stoul(text);
        if (!digits || value == 0) {
            fail({line.number, cells_[k].column}, std::string("expected the ") + what +
                                                      " in GenAlEx's first row, a number from 1, but found '" + shown(text) + "'");
        }
        return value;
    }

    void readcounts(const Line& line) {
        split(line);
        nloci_ = count(line, 0, "number of loci");
        count(line, 1, "number of samples");
        const std::size_t npop = count(line, 2, "number of populations");
        for (std::size_t p = 0; p < npop; ++p) {
            sizes_.push_back(count(line, 3 + p, ("size of population " + num(p + 1)).c_str()));
            sizeplaces_.push_back({line.number, cells_[3 + p].column});
        }
    }

    void readnames(const Line& line) {
        split(line);
        for (std::size_t p = 0; p < sizes_.size(); ++p) {
            const std::size_t k = 3 + p;
            if (k >= cells_.size() || cells_[k].text.empty()) {
                const Place where = k < cells_.size() ? Place{line.number, cells_[k].column} : Place{line.number, endcolumn(line.text)};
                fail(where, "expected the name of population " + num(p + 1) + " of " + num(sizes_.size()) +
                                " in GenAlEx's second row (column " + num(k + 1) + "), but found none");
            }
            const Place where{line.number, cells_[k].column};
            const std::string name = takename(set_, cells_[k].text, where, "population name");
            if (findpopulation(set_, name)) fail(where, "population name '" + shown(name) + "' is given twice in the second row");
            addpopulation(set_, name, where);
        }
    }

    void readloci(const Line& line) {
        split(line);
        std::vector<std::string> names;
        std::vector<Place> places;
        for (std::size_t l = 0; l < nloci_; ++l) {
            const std::size_t k = 2 + 2 * l;
            if (k >= cells_.size() || cells_[k].text.empty()) {
                const Place where = k < cells_.size() ? Place{line.number, cells_[k].column} : Place{line.number, endcolumn(line.text)};
                fail(where, "expected the name of locus " + num(l + 1) + " of " + num(nloci_) + " in GenAlEx's third row (column " +
                                num(k + 1) + "), but found none");
            }
            places.push_back({line.number, cells_[k].column});
            names.push_back(takename(set_, cells_[k].text, places.back(), "locus name"));
        }
        setloci(set_, names, places, pick_);
    }

    void readsample(const Line& line, std::vector<std::int32_t>& alleles) {
        split(line);
        const std::size_t width = 2 + 2 * nloci_;
        if (cells_.size() < width) {
            fail({line.number, endcolumn(line.text)}, "expected " + num(width) + " cells (sample, population, two per locus), but the row has " +
                                                          num(cells_.size()));
        }
        const Cell& popcell = cells_[1];
        const std::string name = takename(set_, popcell.text, {line.number, popcell.column}, "population name");
        RawPopulation* pop = findpopulation(set_, name);
        if (!pop) {
            fail({line.number, popcell.column}, "expected a population named in the second row, but '" + shown(popcell.text) + "' is not one");
        }
        const std::size_t p = static_cast<std::size_t>(pop - set_.pops.data());
        if (pop->individuals.size() == sizes_[p]) {
            fail({line.number, cells_[0].column}, "sample " + num(sizes_[p] + 1) + " of population '" + shown(pop->name) +
                                                      "' is beyond its size in row 1, " + num(sizes_[p]) + " (at " +
                                                      std::to_string(sizeplaces_[p].line) + ":" +
                                                      std::to_string(sizeplaces_[p].column) + ")");
        }
        pop->individuals.push_back({line.number, cells_[0].column});
        pop->ids.push_back(takelabel(cells_[0].text));
        for (std::size_t k = 0; k < 2 * nloci_; ++k) {
            if (!readslocus(set_, k / 2)) continue;
            const Cell& cell = cells_[2 + k];
            AlleleLabels& labels = locuslabels(set_, k / 2);
            alleles[k] = missing_.missing(cell.text) ? MISSING : labels.add(cell.text, {line.number, cell.column});
        }
        addindividual(set_, *pop, alleles.data());
    }

    LineReader& lines_;
    Role role_;
    const MissingCodes& missing_;
    RawSet& set_;
    std::string_view pick_;
    char separator_ = ',';
    std::size_t nloci_ = 0;
    std::vector<std::size_t> sizes_;
    std::vector<Place> sizeplaces_;
    std::vector<Cell> cells_;
};

}  // namespace

void readgenalex(LineReader& lines, Role role, const MissingCodes& missing, RawSet& set, std::string_view mhclocus) {
    GenalexReader(lines, role, missing, set, mhclocus).read();
}

}  // namespace gstboot
