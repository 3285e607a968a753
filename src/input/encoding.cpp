#include "input/encoding.h"

namespace gstboot {

void appendutf8(std::string& out, unsigned code) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

void Utf16Decoder::unit(unsigned u, std::string& out) {
    if (pending_ != 0) {
        if (u >= 0xDC00 && u < 0xE000) {
            appendutf8(out, 0x10000 + ((pending_ - 0xD800) << 10) + (u - 0xDC00));
            pending_ = 0;
            return;
        }
        appendutf8(out, 0xFFFD);
        pending_ = 0;
    }
    if (u >= 0xD800 && u < 0xDC00) {
        pending_ = u;
    } else {
        appendutf8(out, u >= 0xDC00 && u < 0xE000 ? 0xFFFD : u);
    }
}

void Utf16Decoder::feed(const char* data, std::size_t size, std::string& out) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned>(static_cast<unsigned char>(data[k])); };
    std::size_t k = 0;
    if (odd_ >= 0 && size > 0) {
        const auto first = static_cast<unsigned>(odd_);
        unit(bigendian_ ? (first << 8 | byte(0)) : (byte(0) << 8 | first), out);
        odd_ = -1;
        k = 1;
    }
    for (; k + 1 < size; k += 2) unit(bigendian_ ? (byte(k) << 8 | byte(k + 1)) : (byte(k + 1) << 8 | byte(k)), out);
    if (k < size) odd_ = static_cast<int>(byte(k));
}

void Utf16Decoder::finish(std::string& out) {
    if (pending_ != 0 || odd_ >= 0) appendutf8(out, 0xFFFD);
    pending_ = 0;
    odd_ = -1;
}

}  // namespace gstboot
