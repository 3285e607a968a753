#include "input/textfile.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "common/error.h"
#include "input/tokens.h"
#include "system/files.h"

namespace gstboot {

FilePtr openinputfile(const std::string& path) {
    FilePtr file(openfile(path, "rb"));
    const int err = errno;
    if (!file) {
        // The console keeps the historical form; the reason goes to stderr.
        throw Error(ErrorKind::input, "gstboot: cannot open " + path + ": " + std::strerror(err),
                    "Error: Cannot open " + path + " file!");
    }
    return file;
}

std::string readall(std::FILE* file, const std::string& name) {
    std::string text;
    char buffer[1 << 16];
    for (;;) {
        std::size_t n = std::fread(buffer, 1, sizeof buffer, file);
        text.append(buffer, n);
        if (n < sizeof buffer) break;
    }
    if (std::ferror(file)) throw Error(ErrorKind::input, name + ": read error: " + std::strerror(errno));
    return text;
}

std::string at(const std::string& name, Place place) {
    return name + ":" + std::to_string(place.line) + ":" + std::to_string(place.column) + ": ";
}

std::string shown(std::string_view text) {
    Token token;
    token.text.assign(text.substr(0, Token::keep));
    token.truncated = text.size() > Token::keep;
    return showtoken(token);
}

bool isblank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view trim(std::string_view text, std::size_t* skipped) {
    std::size_t b = 0;
    std::size_t e = text.size();
    while (b < e && isblank(text[b])) ++b;
    while (e > b && isblank(text[e - 1])) --e;
    if (skipped) *skipped = b;
    return text.substr(b, e - b);
}

long endcolumn(std::string_view line) {
    std::size_t lead = 0;
    std::string_view t = trim(line, &lead);
    return static_cast<long>(lead + t.size()) + 1;
}

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t k = 0;
    for (;;) {
        while (k < line.size() && isblank(line[k])) ++k;
        if (k == line.size()) return out;
        std::size_t e = k;
        while (e < line.size() && !isblank(line[e])) ++e;
        out.push_back(line.substr(k, e - k));
        k = e;
    }
}

bool sameletters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t k = 0; k < a.size(); ++k) {
        char x = a[k] >= 'A' && a[k] <= 'Z' ? static_cast<char>(a[k] - 'A' + 'a') : a[k];
        char y = b[k] >= 'A' && b[k] <= 'Z' ? static_cast<char>(b[k] - 'A' + 'a') : b[k];
        if (x != y) return false;
    }
    return true;
}

LineReader::LineReader(std::FILE* file, std::string name, std::size_t maxline, Encoding encoding)
    : file_(file), name_(std::move(name)), maxline_(maxline), encoding_(encoding),
      decoder_(encoding == Encoding::utf16be), buffer_(std::size_t{1} << 16) {}

LineReader::LineReader(std::string_view text, std::string name, std::size_t maxline)
    : name_(std::move(name)), maxline_(maxline), decoder_(false), data_(text.data()), size_(text.size()) {}

bool LineReader::fill() {
    for (;;) {
        if (!file_ || done_) return false;
        const std::size_t n = std::fread(buffer_.data(), 1, buffer_.size(), file_);
        pos_ = 0;
        if (n == 0 && std::ferror(file_)) throw Error(ErrorKind::input, name_ + ": read error: " + std::strerror(errno));
        if (meter_ && n > 0) meter_->add(static_cast<long long>(n));
        if (encoding_ == Encoding::utf8) {
            data_ = buffer_.data();
            size_ = n;
        } else {
            decoded_.clear();
            if (n > 0) {
                decoder_.feed(buffer_.data(), n, decoded_);
            } else {
                decoder_.finish(decoded_);
            }
            data_ = decoded_.data();
            size_ = decoded_.size();
        }
        if (n == 0) done_ = true;
        if (size_ > 0) return true;
        if (done_) return false;
        // A read of one byte of UTF-16 completes nothing yet: read on.
    }
}

