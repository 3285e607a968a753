#include "data/detect.h"

#include <cerrno>
#include <cstring>

#include "common/error.h"
#include "data/tidytable.h"
#include "data/tokens.h"

namespace gstboot {

namespace {

// The legacy reader's blanks, LF included.
bool isvalueblank(char c) { return c == '\n' || isblank(c); }

std::string ruletext(const char* option) {
    return std::string("; the format is legacy when the first value is a decimal integer, a table when the first line "
                       "names columns 'population' and 'individual', GENEPOP when a later line reads 'Pop'; name it with ") +
           option + " legacy|genepop|table";
}

}  // namespace

const char* formatname(Format format) {
    switch (format) {
        case Format::legacy: return "legacy";
        case Format::genepop: return "genepop";
        case Format::table: return "table";
        case Format::automatic: break;
    }
    return "auto";
}

void FormatProbe::feed(const char* data, std::size_t size) {
    for (std::size_t k = 0; k < size; ++k) {
        const char c = data[k];
        if (c == '\n') {
            endline();
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
            }
        }
        if (blank) {
            if (wordsize_ > 0) wordended_ = true;
        } else if (wordended_ || wordsize_ == 3) {
            notpop_ = true;
        } else {
            word_[wordsize_++] = c;
        }
    }
}

void FormatProbe::endhead() { state_ = digitseen_ && !nondigit_ ? Head::integer : Head::other; }

void FormatProbe::endline() {
    if (state_ == Head::reading) endhead();
    if (!notpop_ && popline_ == 0 && state_ != Head::none && line_ > headplace_.line &&
        sameletters(std::string_view(word_, wordsize_), "pop")) {
        popline_ = line_;
    }
    ++line_;
    column_ = 0;
    wordsize_ = 0;
    wordended_ = notpop_ = false;
}

void FormatProbe::finish() { endline(); }

Format FormatProbe::decide(const std::string& name, const char* option, const std::string& text) const {
    if (state_ == Head::none) return Format::legacy;  // no value: the legacy reader says what is missing
    const std::string value = "its first value '" + shown(head_) + "'";
    const std::string pop = "line " + std::to_string(popline_) + " reads 'Pop' as in GENEPOP";
    if (state_ == Head::integer) {
        if (popline_ == 0) return Format::legacy;
        throw Error(ErrorKind::input, at(name, headplace_) + "cannot tell the format of this file: " + value +
                                    " is a decimal integer as in the legacy layout, but " + pop + ruletext(option));
    }
    bool table = false;
    for (const Line& line : splitlines(text)) {
        if (blankline(line)) continue;
        table = istableheader(line.text);
        break;
    }
    if (table && popline_ != 0) {
        throw Error(ErrorKind::input, at(name, headplace_) + "cannot tell the format of this file: its first line is a table "
                                                       "header, but " + pop + ruletext(option));
    }
    if (table) return Format::table;
    if (popline_ != 0) return Format::genepop;
    throw Error(ErrorKind::input, at(name, headplace_) + "cannot tell the format of this file: " + value +
                                " is not a decimal integer, its first line names no columns 'population' and "
                                "'individual', and no later line reads 'Pop'" + ruletext(option));
}

OpenedInput openinput(const std::string& path, Format forced, const char* option) {
    OpenedInput in;
    in.file = openinputfile(path);
    if (forced == Format::legacy) return in;
    if (forced != Format::automatic) {
        in.format = forced;
        in.text = readall(in.file.get(), path);
        in.file.reset();
        return in;
    }
    std::FILE* file = in.file.get();
    FilePtr spill;
    if (std::fseek(file, 0, SEEK_CUR) != 0) {
        spill.reset(std::tmpfile());
        if (!spill) throw Error(ErrorKind::input, path + ": cannot make a temporary copy: " + std::strerror(errno));
    }
    FormatProbe probe;
    char buffer[1 << 16];
    bool first = true;
    for (;;) {
        const std::size_t n = std::fread(buffer, 1, sizeof buffer, file);
        if (n == 0) break;
        if (spill && std::fwrite(buffer, 1, n, spill.get()) != n) {
            throw Error(ErrorKind::input, path + ": cannot make a temporary copy: " + std::strerror(errno));
        }
        // A byte-order mark, as the legacy reader sees one: whole in the first read.
        const std::size_t skip = first && n >= 3 && std::memcmp(buffer, "\xEF\xBB\xBF", 3) == 0 ? 3 : 0;
        first = false;
        probe.feed(buffer + skip, n - skip);
        if (!probe.legacyhead()) in.text.append(buffer, n);
    }
    if (std::ferror(file)) throw Error(ErrorKind::input, path + ": read error: " + std::strerror(errno));
    probe.finish();
    if (probe.legacyhead()) in.text.clear();
    in.format = probe.decide(path, option, in.text);
    if (in.format == Format::legacy) {
        in.text.clear();
        if (spill) in.file = std::move(spill);
        if (std::fseek(in.file.get(), 0, SEEK_SET) != 0) {
            throw Error(ErrorKind::input, path + ": cannot read the file again: " + std::strerror(errno));
        }
    } else {
        in.file.reset();
    }
    return in;
}

}  // namespace gstboot
