// Which vector kernels the engine uses. The processor decides what it can
// run; the environment variable GSTBOOT_ISA may cap that choice at a
// narrower instruction set (for tests and benchmarks). Every choice gives
// the same bits.
#pragma once

// Whether this build holds the wider x86-64 kernel sets and chooses among
// them at run time. Not on Windows: GCC there does not keep the stack
// aligned for spilled AVX registers, so the wider sets could fault; a
// Windows build runs the baseline kernels, which give the same bits.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(_WIN32) && !defined(GSTBOOT_BASELINE_ONLY)
#define GSTBOOT_DISPATCH 1
#endif

namespace gstboot {

// Kernel sets from narrowest to widest. `baseline` is what every processor
// of the architecture has: SSE2 on x86-64, NEON (Advanced SIMD) on aarch64.
enum class Isa { baseline, avx2, avx512 };

// The kernel set that GSTBOOT_ISA and the processor allow now: the widest
// the processor has, capped by the variable when it is set and not empty.
// Reads the environment on every call, so a test may change the variable
// between engines. Throws Error (status 2) when the variable holds a value
// this platform does not accept; the message lists the accepted ones.
Isa chosenisa();

// The name of chosenisa()'s kernels, as GSTBOOT_ISA spells it ("avx512",
// "avx2", "baseline"; "neon" on aarch64). Throws like chosenisa().
const char* kernelname();

// The kernel set a GSTBOOT_ISA value caps the choice at (nullptr: unset or
// empty, no cap), combined with the widest set the processor has.
// Exposed for the tests; throws like chosenisa().
Isa capisa(const char* value, Isa widest);

// Name of a kernel set on this platform.
const char* isaname(Isa isa);

}  // namespace gstboot
