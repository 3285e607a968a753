#include "input/tokens.h"

#include <cerrno>
#include <cstring>

#include "common/error.h"

namespace gstboot {

namespace {

// The bytes that the C library's "%d" skips in the "C" locale.
bool isblankbyte(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

}  // namespace

TokenStream::TokenStream(std::FILE* file, std::string name) : file_(file), name_(std::move(name)) {}

bool TokenStream::fill() {
    if (eof_) return false;
    end_ = std::fread(buffer_, 1, sizeof buffer_, file_);
    pos_ = 0;
    if (end_ == 0) {
        if (std::ferror(file_)) {
            throw Error(ErrorKind::input, name_ + ": read error: " + std::strerror(errno));
        }
        eof_ = true;
        return false;
    }
    return true;
}

int TokenStream::get() {
    if (pos_ == end_ && !fill()) return EOF;
    int c = buffer_[pos_++];
    if (c == '\n' || c == '\r') {
        if (c == '\r' || !aftercr_) ++line_;
        column_ = 0;
    } else {
        ++column_;
    }
    aftercr_ = c == '\r';
    return c;
}

bool TokenStream::next(Token& token) {
    if (!started_) {
        started_ = true;
        // A byte-order mark, as some editors write one, is not a value.
        // The first fill holds the whole mark unless the file is shorter.
        if (fill() && end_ >= 3 && buffer_[0] == 0xEF && buffer_[1] == 0xBB && buffer_[2] == 0xBF) {
            pos_ = 3;
        }
    }
    int c = get();
    // The blank that ended the last token begins the run.
    for (std::size_t blanks = endblank_ ? 1 : 0; c != EOF && isblankbyte(c); c = get()) {
        if (++blanks > Token::longest) {
            throw Error(ErrorKind::input, name_ + ":" + std::to_string(line_) + ":" + std::to_string(column_ > 0 ? column_ : 1) +
                                              ": more than " + std::to_string(Token::longest) +
                                              " blank bytes in a row, more than a file of the legacy layout holds; it is "
                                              "not read further");
        }
    }
    if (c == EOF) return false;
    token.text.clear();
    token.truncated = false;
    token.length = 0;
    token.line = line_;
    token.column = column_;
    bool digits = true;  // the token so far is a sign and digits only
    while (c != EOF && !isblankbyte(c)) {
        const bool digit = c >= '0' && c <= '9';
        const std::size_t lead = !token.text.empty() && (token.text[0] == '+' || token.text[0] == '-') ? 1 : 0;
        if (token.text.size() < Token::keep) {
            token.text.push_back(static_cast<char>(c));
        } else if (digits && digit && token.text[lead] == '0') {
            // A zero-padded count is the number it spells, however long the
            // padding: a leading zero gives way to the digit.
            token.text.erase(lead, 1);
            token.text.push_back(static_cast<char>(c));
        } else {
            token.truncated = true;
        }
        digits = digits && (digit || (token.length == 0 && (c == '+' || c == '-')));
        // No value is that long: the token is cut here, so that an endless
        // one (/dev/zero) is refused rather than read forever.
        if (++token.length >= Token::longest) {
            token.truncated = true;
            endblank_ = false;
            return true;
        }
        c = get();
    }
    // The blank that ended the token is consumed with it: blanks only
    // separate tokens, so nothing is lost.
    endblank_ = c != EOF;
    return true;
}

bool parseint32(const std::string& text, std::int32_t& value, bool& overflow) {
    overflow = false;
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size()) return false;
    std::int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        char ch = text[i];
        if (ch < '0' || ch > '9') return false;
        if (!overflow) {
            magnitude = magnitude * 10 + (ch - '0');
            if (magnitude > 2147483648LL) overflow = true;
        }
    }
    if (overflow) return false;
    if (!negative && magnitude > 2147483647LL) {
        overflow = true;
        return false;
    }
    value = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
    return true;
}

std::string showtoken(const Token& token) {
    std::string out;
    for (char byte : token.text) {
        unsigned char ch = static_cast<unsigned char>(byte);
        if (ch >= 0x20 && ch < 0x7F && ch != '\'') {
            out.push_back(static_cast<char>(ch));
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", ch);
            out += hex;
        }
    }
    if (token.truncated) out += "...";
    return out;
}

}  // namespace gstboot
