#include "input/tidytable.h"

#include "model/dataset.h"
#include "common/error.h"
#include "input/mhcloci.h"

namespace gstboot {

namespace {

std::string num(std::size_t v) { return std::to_string(v); }

bool ispopulationheader(std::string_view cell) { return sameletters(cell, "population") || sameletters(cell, "pop"); }

bool isindividualheader(std::string_view cell) {
    return sameletters(cell, "individual") || sameletters(cell, "ind") || sameletters(cell, "sample") ||
           sameletters(cell, "id");
}

// A cell holding several alleles: "164/156", "115|117|121".
bool isjoined(std::string_view cell) { return cell.find_first_of("/|") != std::string_view::npos; }

std::vector<std::string_view> parts(std::string_view cell) {
    std::vector<std::string_view> out;
    for (;;) {
        const std::size_t cut = cell.find_first_of("/|");
        out.push_back(trim(cell.substr(0, cut)));
        if (cut == std::string_view::npos) return out;
        cell.remove_prefix(cut + 1);
    }
}

class TableReader {
public:
    TableReader(LineReader& lines, Role role, const MissingCodes& missing, RawSet& set, std::string_view pick)
        : lines_(lines), role_(role), missing_(missing), set_(set), pick_(pick) {}

    void read() {
        startset(set_, lines_.name(), role_, Format::table);
        Line line;
        if (!nextline(lines_, line, set_)) {
            fail(set_.end, "expected a header row naming the columns population, individual and the alleles, but the file is empty");
        }
        separator_ = separatorof(line.text);
        std::vector<Cell> header;
        split(line, header);
        while (header.size() > 1 && header.back().text.empty()) header.pop_back();  // trailing empty columns
        const long headerline = line.number;
        const long headerend = endcolumn(line.text);
        findcolumns(header, headerline);
        // The first row of data tells whether a cell holds one allele or a
        // whole genotype.
        const bool any = nextrow(line);
        for (std::size_t j = 0; any && j < allelecols_.size() && !onecell_; ++j) {
            if (allelecols_[j] >= cells_.size()) break;  // a short row, refused when it is read
            const std::string& cell = cells_[allelecols_[j]].text;
            if (!missing_.missing(cell) && isjoined(cell)) {
                onecell_ = true;
                layoutrow_ = line.number;
                copiespercell_ = parts(cell).size();
            }
        }
        if (!onecell_) layoutrow_ = any ? line.number : 0;
        setlayout(header, headerline, headerend);
        if (!any) fail(set_.end, "the file ends after its header row: expected one row per individual");
        do {
            readrow(line);
        } while (nextrow(line));
    }

private:
    [[noreturn]] void fail(Place where, const std::string& why) const { throw Error(ErrorKind::input, at(set_.file, where) + why); }

    void split(const Line& line, std::vector<Cell>& cells) const {
        long bad = 0;
        std::string why;
        if (!splitrow(line.text, separator_, cells, bad, why)) fail({line.number, bad}, why);
    }

    // The next row that is not blank or of empty cells only, cut into cells_.
    bool nextrow(Line& line) {
        while (nextline(lines_, line, set_)) {
            split(line, cells_);
            for (const Cell& c : cells_)
                if (!c.text.empty()) return true;
        }
        return false;
    }

    void findcolumns(const std::vector<Cell>& cells, long number) {
        width_ = cells.size();
        for (std::size_t c = 0; c < cells.size(); ++c) {
            std::size_t* slot = ispopulationheader(cells[c].text)   ? &popcol_
                                : isindividualheader(cells[c].text) ? &indcol_
                                                                    : nullptr;
            if (!slot) {
                allelecols_.push_back(c);
            } else if (*slot != npos) {
                fail({number, cells[c].column}, "expected one column named '" + shown(cells[c].text) +
                                                    "', but the header row has a second");
            } else {
                *slot = c;
            }
        }
        const Place start{number, cells[0].column};
        if (popcol_ == npos) fail(start, "expected a column named 'population' (or 'pop') in the header row, but it has none");
        if (indcol_ == npos) {
            fail(start, "expected a column named 'individual' (or 'ind', 'sample', 'id') in the header row, but it has none");
        }
    }

