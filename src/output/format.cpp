#include "output/format.h"

#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "common/check.h"

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

std::string fixed(double value, int decimals) {
    GSTBOOT_CHECK(decimals >= 0 && decimals <= 17);
    if (std::isnan(value)) return "-nan";
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    // The largest double has 309 digits before the point.
    char buf[330];
    const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    GSTBOOT_CHECK(r.ec == std::errc());
    return std::string(buf, r.ptr);
}

std::string fixed4(double value) { return fixed(value, 4); }

}  // namespace gstboot
