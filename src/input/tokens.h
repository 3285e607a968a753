// Whitespace-separated tokens of a text file, with the line and column at
// which each begins. Reads through a fixed buffer, so a file of any size is
// scanned in linear time and constant memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace gstboot {

struct Token {
    std::string text;       // at most Token::keep bytes of the token; the leading
                            // zeros of a longer number give way to its digits
    bool truncated = false; // the token was longer than that
    long line = 0;          // 1-based
    long column = 0;        // 1-based, in bytes (a skipped byte-order mark not counted)
    std::size_t length = 0; // bytes of the whole token, up to `longest`
    static constexpr std::size_t keep = 40;
    // A longer token ends here, truncated, and so does a longer run of
    // blanks (refused): an endless input is not read forever.
    static constexpr std::size_t longest = std::size_t{1} << 20;
};

class TokenStream {
public:
    // `name` is used only in messages. The stream does not own `file`.
    TokenStream(std::FILE* file, std::string name);

    // Next token, or false at the end of the file. A leading UTF-8
    // byte-order mark is skipped. LF, CR LF and CR alone end lines. Throws
    // Error on a read error, or at a run of more than Token::longest blanks.
    bool next(Token& token);

    // Line the stream has reached (the line of the last byte consumed).
    long line() const { return line_; }
    const std::string& name() const { return name_; }

private:
    int get();   // next byte, or EOF
    bool fill(); // refills the buffer; false at the end of the file

    std::FILE* file_;
    std::string name_;
    unsigned char buffer_[1 << 16];
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool eof_ = false;
    bool started_ = false;
    bool aftercr_ = false;  // the last byte was a CR: an LF now ends no line
    bool endblank_ = false; // the last token ended at a blank, consumed with it
    long line_ = 1;
    long column_ = 0;
};

// Parses a whole token as a decimal integer with an optional sign that fits in
// 32 bits. Returns false, with `overflow` telling why, when it does not.
bool parseint32(const std::string& text, std::int32_t& value, bool& overflow);

// The token as it may be shown in a message: non-printable bytes escaped.
std::string showtoken(const Token& token);

}  // namespace gstboot
