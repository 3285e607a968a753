#include "input/structure.h"

#include <utility>

#include "common/error.h"
#include "model/dataset.h"
#include "input/mhcloci.h"

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
    StructureReader(LineReader& lines, Role role, const MissingCodes& missing, RawSet& set, std::string_view pick)
        : lines_(lines), role_(role), missing_(missing), set_(set), pick_(pick) {}

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
        // The second row tells whether an individual takes two rows: the
        // same label and population as the first.
        Line next;
        bool more = nextline(lines_, next, set_);
        if (more) cut(next, second_);
        const bool paired = more && second_.size() >= 2 && second_.cell(0) == first_.cell(0) &&
                            second_.cell(1) == first_.cell(1);
        if (header) {
            names = headerlayout(names, places, paired);
        } else {
            const std::size_t alleles = first_.size() - 2;
            tworows_ = paired;
            if (!tworows_ && alleles % 2 == 1) {
                fail({first_.number, first_.column(first_.size() - 1)},
                     "expected two alleles per locus, but the row has " + num(alleles) +
                         "; a file with PopFlag or LocData columns needs a header row naming the loci");
            }
            const std::size_t nloci = tworows_ ? alleles : alleles / 2;
            for (std::size_t l = 0; l < nloci; ++l) {
                // An MHC file without a header names no locus: its alleles
                // are the copies of one gene.
                names.push_back(role_ == Role::mhc ? std::string() : "L" + num(l + 1));
                places.push_back({first_.number, first_.column(2 + (tworows_ ? l : 2 * l))});
            }
            // A column of 0 and 1 alone, where PopFlag would stand, is told
            // once every row is read.
            flagcolumn_ = nloci > 1;
        }
        setloci(set_, names, places, pick_);
        fileloci_ = names.size();
        const Place flagplace{first_.number, first_.column(2)};
        std::vector<std::int32_t> genotype(2 * fileloci_);
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
        if (flagcolumn_) {
            fail(flagplace, "column 3 holds only 0 and 1, as a PopFlag column does, and the file has no header row: its "
                            "loci cannot be told from PopFlag and LocData columns; add a first row naming the loci");
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

    // The loci of a header of `names`: the layout (rows per individual,
    // extra columns) from the first row's cells and `paired`, the second row
    // being of the same individual. A header names each locus once, or once
    // per allele column (DRB DRB MS1 MS1) in a file of one row per
    // individual; up to two integer columns (PopFlag, LocData) may stand
    // between the population and the alleles.
    std::vector<std::string> headerlayout(const std::vector<std::string>& names, std::vector<Place>& places, bool paired) {
        const std::size_t n = names.size();
        const std::size_t cells = first_.size() - 2;
        std::vector<std::string> doubled;  // the loci of a header of allele columns
        bool pairs = n % 2 == 0;
        for (std::size_t k = 0; pairs && k < n; k += 2) {
            const std::string_view a = locusof(names[k]), b = locusof(names[k + 1]);
            pairs = names[k] == names[k + 1] || (!a.empty() && a == b);
            doubled.push_back(names[k] == names[k + 1] ? names[k] : std::string(a));
        }
        auto integers = [&](std::size_t x) {
            for (std::size_t k = 0; k < x; ++k)
                if (!isinteger(first_.cell(2 + k))) return false;
            return true;
        };
        for (std::size_t x = 0; x <= kMaxExtra && x < cells; ++x) {
            if (!integers(x)) break;
            const std::size_t alleles = cells - x;
            extra_ = x;
            // Rows in pairs are two rows per individual first.
            if (paired && alleles == n) {
                tworows_ = true;
                return names;
            }
            if (alleles == 2 * n) return names;
            if (!paired && alleles == n && pairs) {
                std::vector<Place> halves;
                for (std::size_t k = 0; k < n; k += 2) halves.push_back(places[k]);
                places = halves;
                return doubled;
            }
        }
        // As many alleles as names, rows not in pairs: the second row is
        // refused where it should repeat the first's label.
        extra_ = 0;
        if (cells == n) {
            tworows_ = true;
            return names;
        }
        fail({first_.number, first_.column(2)},
             "expected " + num(n) + " or " + num(2 * n) + " alleles (one or two per locus of the header), after at most " +
                 num(kMaxExtra) + " integer columns (PopFlag, LocData), but the row has " + num(cells) + " cells after the population");
    }

    void individual(const Row& a, const Row* b, std::vector<std::int32_t>& genotype) {
        const std::size_t nloci = fileloci_;
        const std::size_t perrow = b ? nloci : 2 * nloci;
        const std::size_t width = 2 + extra_ + perrow;
        for (const Row* row : {&a, b}) {
            if (!row) continue;
            if (row->size() != width) {
                const Place where = row->size() > width ? Place{row->number, row->column(width)} : Place{row->number, row->end};
                fail(where, "expected " + num(width) + " cells (label, population, " +
                                (extra_ ? num(extra_) + (extra_ == 1 ? " extra column, " : " extra columns, ") : std::string()) +
                                num(perrow) + " alleles), as in the first row, but the row has " + num(row->size()));
            }
            if (flagcolumn_) flagcolumn_ = row->cell(2) == "0" || row->cell(2) == "1";
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
            if (!readslocus(set_, l)) continue;
            for (std::size_t k = 0; k < 2; ++k) {
                const Row& row = b && k == 1 ? *b : a;
                const std::size_t c = 2 + extra_ + (b ? l : 2 * l + k);
                AlleleLabels& labels = locuslabels(set_, l);
                genotype[2 * l + k] = missing_.missing(row.cell(c)) ? MISSING : labels.add(row.cell(c), {row.number, row.column(c)});
            }
        }
        addindividual(set_, *pop, genotype.data());
    }

    static constexpr std::size_t kMaxExtra = 2;  // PopFlag and LocData

    LineReader& lines_;
    Role role_;
    const MissingCodes& missing_;
    RawSet& set_;
    std::string_view pick_;
    bool tworows_ = false;
    std::size_t fileloci_ = 0;  // loci of the file
    std::size_t extra_ = 0;     // integer columns between the population and the alleles
    bool flagcolumn_ = false;   // no header, and column 3 has held 0 or 1 alone so far
    Row first_, second_;
};

}  // namespace

void readstructure(LineReader& lines, Role role, const MissingCodes& missing, RawSet& set, std::string_view mhclocus) {
    StructureReader(lines, role, missing, set, mhclocus).read();
}

}  // namespace gstboot
