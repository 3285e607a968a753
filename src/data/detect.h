// Which of the three input formats a file is in, told from its content.
//
// The rule, in order:
//   legacy   the file's first value (blank-separated) is a decimal integer,
//            or the file holds no value at all;
//   table    otherwise, its first line that is not blank, cut into cells
//            as a header row, has cells `population` and `individual`;
//   GENEPOP  otherwise, a later line reads `Pop` (in any case).
// A file that is legacy or a table by this rule but also has a `Pop` line
// after its first is ambiguous and refused, as is a file that no rule fits;
// either message states the rule and the option that names the format.
#pragma once

#include <cstdio>
#include <string>

#include "data/textfile.h"

namespace gstboot {

enum class Format { automatic, legacy, genepop, table };

// The name the command line uses: "legacy", "genepop", "table", "auto".
const char* formatname(Format format);

// What one pass over a file's bytes shows of its format. Bytes are fed in
// order, the byte-order mark left out.
class FormatProbe {
public:
    void feed(const char* data, std::size_t size);
    void finish();

    // The first value has been seen and is a decimal integer: the file is
    // legacy or ambiguous, and its text is not needed to tell which.
    bool legacyhead() const { return state_ == Head::integer; }

    // The format, from the facts gathered and, unless legacyhead(), the
    // file's whole text. Throws Error (status 1) for an ambiguous file or
    // one that fits no rule; `option` ("--mhc-format") is named there.
    Format decide(const std::string& name, const char* option, const std::string& text) const;

private:
    void endline();
    void endhead();

    enum class Head { none, reading, integer, other };
    Head state_ = Head::none;
    bool digitseen_ = false, nondigit_ = false;
    std::size_t headbytes_ = 0;
    std::string head_;    // the first value's first bytes, for messages
    Place headplace_;
    long line_ = 1;
    long column_ = 0;
    // The current line as a candidate Pop line: the word so far, and
    // whether anything but blanks around one word of at most 3 bytes came.
    char word_[3] = {};
    std::size_t wordsize_ = 0;
    bool wordended_ = false, notpop_ = false;
    long popline_ = 0;   // the first Pop line after the first value's line
};

// An input file opened in its format: a legacy file as a stream at its
// start (for readmhc and readmic), any other as its whole text.
struct OpenedInput {
    Format format = Format::legacy;
    FilePtr file;
    std::string text;
};

// Opens `path` and finds its format, unless `forced` names one. A legacy
// file is scanned once and rewound, or copied to a temporary file as it is
// scanned when it cannot be rewound (a pipe), so that it is never held in
// memory.
OpenedInput openinput(const std::string& path, Format forced, const char* option);

}  // namespace gstboot