    void setlayout(const std::vector<Cell>& header, long number, long headerend) {
        std::vector<const Cell*> alleles;
        for (std::size_t c : allelecols_) alleles.push_back(&header[c]);
        const Place end{number, headerend};
        const std::size_t n = alleles.size();
        if (role_ == Role::mhc) {
            if (n == 0) fail(end, "expected 1 to " + num(MAXNAMEDCOPIES) + " allele columns (one per MHC copy) after population and individual, but the header has none");
            // A column of one-cell genotypes is a locus, named by its whole
            // header, as in the MIC set; columns of one allele name theirs
            // as the MIC set's do, or are mere labels of copies.
            std::vector<std::string_view> headers;
            std::vector<Place> places;
            for (const Cell* a : alleles) {
                headers.push_back(a->text);
                places.push_back({number, a->column});
            }
            std::vector<std::string> loci = onecell_ ? std::vector<std::string>(headers.begin(), headers.end()) : copyloci(headers);
            for (std::size_t c = 0; c < n; ++c) {
                if (!loci[c].empty()) loci[c] = takename(set_, loci[c], places[c], "locus name");
            }
            const std::vector<bool> read = pickcopies(set_, loci, places, pick_, onecell_ ? static_cast<int>(copiespercell_) : 1);
            std::vector<std::size_t> kept;
            alleles.clear();
            mhcrows_.clear();
            for (std::size_t c = 0; c < n; ++c) {
                if (!read[c]) continue;
                kept.push_back(allelecols_[c]);
                mhcrows_.push_back(static_cast<std::size_t>(set_.mhclocusof[c]));
                alleles.push_back(&header[allelecols_[c]]);
            }
            allelecols_ = kept;
            const std::size_t k = onecell_ ? copiespercell_ : 1;
            if (alleles.size() * k > static_cast<std::size_t>(MAXNAMEDCOPIES)) {
                const std::size_t c = MAXNAMEDCOPIES / k;  // the column that goes beyond
                const Cell& beyond = *alleles[c];
                fail({number, beyond.column},
                     "column '" + shown(beyond.text) +
                         (k == 1 ? "' is MHC copy " + num(c + 1)
                                 : "' holds MHC copies " + num(c * k + 1) + " to " + num(c * k + k)) +
                         ", beyond the limit of " + num(MAXNAMEDCOPIES) + " copies; the header has " + num(alleles.size()) + " allele columns" +
                         (k > 1 ? " of " + num(k) + " copies each" : ""));
            }
            set_.width = static_cast<int>(alleles.size() * k);
            set_.labels.resize(set_.mhcloci.empty() ? 1 : set_.mhcloci.size());
            return;
        }
        if (n == 0) fail(end, "expected allele columns (two per locus, or one per locus holding both alleles) after population and individual, but the header has none");
        std::vector<Place> places;
        if (onecell_) {
            for (const Cell* a : alleles) {
                if (a->text.empty()) fail({number, a->column}, "expected a locus name in the header row, but the cell is empty");
                set_.locusnames.push_back(takename(set_, a->text, {number, a->column}, "locus name"));
                places.push_back({number, a->column});
            }
            checkdistinctloci(set_.file, set_.locusnames, places);
            set_.width = static_cast<int>(2 * n);
            set_.labels.resize(n);
            return;
        }
        if (n % 2 == 1) {
            fail({number, alleles[n - 1]->column}, "expected two allele columns per locus, but the header has " +
                                                       num(n) + " allele columns: '" + shown(alleles[n - 1]->text) +
                                                       "' has no partner");
        }
        for (std::size_t l = 0; l < n / 2; ++l) {
            const Cell& a = *alleles[2 * l];
            const Cell& b = *alleles[2 * l + 1];
            std::string_view name = locusof(a.text);
            if (name.empty()) {
                fail({number, a.column}, "expected a locus name before the last '_', '.' or space of '" + shown(a.text) + "'");
            }
            if (locusof(b.text) != name) {
                fail({number, b.column}, "expected the second allele column of locus '" + shown(name) + "' (from '" +
                                             shown(a.text) + "'), but '" + shown(b.text) + "' names locus '" +
                                             shown(locusof(b.text)) + "'");
            }
            set_.locusnames.push_back(takename(set_, name, {number, a.column}, "locus name"));
            places.push_back({number, a.column});
        }
        checkdistinctloci(set_.file, set_.locusnames, places);
        set_.width = static_cast<int>(n);
        set_.labels.resize(n / 2);
    }

