// The reader of tidy tables: one header row, then one row per individual.
//
// Cells are separated by tabs when the header row holds a tab, else by
// commas; a cell may be quoted ("..."; "" inside stands for one quote), and
// blanks around a cell are not part of it. The header names a column
// `population` and a column `individual` (any case, anywhere); every other
// column holds alleles, in order: one per copy for the MHC set (1 to 10),
// two per locus for the MIC set, the locus named by the header up to its
// last '_', '.' or space (the whole header when it has none). An allele is
// any text; an empty cell or NA is missing. The rows of a population need
// not be together: populations are numbered in order of first appearance,
// individuals in row order. Blank rows, and rows of empty cells only, are
// ignored.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "data/rawset.h"

namespace gstboot {

// Reads the whole text of a table into `set`. Throws Error (status 1,
// "name:line:column: ..." with what was expected) on a table that breaks the
// rules above or the limits of the data set.
void readtable(std::string_view text, const std::string& name, Role role, RawSet& set);

struct Cell {
    std::string text;  // unquoted, without surrounding blanks
    long column = 0;   // 1-based byte column where the cell begins
};

// Splits one line into cells at `separator`. False, with `badcolumn` and
// `why` set, on a quote that is not closed or is followed by more than blanks.
bool splitrow(std::string_view line, char separator, std::vector<Cell>& cells, long& badcolumn, std::string& why);

// The line, cut as a header row would be, has cells `population` and `individual`.
bool istableheader(std::string_view line);

}  // namespace gstboot
