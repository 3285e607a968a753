#include "data/tidytable.h"

#include "data/dataset.h"
#include "common/error.h"

namespace gstboot {

namespace {

std::string num(std::size_t v) { return std::to_string(v); }

char separatorof(std::string_view header) { return header.find('\t') != std::string_view::npos ? '\t' : ','; }

// The locus a MIC column header names.
std::string_view locusof(std::string_view header) {
    std::size_t cut = header.find_last_of("_. ");
    return cut == std::string_view::npos ? header : header.substr(0, cut);
}

bool ismissing(const std::string& cell) { return cell.empty() || cell == "NA"; }

class TableReader {
public:
    TableReader(std::string_view text, const std::string& name, Role role, RawSet& set)
        : lines_(splitlines(text)), name_(name), role_(role), set_(set) {}

    void read() {
        std::size_t k = startset(set_, name_, role_, lines_);
        if (k == lines_.size()) {
            fail(set_.end, "expected a header row naming the columns population, individual and the alleles, but the file is empty");
        }
        separator_ = separatorof(lines_[k].text);
        readheader(lines_[k]);
        for (++k; k < lines_.size(); ++k) readrow(lines_[k]);
        if (set_.pops.empty()) fail(set_.end, "the file ends after its header row: expected one row per individual");
    }

private:
    [[noreturn]] void fail(Place where, const std::string& why) const { throw Error(ErrorKind::input, at(name_, where) + why); }

    void split(const Line& line, std::vector<Cell>& cells) const {
        long bad = 0;
        std::string why;
        if (!splitrow(line.text, separator_, cells, bad, why)) fail({line.number, bad}, why);
    }

    void readheader(const Line& line) {
        std::vector<Cell> cells;
        split(line, cells);
        width_ = cells.size();
        const Place start{line.number, cells[0].column};
        std::vector<const Cell*> alleles;
        for (std::size_t c = 0; c < cells.size(); ++c) {
            std::size_t* slot = sameletters(cells[c].text, "population")   ? &popcol_
                                : sameletters(cells[c].text, "individual") ? &indcol_
                                                                          : nullptr;
            if (!slot) {
                alleles.push_back(&cells[c]);
                allelecols_.push_back(c);
            } else if (*slot != npos) {
                fail({line.number, cells[c].column}, "expected one column named '" + shown(cells[c].text) +
                                                         "', but the header row has a second");
            } else {
                *slot = c;
            }
        }
        if (popcol_ == npos) fail(start, "expected a column named 'population' in the header row, but it has none");
        if (indcol_ == npos) fail(start, "expected a column named 'individual' in the header row, but it has none");
        const Place end{line.number, endcolumn(line.text)};
        const std::size_t n = alleles.size();
        if (role_ == Role::mhc) {
            if (n == 0) fail(end, "expected 1 to " + num(MAXNAMEDCOPIES) + " allele columns (one per MHC copy) after population and individual, but the header has none");
            if (n > static_cast<std::size_t>(MAXNAMEDCOPIES)) {
                fail({line.number, alleles[MAXNAMEDCOPIES]->column},
                     "column '" + shown(alleles[MAXNAMEDCOPIES]->text) + "' is MHC copy " + num(MAXNAMEDCOPIES + 1) +
                         ", beyond the limit of " + num(MAXNAMEDCOPIES) + " copies; the header has " + num(n) +
                         " allele columns");
            }
            set_.width = static_cast<int>(n);
            set_.labels.resize(1);
            return;
        }
        if (n == 0) fail(end, "expected two allele columns per locus after population and individual, but the header has none");
        if (n % 2 == 1) {
            fail({line.number, alleles[n - 1]->column}, "expected two allele columns per locus, but the header has " +
                                                            num(n) + " allele columns: '" + shown(alleles[n - 1]->text) +
                                                            "' has no partner");
        }
        std::vector<Place> places;
        for (std::size_t l = 0; l < n / 2; ++l) {
            const Cell& a = *alleles[2 * l];
            const Cell& b = *alleles[2 * l + 1];
            std::string_view name = locusof(a.text);
            if (name.empty()) {
                fail({line.number, a.column}, "expected a locus name before the last '_', '.' or space of '" + shown(a.text) + "'");
            }
            if (locusof(b.text) != name) {
                fail({line.number, b.column}, "expected the second allele column of locus '" + shown(name) + "' (from '" +
                                                  shown(a.text) + "'), but '" + shown(b.text) + "' names locus '" +
                                                  shown(locusof(b.text)) + "'");
            }
            set_.locusnames.emplace_back(name);
            places.push_back({line.number, a.column});
        }
        checkdistinctloci(name_, set_.locusnames, places);
        set_.width = static_cast<int>(n);
        set_.labels.resize(n / 2);
    }

