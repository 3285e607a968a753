#include "resampling/random.h"

namespace gstboot {

void Random::discard(std::uint64_t n) {
    // Composes the affine step x -> a*x + c with itself by repeated squaring,
    // all modulo 2^32.
    std::uint32_t mul = 1u, add = 0u;      // the accumulated map
    std::uint32_t a = 214013u, c = 2531011u;  // the map for 2^bit steps
    while (n > 0) {
        if (n & 1u) {
            mul = mul * a;
            add = add * a + c;
        }
        c = c * a + c;
        a = a * a;
        n >>= 1;
    }
    state_ = state_ * mul + add;
}

}  // namespace gstboot
