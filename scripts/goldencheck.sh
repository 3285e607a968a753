#!/usr/bin/env bash
# Runs every golden case with one build of gstboot and compares its standard
# output, report and exit status with the golden files, byte for byte.
#   scripts/goldencheck.sh LABEL EXE [RUNNER ...]
# RUNNER is what runs a program of another platform here (qemu-aarch64,
# wine); the case's folder is the working folder, as a user would run it.
set -euo pipefail
[ $# -ge 2 ] || { echo "usage: $0 LABEL EXE [RUNNER ...]" >&2; exit 2; }
label=$1
exe=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
shift 2
cd "$(dirname "$0")/.."
failed=0
count=0
for dir in tests/data/golden/*/; do
  [ -f "$dir/seed" ] || continue
  work=$(mktemp -d)
  cp "$dir/MHCdata.txt" "$dir/MICdata.txt" "$work/"
  status=0
  (cd "$work" && "$@" "$exe" --seed "$(cat "$OLDPWD/$dir/seed")" > stdout.txt 2>/dev/null) || status=$?
  count=$((count + 1))
  if [ "$status" = "$(cat "$dir/status")" ] && cmp -s "$work/stdout.txt" "$dir/stdout.txt" &&
     cmp -s "$work/output.txt" "$dir/output.txt"; then
    :
  else
    echo "$label: $(basename "$dir") DIFFERS (status $status, golden $(cat "$dir/status"))" >&2
    failed=$((failed + 1))
  fi
  rm -rf "$work"
done
echo "$label: $((count - failed)) of $count golden cases byte-identical"
[ "$failed" -eq 0 ]