    // The labels of one cell: `count` of them, MISSING where missing.
    void cellalleles(const Cell& cell, long line, std::size_t row, std::size_t count, std::int32_t* out) {
        const Place where{line, cell.column};
        if (missing_.missing(cell.text)) {
            for (std::size_t k = 0; k < count; ++k) out[k] = MISSING;
            return;
        }
        const bool joined = isjoined(cell.text);
        if (!onecell_ && joined) {
            fail(where, "expected one allele per cell" +
                            (layoutrow_ ? ", as in row " + std::to_string(layoutrow_) + ", the first of the file," : std::string()) +
                            " but '" + shown(cell.text) + "' holds several");
        }
        if (!onecell_) {
            out[0] = set_.labels[row].add(cell.text, where);
            return;
        }
        const std::vector<std::string_view> alleles = parts(cell.text);
        if (alleles.size() != count) {
            fail(where, "expected " + num(count) + " alleles in one cell separated by '/' or '|', as in row " +
                            std::to_string(layoutrow_) + ", the first of the file, but '" + shown(cell.text) + "' holds " +
                            num(alleles.size()));
        }
        for (std::size_t k = 0; k < count; ++k) {
            const auto offset = static_cast<long>(alleles[k].data() - cell.text.data());
            out[k] = missing_.missing(alleles[k]) ? MISSING : set_.labels[row].add(alleles[k], {line, cell.column + offset});
        }
    }

    void readrow(const Line& line) {
        while (cells_.size() > width_ && cells_.back().text.empty()) cells_.pop_back();  // trailing empty columns
        if (cells_.size() != width_) {
            const Place where = cells_.size() > width_
                                    ? Place{line.number, cells_[width_].column}
                                    : Place{line.number, endcolumn(line.text)};
            fail(where, "expected " + num(width_) + " cells, as in the header row, but the row has " + num(cells_.size()));
        }
        const Cell& popcell = cells_[popcol_];
        const Place rowstart{line.number, cells_[0].column};
        if (popcell.text.empty()) fail({line.number, popcell.column}, "expected a population name, but the cell is empty");
        const std::string name = takename(set_, popcell.text, {line.number, popcell.column}, "population name");
        RawPopulation* pop = findpopulation(set_, name);
        if (!pop) pop = &addpopulation(set_, name, {line.number, popcell.column});
        pop->individuals.push_back(rowstart);
        pop->ids.push_back(takelabel(cells_[indcol_].text));
        std::int32_t numbers[MAXNAMEDCOPIES > 2 ? MAXNAMEDCOPIES : 2];
        if (role_ == Role::mhc) {
            const std::size_t k = onecell_ ? copiespercell_ : 1;
            for (std::size_t j = 0; j < allelecols_.size(); ++j) {
                cellalleles(cells_[allelecols_[j]], line.number, mhcrows_[j], k, numbers);
                pop->alleles.insert(pop->alleles.end(), numbers, numbers + k);
            }
            return;
        }
        if (onecell_) {
            for (std::size_t l = 0; l < allelecols_.size(); ++l) {
                cellalleles(cells_[allelecols_[l]], line.number, l, 2, numbers);
                addgenotype(set_, *pop, numbers[0], numbers[1]);
            }
            return;
        }
        for (std::size_t j = 0; j < allelecols_.size(); ++j) {
            cellalleles(cells_[allelecols_[j]], line.number, j / 2, 1, numbers + j % 2);
            if (j % 2 == 1) addgenotype(set_, *pop, numbers[0], numbers[1]);
        }
    }

    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    std::vector<std::size_t> mhcrows_;  // MHC: the locus (its labels' row) of each allele column read
    LineReader& lines_;
    Role role_;
    const MissingCodes& missing_;
    RawSet& set_;
    std::string_view pick_;
    char separator_ = ',';
    std::size_t width_ = 0;  // cells per row
    std::size_t popcol_ = npos;
    std::size_t indcol_ = npos;
    std::vector<std::size_t> allelecols_;
    bool onecell_ = false;          // a cell holds a genotype (MIC) or several copies (MHC)
    std::size_t copiespercell_ = 1; // MHC copies in one cell
    long layoutrow_ = 0;            // the row that told the layout
    std::vector<Cell> cells_;       // the current row's, reused
};

}  // namespace

char separatorof(std::string_view header) {
    std::size_t tabs = 0, semicolons = 0, commas = 0;
    bool quoted = false;
    for (char c : header) {
        if (c == '"') quoted = !quoted;
        if (quoted) continue;
        tabs += c == '\t';
        semicolons += c == ';';
        commas += c == ',';
    }
    if (tabs > 0 && tabs >= semicolons && tabs >= commas) return '\t';
    return semicolons > commas ? ';' : ',';
}

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
                why = std::string("expected '") + (separator == '\t' ? std::string("\\t") : std::string(1, separator)) +
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
        pop = pop || ispopulationheader(c.text);
        ind = ind || isindividualheader(c.text);
    }
    return pop && ind;
}

void readtable(LineReader& lines, Role role, const MissingCodes& missing, RawSet& set, std::string_view mhclocus) {
    TableReader(lines, role, missing, set, mhclocus).read();
}

}  // namespace gstboot
