#!/usr/bin/env bash
# Times Tapestrel's picture job (a photograph fitted and cropped onto a screen, the 24-bit BMP
# written) against what a Linux user would otherwise run: feh --bg-fill on a private X server of
# the screen's size, vips thumbnail --crop centre, and the floor of any such job, djpeg decoding
# the photograph plus dd writing a file of the BMP's size. Prints the per-stage table of
# tapestrel_bench first, then the medians and our ratio to each tool. Then times the rebuild of
# the picture list from directory rows against find and sort over the same files.
#
#   bench/compare.sh            everything (a few minutes)
#   bench/compare.sh --quick    only the comparisons, with fewer runs
#   bench/compare.sh --scan     only the directory scan (with --quick: fewer runs), no redraw
set -euo pipefail
cd "$(dirname "$0")/.."

runs=15
stages=yes
jobs=yes
for option in "$@"; do
  case $option in
    --quick) runs=7 stages=no ;;
    --scan) jobs=no stages=no ;;
    *) echo "usage: bench/compare.sh [--quick] [--scan]" >&2; exit 2 ;;
  esac
done

./scripts/install-deps
tools=(hyperfine)
[ "$jobs" = no ] || tools+=(feh libvips-tools libjpeg-turbo-progs xvfb x11-utils)
missing=()
for package in "${tools[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
  [ "$status" = installed ] || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing missing packages: ${missing[*]}"
  sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

build=build/bench-release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAPESTREL_TESTS=OFF >/dev/null
cmake --build "$build" --target tapestrel_bench >/dev/null
bench=$PWD/$build/bench/tapestrel_bench
pictures=$PWD/$build/bench/pictures
[ "$jobs" = no ] || "$bench" generate "$pictures"

work=$(mktemp -d)
xvfb=
cleanup() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

if [ "$stages" = yes ]; then
  "$bench" run "$pictures"
fi

# A private X server of the screen's size for feh, on the first free display: sets display
# and xvfb (its process).
start_x() {
  local number=90
  while [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ]; do
    number=$((number + 1))
  done
  display=:$number
  Xvfb "$display" -screen 0 "$1x24" -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 100); do
    DISPLAY=$display xdpyinfo >/dev/null 2>&1 && return
    sleep 0.1
  done
  echo "Xvfb did not start on $display" >&2
  exit 1
}

stop_x() {
  kill "$xvfb" 2>/dev/null || true
  wait "$xvfb" 2>/dev/null || true
  xvfb=
}

median() {  # median in ms of one command's row of a hyperfine CSV
  awk -F, -v row="$2" 'NR == row + 1 { printf "%.1f", $4 * 1000 }' "$1"
}

summary=()
targets=()
# picture  screen  djpeg scale (what our decoder uses for the case)
cases=(
  "photo-24mp.jpg 3840x2160 1/1"
  "photo-24mp.jpg 1920x1080 1/2"
  "photo-45mp.jpg 3840x2160 1/2"
  "photo-2mp.jpg 1920x1080 1/1"
)
if [ "$jobs" = yes ]; then
  targets+=("24 MP -> 3840x2160 at most 0.8x feh and 1.5x floor; 24 MP -> 1920x1080 at most 0.7x feh;"
    "45 MP -> 3840x2160 at most 150 MB peak memory")
else
  cases=()
