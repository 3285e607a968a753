// Input files of the named formats (GENEPOP, tables): opened, read whole and
// cut into lines, with the places that messages name.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace gstboot {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Opens `path`, a UTF-8 name, for reading in binary on every system (see
// system/files.h: Windows would otherwise stop at a 0x1A byte and drop the
// CR of a CR LF, which the readers take themselves). A missing file, or a
// folder, is refused as the legacy reader refuses it: "Error: Cannot open
// <path> file!" on standard output, status 1.
FilePtr openinputfile(const std::string& path);

// The rest of `file`; `name` is used in the message of a read error.
std::string readall(std::FILE* file, const std::string& name);

// A place in a file: 1-based line and byte column, a skipped byte-order mark
// not counted.
struct Place {
    long line = 1;
    long column = 1;
};

// "<name>:<line>:<column>: ", the head of every message about a place.
std::string at(const std::string& name, Place place);

// `text` as a message may quote it: non-printable bytes and quotes escaped
// as \xNN, cut to 40 bytes with "...".
std::string shown(std::string_view text);

// The bytes read as blanks: space, tab, CR, VT and FF (LF ends a line).
bool isblank(char c);

// `text` without leading and trailing blanks; `skipped` (when given) counts
// the leading ones.
std::string_view trim(std::string_view text, std::size_t* skipped = nullptr);

// The column just after the last byte of `line` that is not a blank.
long endcolumn(std::string_view line);

bool sameletters(std::string_view a, std::string_view b);  // ASCII, case ignored

struct Line {
    std::string_view text;  // without its LF
    long number = 0;
};

// The lines of a file's whole text, a leading UTF-8 byte-order mark
// skipped. The views point into `text`, which must outlive them.
std::vector<Line> splitlines(std::string_view text);

// The line holds nothing but blanks.
bool blankline(const Line& line);

// Just after the last byte that is not a blank: where a file that ends too
// soon is reported.
Place endof(const std::vector<Line>& lines);

}  // namespace gstboot
