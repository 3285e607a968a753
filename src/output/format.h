// printf-style formatting into a string, for the text outputs.
#pragma once

#include <string>

namespace gstboot {

// The text vsnprintf would produce, however long.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace gstboot
