#include "input/detect.h"

#include <cerrno>
#include <cstring>

#include "common/error.h"
#include "input/genepop.h"
#include "model/limits.h"
#include "input/tidytable.h"
#include "input/tokens.h"

namespace gstboot {

namespace {

// The legacy reader's blanks, LF included.
bool isvalueblank(char c) { return c == '\n' || isblank(c); }

std::string ruletext(const char* option) {
    std::string names;
    for (Format f : kFormats) {
        if (f != Format::automatic) names += std::string(names.empty() ? "" : "|") + formatname(f);
    }
    return std::string("; the format is legacy when the first value is a decimal integer, a table when the first line "
                       "names columns 'population' and 'individual', GENEPOP when a later line reads 'Pop', GenAlEx "
                       "when the first line holds counts only and the second does not, STRUCTURE when one of the first "
                       "two lines holds a label, a population and numbers only; name it with ") +
           option + " " + names;
}

bool isdigits(std::string_view s) { return !s.empty() && s.find_first_not_of("0123456789") == std::string_view::npos; }

bool issigned(std::string_view s) { return isdigits(s.substr(!s.empty() && (s[0] == '-' || s[0] == '+') ? 1 : 0)); }

// GenAlEx's first line: three counts or more, separated by a tab, ';' or ','.
bool isgenalexhead(std::string_view line) {
    const char sep = separatorof(line);
    if (line.find(sep) == std::string_view::npos) return false;
    std::vector<Cell> cells;
    long bad = 0;
    std::string why;
    if (!splitrow(line, sep, cells, bad, why)) return false;
    while (!cells.empty() && cells.back().text.empty()) cells.pop_back();
    if (cells.size() < 3) return false;
    for (const Cell& c : cells)
        if (!isdigits(c.text)) return false;
    return true;
}

// GenAlEx's second row holds names; a legacy file's lines hold numbers only.
bool holdstext(std::string_view line) {
    for (char c : line) {
        if (!(c >= '0' && c <= '9') && !isblank(c) && c != '+' && c != '-' && c != ',' && c != ';') return true;
    }
    return false;
}

// A STRUCTURE row: a label, a population, then integers.
bool isstructurerow(std::string_view line) {
    std::size_t count = 0;
    for (std::string_view word : words(line)) {
        if (count++ > 1 && !issigned(word)) return false;
    }
    return count >= 3;
}

}  // namespace

const char* formatname(Format format) {
    switch (format) {
        case Format::legacy: return "legacy";
        case Format::genepop: return "genepop";
        case Format::table: return "table";
        case Format::genalex: return "genalex";
        case Format::structure: return "structure";
        case Format::vcf: return "vcf";
        case Format::automatic: break;
    }
    return "auto";
}

const char* formattitle(Format format) {
    switch (format) {
        case Format::legacy: return "legacy";
        case Format::genepop: return "GENEPOP";
        case Format::table: return "table";
        case Format::genalex: return "GenAlEx";
        case Format::structure: return "STRUCTURE";
        case Format::vcf: return "VCF";
        case Format::automatic: break;
    }
    return "auto";
}

void FormatProbe::feed(const char* data, std::size_t size) {
    for (std::size_t k = 0; k < size && !settled_; ++k) {
        const char c = data[k];
        if (c == '\n' && aftercr_) {
            aftercr_ = false;
            continue;
        }
        aftercr_ = c == '\r';
        if (c == '\n' || c == '\r') {
            endline();
            bound(true);
            continue;
        }
        ++column_;
        const bool blank = isvalueblank(c);
        if (state_ == Head::none && !blank) {
            state_ = Head::reading;
            headplace_ = {line_, column_};
        }
        if (state_ == Head::reading) {
            if (blank) {
                endhead();
            } else {
                if (head_.size() <= Token::keep) head_.push_back(c);
                const bool sign = (c == '+' || c == '-') && headbytes_ == 0;
                if (c >= '0' && c <= '9') {
                    digitseen_ = true;
                } else if (!sign) {
                    nondigit_ = true;
                }
                ++headbytes_;
                // A number longer than any value: the legacy reader refuses it.
                if (headbytes_ > Token::longest && !nondigit_) {
                    endhead();
                    settled_ = true;
                }
            }
        }
        if (current_.size() < MAXLINE) {
            current_.push_back(c);
        } else {
            overlong_ = true;
            // Only the legacy layout, where lines mean nothing, has such a line.
            if (state_ == Head::other || (state_ == Head::reading && nondigit_)) settled_ = true;
        }
        bound(blank);
    }
}

void FormatProbe::bound(bool blank) {
    if (blank) {
        inword_ = false;
        ++blankrun_;
    } else {
        blankrun_ = 0;
        if (!inword_) ++values_;
        inword_ = true;
    }
    if (blankrun_ <= Token::longest && values_ <= MAXMICVALUES) return;
    // Beyond what a legacy file holds: the legacy reader refuses the file
    // there. Only a file that is legacy so far settles, so that a copy of a
    // pipe is cut short only where that reader will refuse it. The GenAlEx
    // look of the first two lines is judged once: judged at every value
    // past the bound, it took most of the time of reading a large file.
    if (state_ == Head::none) {
        settled_ = true;
    } else if (state_ == Head::integer) {
        if (firsts_.size() < 2) {
            settled_ = true;
        } else {
            if (genalex_ == Judged::no) genalex_ = isgenalexhead(firsts_[0]) && holdstext(firsts_[1]) ? Judged::genalex : Judged::other;
            settled_ = genalex_ == Judged::other;
        }
    }
}

void FormatProbe::endhead() { state_ = digitseen_ && !nondigit_ ? Head::integer : Head::other; }

void FormatProbe::endline() {
    if (state_ == Head::reading) endhead();
    const Line line{current_, line_};
    if (!blankline(line) && firsts_.size() < 3) firsts_.push_back(current_);
    if (state_ != Head::none && line_ > headplace_.line && !overlong_) {
        std::string_view name;
        if (popline_ == 0 && ispopline(current_, &name) && name.empty()) popline_ = line_;
        if (namedpop_ == 0 && ispopline(current_, &name)) namedpop_ = line_;
    }
    ++line_;
    column_ = 0;
    current_.clear();
    overlong_ = false;
}

void FormatProbe::finish() {
    if (!settled_) endline();
}

Format FormatProbe::decide(const std::string& name, const char* option) const {
    if (state_ == Head::none && firsts_.empty()) return Format::legacy;  // no value: the legacy reader says what is missing
    if (firsts_.size() >= 2 && isgenalexhead(firsts_[0]) && holdstext(firsts_[1])) return Format::genalex;
    if (state_ == Head::none) return Format::legacy;
    const std::string value = "its first value '" + shown(head_) + "'";
    const std::string pop = "line " + std::to_string(popline_) + " reads 'Pop' as in GENEPOP";
    if (state_ == Head::integer) {
        if (popline_ == 0) return Format::legacy;
        throw Error(ErrorKind::input, at(name, headplace_) + "cannot tell the format of this file: " + value +
                                    " is a decimal integer as in the legacy layout, but " + pop + ruletext(option));
    }
    const bool table = !firsts_.empty() && istableheader(firsts_[0]);
    if (table && popline_ != 0) {
        throw Error(ErrorKind::input, at(name, headplace_) + "cannot tell the format of this file: its first line is a table "
                                                       "header, but " + pop + ruletext(option));
    }
    if (table) return Format::table;
    if (popline_ != 0 || namedpop_ != 0) return Format::genepop;
    for (std::size_t k = 0; k < firsts_.size() && k < 2; ++k)
        if (isstructurerow(firsts_[k])) return Format::structure;
    throw Error(ErrorKind::input, at(name, headplace_) + "cannot tell the format of this file: " + value +
                                " is not a decimal integer, its first line names no columns 'population' and "
                                "'individual', and no later line reads 'Pop'" + ruletext(option));
}

namespace {

[[noreturn]] void copyfailed(const std::string& path) {
    throw Error(ErrorKind::input, path + ": cannot make a temporary copy: " + std::strerror(errno));
}

void putbytes(std::FILE* to, const char* data, std::size_t size, const std::string& path) {
    if (size > 0 && std::fwrite(data, 1, size, to) != size) copyfailed(path);
}

}  // namespace

OpenedInput openinput(const std::string& path, Format forced, const char* option) {
    return openstream(openinputfile(path), path, forced, option);
}

namespace {

// Takes a UTF-16 byte-order mark at the start of in.file into in.encoding;
// the bytes looked at otherwise are put back, into a copy of a file that
// cannot be rewound. `start` is then where the text begins.
void takemark(OpenedInput& in, const std::string& path, bool& seekable, long& start) {
    const int first = std::getc(in.file.get());
    if (first == 0xFF || first == 0xFE) {
        const int second = std::getc(in.file.get());
        if (second == (first ^ 1)) {
            in.encoding = first == 0xFE ? Encoding::utf16be : Encoding::utf16le;
            start = 2;
        } else if (seekable) {
            std::rewind(in.file.get());
        } else {
            FilePtr copy(std::tmpfile());
            if (!copy) copyfailed(path);
            const char head[2] = {static_cast<char>(first), static_cast<char>(second)};
            putbytes(copy.get(), head, second == EOF ? 1 : 2, path);
            char buffer[1 << 16];
            for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, in.file.get())) > 0;) putbytes(copy.get(), buffer, n, path);
            std::rewind(copy.get());
            in.file = std::move(copy);
            seekable = true;
        }
    } else if (first != EOF) {
        std::ungetc(first, in.file.get());
    }
}

}  // namespace

