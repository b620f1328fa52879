#!/usr/bin/env bash
# BenchLibrariesTest.sh BENCH: the benchmark tool starts without the window code. Neither it nor
# what it loads needs Qt Widgets or the network module, and it does not need D-Bus itself (Debian's
# Qt Gui brings that in on its own).
set -euo pipefail
bench=$1

needed=$(readelf -d "$bench" | grep NEEDED)
loaded=$(ldd "$bench")
echo "$needed"
if grep -E 'libQt6(Widgets|Network|DBus)' <<<"$needed"; then
  echo "FAIL: the benchmark links window code" >&2
  exit 1
fi
if grep -E 'libQt6(Widgets|Network)' <<<"$loaded"; then
  echo "FAIL: the benchmark loads window code" >&2
  exit 1
fi
