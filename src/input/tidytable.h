// The reader of tidy tables: one header row, then one row per individual.
//
// Cells are separated by the most frequent of tab, ';' and ',' in the header
// row (outside quotes); a cell may be quoted ("..."; "" inside stands for one
// quote), and blanks around a cell are not part of it. The header names a
// population column (`population` or `pop`) and an individual column
// (`individual`, `ind`, `sample` or `id`), any case, anywhere; every other
// column holds alleles, in order. The first row of data tells the layout:
// when one of its allele cells holds several alleles separated by '/' or '|'
// (`164/156`), every cell of the file holds as many (a MIC genotype, one
// column per locus named by its header; MHC copies, the same number in each
// column, a column per locus named by its header); otherwise a cell holds
// one allele: one column per MHC copy, two per MIC locus, the locus named by
// the header up to its last '_', '.' or space (the whole header when it has
// none). The MHC copies are the columns of one locus: the file's only one,
// or the one `mhclocus` picks (see mhcloci.h). An allele is any text;
// a cell that MissingCodes calls missing is. The rows of a population need
// not be together: populations are numbered in order of first appearance,
// individuals in row order. Blank rows, rows of empty cells only, and
// trailing empty columns are ignored.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "input/missing.h"
#include "input/rawset.h"

namespace gstboot {

// Reads a table into `set`. Throws Error (status 1, "name:line:column: ..."
// with what was expected) on a table that breaks the rules above or the
// limits of the data set.
void readtable(LineReader& lines, Role role, const MissingCodes& missing, RawSet& set,
               std::string_view mhclocus = {});

struct Cell {
    std::string text;  // unquoted, without surrounding blanks
    long column = 0;   // 1-based byte column where the cell begins
};

// Splits one line into cells at `separator`. False, with `badcolumn` and
// `why` set, on a quote that is not closed or is followed by more than blanks.
bool splitrow(std::string_view line, char separator, std::vector<Cell>& cells, long& badcolumn, std::string& why);

// The separator of the rows of a table whose header row is `header`: the
// most frequent of tab, ';' and ',' outside quotes (ties in that order).
char separatorof(std::string_view header);

// The line, cut as a header row would be, has a population and an
// individual column.
bool istableheader(std::string_view line);

}  // namespace gstboot
