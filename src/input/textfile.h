// Input files of the named formats (GENEPOP, tables, GenAlEx, STRUCTURE):
// opened, read line by line through a fixed buffer, with the places that
// messages name, and the names in them decoded into UTF-8.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "input/encoding.h"

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

// The blank-separated words of `line`.
std::vector<std::string_view> words(std::string_view line);

bool sameletters(std::string_view a, std::string_view b);  // ASCII, case ignored

struct Line {
    std::string_view text;  // without its line end
    long number = 0;
};

// The longest line a named format may hold: far beyond any real file, and a
// bound on the memory a hostile or endless file can claim.
constexpr std::size_t MAXLINE = std::size_t{1} << 20;

// Told of the bytes the readers take from their files, as they take them,
// so that a long reading can show how far it has come. Not owned by those
// who tell it.
class ByteMeter {
public:
    virtual ~ByteMeter() = default;
    virtual void add(long long bytes) = 0;
};

// The lines of a text, read through a fixed buffer so that a file of any
// size takes memory for one line only, as UTF-8: a UTF-16 file is converted
// as it is read. A leading UTF-8 byte-order mark is skipped; LF, CR LF and
// CR alone end a line. A line longer than `maxline` bytes (of UTF-8) is
// refused (Error, status 1) at its start, before the rest of it is read, so
// an endless input ends there.
class LineReader {
public:
    // `file` is not owned and is read from where it stands (after a UTF-16
    // byte-order mark); `name` is used in messages.
    LineReader(std::FILE* file, std::string name, std::size_t maxline = MAXLINE, Encoding encoding = Encoding::utf8);
    // Over text in memory, which must outlive the reader.
    LineReader(std::string_view text, std::string name, std::size_t maxline = MAXLINE);

    // The next line, or false at the end. Its text stays valid until the
    // next call. Throws Error on a read error or an overlong line.
    bool next(Line& line);

    // Just after the last byte that is not a blank in the lines read so far:
    // where a file that ends too soon is reported.
    Place end() const { return end_; }
    const std::string& name() const { return name_; }
    // Every later read from the file is told to `meter` (null: none).
    void meter(ByteMeter* meter) { meter_ = meter; }

private:
    bool fill();

    std::FILE* file_ = nullptr;
    std::string name_;
    std::size_t maxline_;
    Encoding encoding_ = Encoding::utf8;
    Utf16Decoder decoder_;
    std::vector<char> buffer_;  // bytes as read
    std::string decoded_;       // a UTF-16 read as UTF-8
    const char* data_ = nullptr;
    std::size_t pos_ = 0, size_ = 0;
    bool started_ = false, done_ = false;
    std::string line_;
    long number_ = 0;
    Place end_;
    ByteMeter* meter_ = nullptr;
};

// The line holds nothing but blanks.
bool blankline(const Line& line);

// A name (of a population or a locus) as the program holds it: valid UTF-8.
// Text that is not valid UTF-8 is taken byte by byte as Windows-1252, the
// usual source of such names, and `recoded` is set. The five bytes that
// Windows-1252 leaves undefined become the C1 controls of the same value.
std::string decodename(std::string_view raw, bool& recoded);

// The byte offset in `raw` of the first control character (C0, DEL or C1)
// of the name decodename makes of it, or npos when it has none; `code` is
// set to the character's value.
std::size_t findcontrol(std::string_view raw, unsigned& code);

}  // namespace gstboot
