// Elementary functions built from + - * / and sqrt alone, so that every
// platform gives the same bits: C libraries' log, exp and friends differ in
// their last bits between glibc, mingw and macOS. Accuracy (held to
// high-precision values in the tests): naturallog and exponential within 2
// units in the last place, the others within the relative errors given.
#pragma once

namespace gstboot {

// log(x): -inf at 0, not a number below 0 or for a not-a-number, +inf at +inf.
double naturallog(double x);

// e^x: +inf above about 709.78, 0 below about -745.13; a subnormal result
// is rounded once, in the last scaling.
double exponential(double x);

// atan(x) in (-pi/2, pi/2); within 1e-15 relative.
double arctangent(double x);

// The standard normal distribution function Phi(z); within 1e-14 relative
// (a series for |z| < 2, the Mills ratio's continued fraction beyond).
double normalcdf(double z);

// Phi^-1(u) for 0 < u < 1: Acklam's rational start and two Newton steps on
// normalcdf; within 1e-14 relative (absolute near u = 1/2). -inf at 0, +inf
// at 1, not a number outside [0, 1].
double normalquantile(double u);

// The two-sided p of Student's t with `df` >= 1 whole degrees of freedom:
// P(|T| >= |t|), from the finite series of the distribution function for
// whole degrees of freedom, summed as a tail series where p is small so that
// small p keep their relative accuracy (within 1e-13). Not a number for a
// not-a-number t or df < 1; 0 for an infinite t.
double studenttwosided(double t, int df);

}  // namespace gstboot
