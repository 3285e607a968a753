// Text formatting for the outputs, the same bytes on every platform.
#pragma once

#include <string>

// printf's own format checks; MinGW's `printf` means Microsoft's rules, and
// the program is built there with the C99 functions, whose rules are GNU's.
#if defined(__MINGW32__)
#define GSTBOOT_PRINTF(fmt, args) __attribute__((format(gnu_printf, fmt, args)))
#else
#define GSTBOOT_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#endif

namespace gstboot {

// The text vsnprintf would produce, however long. For integers and strings
// only: a double goes through fixed(), whose text does not depend on the C
// library.
std::string format(const char* fmt, ...) GSTBOOT_PRINTF(1, 2);

// A finite value as "%.*f" writes it in the C locale, rounded exactly from
// its binary value (ties to even), with a sign for every negative value and
// for -0. The text comes from std::to_chars, which C++ defines bit for bit,
// so it is the same on every platform. Values that are not finite have one
// form everywhere: "-nan" for any not-a-number (the sign of a 0/0 differs
// between processors, and C libraries print it differently), "inf" and
// "-inf". `decimals` is 0 to 17.
std::string fixed(double value, int decimals);

// fixed(value, 4): the fields of the report.
std::string fixed4(double value);

}  // namespace gstboot
