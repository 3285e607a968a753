#include "output/format.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace gstboot {

std::string format(const char* fmt, ...) {
    char buf[512];
    va_list ap;
    va_start(ap, fmt);
    int n = std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    if (n < 0) return std::string();
    if (static_cast<std::size_t>(n) < sizeof buf) return std::string(buf, static_cast<std::size_t>(n));
    std::string big(static_cast<std::size_t>(n) + 1, '\0');
    va_start(ap, fmt);
    std::vsnprintf(&big[0], big.size(), fmt, ap);
    va_end(ap);
    big.resize(static_cast<std::size_t>(n));
    return big;
}

std::string fixed4(double value) {
    if (std::isnan(value)) return "-nan";
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    return format("%.4f", value);
}

}  // namespace gstboot