OpenedInput opentext(const std::string& path) {
    OpenedInput in;
    in.file = openinputfile(path);
    bool seekable = std::fseek(in.file.get(), 0, SEEK_CUR) == 0;
    long start = 0;
    takemark(in, path, seekable, start);
    return in;
}

OpenedInput openstream(FilePtr opened, const std::string& path, Format forced, const char* option) {
    OpenedInput in;
    in.file = std::move(opened);
    bool seekable = std::fseek(in.file.get(), 0, SEEK_CUR) == 0;
    long start = 0;  // where the text begins: after a UTF-16 byte-order mark
    takemark(in, path, seekable, start);
    in.format = forced;
    if (forced == Format::automatic) {
        std::FILE* file = in.file.get();
        FilePtr spill;
        if (!seekable) {
            spill.reset(std::tmpfile());
            if (!spill) copyfailed(path);
            start = 0;  // the copy begins after the mark
        }
        FormatProbe probe;
        Utf16Decoder decoder(in.encoding == Encoding::utf16be);
        std::string text;
        char buffer[1 << 16];
        bool begin = true;
        while (!probe.settled()) {
            const std::size_t n = std::fread(buffer, 1, sizeof buffer, file);
            if (n == 0) break;
            if (spill) putbytes(spill.get(), buffer, n, path);
            if (in.encoding != Encoding::utf8) {
                text.clear();
                decoder.feed(buffer, n, text);
                probe.feed(text.data(), text.size());
                continue;
            }
            // A byte-order mark, as the legacy reader sees one: whole in the first read.
            const std::size_t skip = begin && n >= 3 && std::memcmp(buffer, "\xEF\xBB\xBF", 3) == 0 ? 3 : 0;
            begin = false;
            probe.feed(buffer + skip, n - skip);
        }
        if (std::ferror(file)) throw Error(ErrorKind::input, path + ": read error: " + std::strerror(errno));
        probe.finish();
        in.format = probe.decide(path, option);
        // A probe settles early only inside a line too long to read, which the
        // copy already holds whole enough to be refused: an endless pipe ends.
        if (spill) in.file = std::move(spill);
        if (std::fseek(in.file.get(), start, SEEK_SET) != 0) {
            throw Error(ErrorKind::input, path + ": cannot read the file again: " + std::strerror(errno));
        }
    }
    if (in.format == Format::legacy && in.encoding != Encoding::utf8) {
        throw Error(ErrorKind::input, at(path, {1, 1}) + "the file is UTF-16, in which the legacy layout is not read; "
                                                        "save it as UTF-8 or plain text");
    }
    return in;
}

}  // namespace gstboot