    void readrow(const Line& line) {
        if (blankline(line)) return;
        split(line, cells_);
        bool empty = true;
        for (const Cell& c : cells_) empty = empty && c.text.empty();
        if (empty) return;
        if (cells_.size() != width_) {
            const Place where = cells_.size() > width_
                                    ? Place{line.number, cells_[width_].column}
                                    : Place{line.number, endcolumn(line.text)};
            fail(where, "expected " + num(width_) + " cells, as in the header row, but the row has " + num(cells_.size()));
        }
        const Cell& popcell = cells_[popcol_];
        const Place rowstart{line.number, cells_[0].column};
        if (popcell.text.empty()) fail({line.number, popcell.column}, "expected a population name, but the cell is empty");
        RawPopulation* pop = findpopulation(set_, popcell.text);
        if (!pop) pop = &addpopulation(set_, popcell.text, {line.number, popcell.column});
        pop->individuals.push_back(rowstart);
        std::int32_t numbers[2] = {0, 0};
        for (std::size_t j = 0; j < allelecols_.size(); ++j) {
            const Cell& cell = cells_[allelecols_[j]];
            const std::size_t row = role_ == Role::mhc ? 0 : j / 2;
            const std::int32_t number =
                ismissing(cell.text) ? MISSING : set_.labels[row].add(cell.text, {line.number, cell.column});
            if (role_ == Role::mhc) {
                pop->alleles.push_back(number);
            } else {
                numbers[j % 2] = number;
                if (j % 2 == 1) addgenotype(set_, *pop, numbers[0], numbers[1]);
            }
        }
    }

    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    std::vector<Line> lines_;
    const std::string& name_;
    Role role_;
    RawSet& set_;
    char separator_ = ',';
    std::size_t width_ = 0;  // cells per row
    std::size_t popcol_ = npos;
    std::size_t indcol_ = npos;
    std::vector<std::size_t> allelecols_;
    std::vector<Cell> cells_;  // the current row's, reused
};

}  // namespace

bool splitrow(std::string_view line, char separator, std::vector<Cell>& cells, long& badcolumn, std::string& why) {
    cells.clear();
    std::size_t k = 0;
    for (;;) {
        while (k < line.size() && line[k] != separator && isblank(line[k])) ++k;
        Cell cell;
        cell.column = static_cast<long>(k) + 1;
        if (k < line.size() && line[k] == '"') {
            const std::size_t open = k++;
            for (;;) {
                if (k == line.size()) {
                    badcolumn = static_cast<long>(open) + 1;
                    why = "expected '\"' to close the quoted cell that begins here, but the line ends first";
                    return false;
                }
                if (line[k] == '"') {
                    if (k + 1 < line.size() && line[k + 1] == '"') {
                        cell.text.push_back('"');
                        k += 2;
                        continue;
                    }
                    ++k;
                    break;
                }
                cell.text.push_back(line[k++]);
            }
            while (k < line.size() && line[k] != separator && isblank(line[k])) ++k;
            if (k < line.size() && line[k] != separator) {
                badcolumn = static_cast<long>(k) + 1;
                why = std::string("expected '") + (separator == '\t' ? "\\t" : ",") +
                      "' or the end of the line after the quoted cell, but found '" + shown(line.substr(k, 1)) + "'";
                return false;
            }
        } else {
            std::size_t e = line.find(separator, k);
            if (e == std::string_view::npos) e = line.size();
            cell.text.assign(trim(line.substr(k, e - k)));
            k = e;
        }
        cells.push_back(std::move(cell));
        if (k == line.size()) return true;
        ++k;  // the separator
    }
}

bool istableheader(std::string_view line) {
    std::vector<Cell> cells;
    long bad = 0;
    std::string why;
    if (!splitrow(line, separatorof(line), cells, bad, why)) return false;
    bool pop = false, ind = false;
    for (const Cell& c : cells) {
        pop = pop || sameletters(c.text, "population");
        ind = ind || sameletters(c.text, "individual");
    }
    return pop && ind;
}

void readtable(std::string_view text, const std::string& name, Role role, RawSet& set) {
    TableReader(text, name, role, set).read();
}

}  // namespace gstboot
