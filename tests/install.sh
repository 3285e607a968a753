#!/usr/bin/env bash
# Installs a build into a fresh prefix and checks what a user gets: the
# program, and both manual pages, all three naming the project version.
#   tests/install.sh CMAKE BUILD_DIR VERSION
set -euo pipefail
cmake=$1 build=$2 version=$3
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
"$cmake" --install "$build" --prefix "$prefix" >/dev/null
failed=0
check() {
  if [ "$2" = "$3" ]; then echo "ok: $1"; else echo "FAILED: $1: '$2', expected '$3'" >&2; failed=1; fi
}
check "installed program's --version" "$("$prefix/bin/gstboot" --version | head -n 1)" "gstboot $version"
for page in man1/gstboot.1 man5/gstboot.5; do
  file=$prefix/share/man/$page
  if [ ! -f "$file" ]; then echo "FAILED: $page not installed" >&2; failed=1; continue; fi
  # .TH NAME SECTION DATE "gstboot VERSION" ...
  check "$page names the version" "$(sed -n 's/^\.TH .*"\(gstboot [^"]*\)".*/\1/p' "$file" | head -n 1)" "gstboot $version"
  if grep -q '@[A-Z_]*@' "$file"; then echo "FAILED: $page holds an unfilled @VARIABLE@" >&2; failed=1; fi
done
exit "$failed"