fi
for case in "${cases[@]}"; do
  read -r name screen scale <<<"$case"
  picture=$pictures/$name
  width=${screen%x*}
  height=${screen#*x}
  bmp_megabytes=$(( (54 + (width * 3 + 3) / 4 * 4 * height + 1048575) / 1048576 ))
  start_x "$screen"
  # Our job once more, for its peak memory.
  peak=$("$bench" job "$picture" "$screen" "$work/ours.bmp" | sed 's/.*peak //')

  echo
  echo "== $name -> $screen =="
  HOME=$work hyperfine --style basic --warmup 2 --runs "$runs" --export-csv "$work/times.csv" \
    --command-name tapestrel "$bench job $picture $screen $work/ours.bmp" \
    --command-name feh "DISPLAY=$display feh --no-fehbg --bg-fill $picture" \
    --command-name vips "vips thumbnail $picture $work/vips.ppm $width --height $height --crop centre" \
    --command-name floor "djpeg -scale $scale $picture >/dev/null && dd if=/dev/zero of=$work/floor.raw bs=1M count=$bmp_megabytes status=none" \
    >/dev/null
  stop_x

  ours=$(median "$work/times.csv" 1)
  feh=$(median "$work/times.csv" 2)
  vips=$(median "$work/times.csv" 3)
  floor=$(median "$work/times.csv" 4)
  printf '%-10s %9s ms\n' tapestrel "$ours" feh "$feh" vips "$vips" "floor" "$floor"
  ratios=$(awk -v o="$ours" -v f="$feh" -v v="$vips" -v d="$floor" \
    'BEGIN { printf "%.2fx feh, %.2fx vips, %.2fx floor", o / f, o / v, o / d }')
  echo "tapestrel: $ratios; peak memory $peak MB"
  summary+=("$name -> $screen: ${ours} ms; $ratios; peak $peak MB")
done

# The picture list rebuilt from directory rows (a scan and a sort per row), against find with
# an -iname test for each of the program's own masks, sorted without regard to case.
tree=$PWD/$build/bench/tree
"$bench" generate-tree "$tree"
IFS=';' read -ra masks <<<"$("$bench" filter)"
tests=
for mask in "${masks[@]}"; do
  tests+="${tests:+ -o }-iname '$mask'"
done
flat=()
for number in $(seq 10 10 100); do
  flat+=("$tree/$(printf 'album-%03d' "$number")")
done
# label  our arguments  find's directories and options
scans=(
  "recursive|$tree --recursive|$tree"
  "10 flat rows|${flat[*]}|${flat[*]} -maxdepth 1"
)
for scan in "${scans[@]}"; do
  IFS='|' read -r label arguments directories <<<"$scan"
  find_sort="find $directories -type f \\( $tests \\) | LC_ALL=C.UTF-8 sort -f"
  # Our scan once more, for its count, stages and peak memory; both must list the same pictures.
  read -ra words <<<"$arguments"
  line=$("$bench" scan "${words[@]}")
  read -r _ count _ <<<"$line"
  peak=${line##* }
  found=$(sh -c "$find_sort" | wc -l)

  echo
  echo "== scan: $label =="
  echo "pictures: tapestrel $count, find $found; tapestrel's stages in ms: $line"
  if [ "$count" != "$found" ]; then
    echo "the counts differ" >&2
    exit 1
  fi
  load_before=$(cut -d' ' -f1-3 /proc/loadavg)
  hyperfine --style basic --warmup 3 --runs "$runs" --export-csv "$work/times.csv" \
    --command-name tapestrel "$bench scan $arguments" \
    --command-name find+sort "$find_sort" \
    >/dev/null
  load_after=$(cut -d' ' -f1-3 /proc/loadavg)

  ours=$(median "$work/times.csv" 1)
  theirs=$(median "$work/times.csv" 2)
  printf '%-10s %9s ms\n' tapestrel "$ours" find+sort "$theirs"
  ratio=$(awk -v o="$ours" -v f="$theirs" 'BEGIN { printf "%.2fx find+sort", o / f }')
  echo "tapestrel: $ratio; peak memory $peak MB; load $load_before before, $load_after after"
  summary+=("scan, $label: ${ours} ms; $ratio; peak $peak MB; load $load_before / $load_after")
done
targets+=("scan at most 1.5x find+sort, recursive and in 10 flat rows")

# A recomposition without reload: the calendar painted on the fitted picture and the BMP written,
# against writing the BMP alone, alternating within one process.
if [ "$jobs" = yes ]; then
  for screen in 3840x2160 1920x1080; do
    echo
    echo "== redraw: $screen (load $(cut -d' ' -f1-3 /proc/loadavg)) =="
    "$bench" redraw "$screen" "$work/redraw.bmp" | tee "$work/redraw.txt"
    summary+=("redraw $screen: $(grep 'oval banded back' "$work/redraw.txt" | sed 's/^ *//')")
  done
  targets+=("redraw at most 1.5x writing the BMP alone")
fi

echo
echo "== summary (medians of $runs runs) =="
printf '%s\n' "${summary[@]}"
heading=targets:
for target in "${targets[@]}"; do
  printf '%-9s%s\n' "$heading" "$target"
  heading=
done
