#include "data/structure.h"

#include <utility>

#include "common/error.h"
#include "data/dataset.h"

namespace gstboot {

namespace {

std::string num(std::size_t v) { return std::to_string(v); }

bool isinteger(std::string_view s) {
    if (!s.empty() && (s[0] == '-' || s[0] == '+')) s.remove_prefix(1);
    return !s.empty() && s.find_first_not_of("0123456789") == std::string_view::npos;
}

// A row's text and where its cells lie in it.
struct Row {
    std::string text;
    std::vector<std::pair<std::size_t, std::size_t>> spans;  // offset, length
    long number = 0;
    long end = 1;  // the column after the last cell

    std::size_t size() const { return spans.size(); }
    std::string_view cell(std::size_t k) const { return std::string_view(text).substr(spans[k].first, spans[k].second); }
    long column(std::size_t k) const { return static_cast<long>(spans[k].first) + 1; }
};

class StructureReader {
public:
    StructureReader(LineReader& lines, Role role, const MissingCodes& missing, RawSet& set)
        : lines_(lines), role_(role), missing_(missing), set_(set) {}

    void read() {
        startset(set_, lines_.name(), role_, Format::structure);
        Line line;
        if (!nextline(lines_, line, set_)) fail(set_.end, "expected a STRUCTURE row (label, population, alleles), but the file is empty");
        cut(line, first_);
        // A header: locus names, which a row of data cannot be read as.
        bool header = first_.size() < 3;
        for (std::size_t k = 2; k < first_.size(); ++k) header = header || !isinteger(first_.cell(k));
        std::vector<std::string> names;
        std::vector<Place> places;
        if (header) {
            for (std::size_t k = 0; k < first_.size(); ++k) {
                places.push_back({first_.number, first_.column(k)});
                names.push_back(takename(set_, first_.cell(k), places.back(), "locus name"));
            }
            if (!nextline(lines_, line, set_)) fail(set_.end, "the file ends after its header row: expected one or two rows per individual");
            cut(line, first_);
        }
        if (first_.size() < 3) {
            fail({first_.number, first_.end}, "expected a label, a population and alleles, but the row has " +
                                                            num(first_.size()) + (first_.size() == 1 ? " cell" : " cells"));
        }
        const std::size_t alleles = first_.size() - 2;
        // The second row tells the layout when the header does not.
        Line next;
        bool more = nextline(lines_, next, set_);
        if (more) cut(next, second_);
        if (header) {
            tworows_ = alleles == names.size();
            if (!tworows_ && alleles != 2 * names.size()) {
                fail({first_.number, first_.column(2)}, "expected " + num(names.size()) + " or " + num(2 * names.size()) +
                                                             " alleles (one or two per locus of the header), but the row has " +
                                                             num(alleles));
            }
        } else {
            tworows_ = more && second_.size() >= 2 && second_.cell(0) == first_.cell(0) &&
                       second_.cell(1) == first_.cell(1);
            if (!tworows_ && alleles % 2 == 1) {
                fail({first_.number, first_.column(first_.size() - 1)}, "expected two alleles per locus, but the row has " + num(alleles));
            }
            const std::size_t nloci = tworows_ ? alleles : alleles / 2;
            for (std::size_t l = 0; l < nloci; ++l) {
                names.push_back("L" + num(l + 1));
                places.push_back({first_.number, first_.column(2 + (tworows_ ? l : 2 * l))});
            }
        }
        setloci(set_, names, places);
        std::vector<std::int32_t> genotype(static_cast<std::size_t>(set_.width));
        for (;;) {
            if (tworows_) {
                if (!more) fail(set_.end, "the file ends where the second row of '" + std::string(shown(first_.cell(0))) + "' was expected");
                individual(first_, &second_, genotype);
                if (!nextline(lines_, line, set_)) break;
                cut(line, first_);
                more = nextline(lines_, next, set_);
                if (more) cut(next, second_);
            } else {
                individual(first_, nullptr, genotype);
                if (!more) break;
                std::swap(first_, second_);
                more = nextline(lines_, next, set_);
                if (more) cut(next, second_);
            }
        }
    }

private:
    [[noreturn]] void fail(Place where, const std::string& why) const { throw Error(ErrorKind::input, at(set_.file, where) + why); }

    // The cells of `line`, copied: a row outlives the reader's next line.
    static void cut(const Line& line, Row& row) {
        row.number = line.number;
        row.text.assign(line.text);
        row.spans.clear();
        for (std::string_view word : words(row.text)) {
            row.spans.emplace_back(static_cast<std::size_t>(word.data() - row.text.data()), word.size());
        }
        row.end = endcolumn(row.text);
    }

    void individual(const Row& a, const Row* b, std::vector<std::int32_t>& genotype) {
        const std::size_t nloci = static_cast<std::size_t>(set_.width / 2);
        const std::size_t perrow = b ? nloci : 2 * nloci;
        for (const Row* row : {&a, b}) {
            if (!row) continue;
            if (row->size() != 2 + perrow) {
                const Place where = row->size() > 2 + perrow ? Place{row->number, row->column(2 + perrow)}
                                                                    : Place{row->number, row->end};
                fail(where, "expected " + num(2 + perrow) + " cells (label, population, " + num(perrow) +
                                " alleles), as in the first row, but the row has " + num(row->size()));
            }
        }
        if (b && (b->cell(0) != a.cell(0) || b->cell(1) != a.cell(1))) {
            fail({b->number, b->column(0)}, "expected the second row of '" + shown(a.cell(0)) + "' (population '" +
                                                 shown(a.cell(1)) + "'), but the row is of '" + shown(b->cell(0)) +
                                                 "' (population '" + shown(b->cell(1)) + "')");
        }
        const Place popplace{a.number, a.column(1)};
        const std::string name = takename(set_, a.cell(1), popplace, "population name");
        RawPopulation* pop = findpopulation(set_, name);
        if (!pop) pop = &addpopulation(set_, name, popplace);
        pop->individuals.push_back({a.number, a.column(0)});
        pop->ids.push_back(takelabel(a.cell(0)));
        for (std::size_t l = 0; l < nloci; ++l) {
            for (std::size_t k = 0; k < 2; ++k) {
                const Row& row = b && k == 1 ? *b : a;
                const std::size_t c = 2 + (b ? l : 2 * l + k);
                AlleleLabels& labels = set_.labels[role_ == Role::mhc ? 0 : l];
                genotype[2 * l + k] = missing_.missing(row.cell(c)) ? MISSING : labels.add(row.cell(c), {row.number, row.column(c)});
            }
        }
        addindividual(set_, *pop, genotype.data());
    }

    LineReader& lines_;
    Role role_;
    const MissingCodes& missing_;
    RawSet& set_;
    bool tworows_ = false;
    Row first_, second_;
};

}  // namespace

void readstructure(LineReader& lines, Role role, const MissingCodes& missing, RawSet& set) {
    StructureReader(lines, role, missing, set).read();
}

}  // namespace gstboot
