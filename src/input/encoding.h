// The encodings an input file may be in, and the one conversion they need:
// UTF-16 into the UTF-8 the readers take.
#pragma once

#include <cstddef>
#include <string>

namespace gstboot {

// UTF-8 (or ASCII), or UTF-16 told by its byte-order mark.
enum class Encoding { utf8, utf16le, utf16be };

// Appends the UTF-8 form of `code` (at most U+10FFFF).
void appendutf8(std::string& out, unsigned code);

// UTF-16 code units into UTF-8, fed in pieces of any size (a unit or a
// surrogate pair may be split between two). An unpaired surrogate, and an
// odd last byte, become U+FFFD.
class Utf16Decoder {
public:
    explicit Utf16Decoder(bool bigendian) : bigendian_(bigendian) {}

    // Appends to `out` what `size` more bytes complete.
    void feed(const char* data, std::size_t size, std::string& out);

    // Appends what an unfinished unit or pair leaves at the end.
    void finish(std::string& out);

private:
    void unit(unsigned u, std::string& out);

    bool bigendian_;
    int odd_ = -1;          // a byte waiting for its partner
    unsigned pending_ = 0;  // a high surrogate waiting for its low one
};

}  // namespace gstboot