bool LineReader::next(Line& line) {
    if (!started_) {
        started_ = true;
        if (file_) fill();
        // The mark is whole in the first read unless the file is shorter
        // (UTF-16's was taken before: see openstream).
        if (size_ >= 3 && std::memcmp(data_, "\xEF\xBB\xBF", 3) == 0) pos_ = 3;
    }
    if (pos_ == size_ && !fill()) return false;
    line_.clear();
    ++number_;
    for (;;) {
        std::size_t stop = pos_;
        while (stop < size_ && data_[stop] != '\n' && data_[stop] != '\r') ++stop;
        if (line_.size() + (stop - pos_) > maxline_) {
            throw Error(ErrorKind::input, at(name_, {number_, 1}) + "line " + std::to_string(number_) +
                                              " is longer than " + std::to_string(maxline_) +
                                              " bytes, more than any line of a GENEPOP file or a table holds; "
                                              "it is not read further");
        }
        line_.append(data_ + pos_, stop - pos_);
        pos_ = stop;
        if (pos_ < size_) break;
        if (!fill()) break;
    }
    if (pos_ < size_) {
        const char end = data_[pos_++];
        // CR LF is one line end, even when the read ends between the two.
        if (end == '\r' && (pos_ < size_ || fill()) && data_[pos_] == '\n') ++pos_;
    }
    line.text = line_;
    line.number = number_;
    if (!blankline(line)) end_ = {number_, endcolumn(line_)};
    return true;
}

bool blankline(const Line& line) { return trim(line.text).empty(); }

namespace {

// The length of the valid UTF-8 sequence at text[k], or 0 when it is not one
// (overlong forms, surrogates and values beyond U+10FFFF included).
std::size_t utf8length(std::string_view text, std::size_t k) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned c = byte(k);
    if (c < 0x80) return 1;
    std::size_t n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
    if (n == 0 || c > 0xF4 || k + n > text.size()) return 0;
    for (std::size_t i = 1; i < n; ++i)
        if ((byte(k + i) & 0xC0) != 0x80) return 0;
    const unsigned second = byte(k + 1);
    if ((c == 0xE0 && second < 0xA0) || (c == 0xED && second >= 0xA0) || (c == 0xF0 && second < 0x90) ||
        (c == 0xF4 && second >= 0x90)) {
        return 0;
    }
    return n;
}

bool validutf8(std::string_view text) {
    for (std::size_t k = 0; k < text.size();) {
        const std::size_t n = utf8length(text, k);
        if (n == 0) return false;
        k += n;
    }
    return true;
}

// Windows-1252 from 0x80 to 0x9F; the bytes it leaves undefined keep their
// value, as C1 controls.
constexpr unsigned short kCp1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool iscontrol(unsigned code) { return code < 0x20 || (code >= 0x7F && code < 0xA0); }

}  // namespace

std::string decodename(std::string_view raw, bool& recoded) {
    recoded = !validutf8(raw);
    if (!recoded) return std::string(raw);
    std::string out;
    for (char byte : raw) {
        const auto c = static_cast<unsigned char>(byte);
        appendutf8(out, c >= 0x80 && c < 0xA0 ? kCp1252[c - 0x80] : c);
    }
    return out;
}

std::size_t findcontrol(std::string_view raw, unsigned& code) {
    const bool utf8 = validutf8(raw);
    for (std::size_t k = 0; k < raw.size();) {
        const auto c = static_cast<unsigned char>(raw[k]);
        std::size_t n = utf8 ? utf8length(raw, k) : 1;
        code = c;
        if (utf8 && n == 2) code = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(raw[k + 1]) & 0x3Fu);
        if (!utf8 && c >= 0x80 && c < 0xA0) code = kCp1252[c - 0x80];
        if (iscontrol(code)) return k;
        k += n;
    }
    return std::string_view::npos;
}

}  // namespace gstboot
