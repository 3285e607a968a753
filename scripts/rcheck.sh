#!/usr/bin/env bash
# The R package on a Debian machine: installs R, Rcpp, testthat and
# adegenet (scripts/aptinstall.sh), assembles the tarball (make rpackage)
# and runs `R CMD check --no-manual` on it, which installs it and runs its
# testthat tests. Fails on any ERROR or WARNING of the check.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/aptinstall.sh rcheck r-base-core r-cran-rcpp r-cran-testthat r-cran-adegenet
make rpackage
# Two compilers at a time, as the rest of CI builds.
export MAKEFLAGS=${MAKEFLAGS:--j2}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tarball=$(ls dist/gstboot_*.tar.gz)
status=0
(cd "$work" && R CMD check --no-manual "$OLDPWD/$tarball") || status=$?
log=$work/gstboot.Rcheck/00check.log
cat "$work/gstboot.Rcheck/tests/testthat.Rout" 2>/dev/null | tail -n 5 || true
if [ "$status" -ne 0 ] || grep -q "^Status:.*WARNING" "$log"; then
  echo "rcheck: R CMD check found an ERROR or a WARNING (see above)" >&2
  exit 1
fi
