// printf-style formatting into a string, for the text outputs.
#pragma once

#include <string>

namespace gstboot {

// The text vsnprintf would produce, however long.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// A value as "%.4f" writes it, with the C library's texts for values that
// are not finite fixed to one form on every platform: "-nan" for any
// not-a-number (the sign of a 0/0 differs between processors and C
// libraries print it differently), "inf" and "-inf".
std::string fixed4(double value);

}  // namespace gstboot
