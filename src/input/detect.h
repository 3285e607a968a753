// Which of the input formats a file is in, told from its content.
//
// The rule, in order:
//   GenAlEx    the first line that is not blank is cells of decimal
//              integers (loci, samples, populations, sizes) separated by
//              tabs, commas or semicolons, at least three, and the second
//              holds a cell that is not one;
//   legacy     otherwise, the file's first value (blank-separated) is a
//              decimal integer, or the file holds no value at all;
//   table      otherwise, its first line that is not blank, cut into cells
//              as a header row, has a population column (`population`,
//              `pop`) and an individual column (`individual`, `ind`,
//              `sample`, `id`);
//   GENEPOP    otherwise, a later line is a `Pop` line (see genepop.h);
//   STRUCTURE  otherwise, one of its first two lines that are not blank
//              holds a label, a population and then decimal integers only
//              (three blank-separated cells at least).
// A file that is legacy or a table by this rule but also has a line that
// reads `Pop` alone after its first is ambiguous and refused, as is a file
// that no rule fits; either message states the rule and the option that
// names the format.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "input/textfile.h"

namespace gstboot {

// `vcf` is told apart before the others (see vcf.h) and holds the MIC set
// alone; it is not a value of the options.
enum class Format { automatic, legacy, genepop, table, genalex, structure, vcf };

// Every value of --mhc-format, in the order messages list them.
constexpr Format kFormats[] = {Format::legacy,  Format::genepop,   Format::table,
                               Format::genalex, Format::structure, Format::automatic};

// The name the command line uses: "legacy", "genepop", "table", "genalex",
// "structure", "auto".
const char* formatname(Format format);

// The name messages and the what-was-read lines use: "GENEPOP", "table"...
const char* formattitle(Format format);

// What one pass over a file's bytes shows of its format. Bytes are fed in
// order, the byte-order mark left out; LF, CR LF and CR end lines.
class FormatProbe {
public:
    void feed(const char* data, std::size_t size);
    void finish();

    // Nothing more can change the decision: a line too long for any format
    // but the legacy one, in a file that is not legacy; or a legacy file
    // beyond what its reader takes (a value or a run of blanks longer than
    // Token::longest, more values than MAXMICVALUES), which it refuses.
    bool settled() const { return settled_; }

    // The format, from the facts gathered. Throws Error (status 1) for an
    // ambiguous file or one that fits no rule; `option` ("--mhc-format") is
    // named there.
    Format decide(const std::string& name, const char* option) const;

private:
    void endline();
    void endhead();
    void bound(bool blank);

    enum class Head { none, reading, integer, other };
    Head state_ = Head::none;
    bool digitseen_ = false, nondigit_ = false;
    std::size_t headbytes_ = 0;
    std::string head_;    // the first value's first bytes, for messages
    Place headplace_;
    long line_ = 1;
    long column_ = 0;
    bool aftercr_ = false;
    std::string current_;              // the current line, up to MAXLINE bytes
    bool overlong_ = false;            // the current line is longer
    std::vector<std::string> firsts_;  // the first three lines that are not blank
    long popline_ = 0;                 // the first line after the head's that reads 'Pop' alone
    long namedpop_ = 0;                // the first one that is a 'Pop' line with a name
    std::size_t blankrun_ = 0;         // blanks and line ends in a row so far
    long values_ = 0;                  // blank-separated values so far
    bool inword_ = false;
    bool settled_ = false;
    // Whether the first two lines look like GenAlEx's, once there are two.
    enum class Judged { no, genalex, other };
    Judged genalex_ = Judged::no;
};

// An input file opened in its format, at the start of its text (after a
// UTF-16 byte-order mark); a file that cannot be rewound (a pipe) is copied
// to a temporary file as it is scanned, so that no file is ever held in
// memory. A UTF-16 file is for LineReader to convert; the legacy layout is
// not read in UTF-16 (such a file is refused).
struct OpenedInput {
    Format format = Format::legacy;
    FilePtr file;
    Encoding encoding = Encoding::utf8;
};

// Opens `path` and finds its format, unless `forced` names one.
OpenedInput openinput(const std::string& path, Format forced, const char* option);

// A text file of no data format (a population map), opened at the start of
// its text: UTF-8, or UTF-16 told by its byte-order mark (format unused).
OpenedInput opentext(const std::string& path);

// The same as openinput for a file already open; `name` is used in messages.
OpenedInput openstream(FilePtr file, const std::string& name, Format forced, const char* option);

}  // namespace gstboot
