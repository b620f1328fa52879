#!/usr/bin/env bash
# Times Tapestrel's picture job (a photograph fitted and cropped onto a screen, the 24-bit BMP
# written) against what a Linux user would otherwise run: feh --bg-fill on a private X server of
# the screen's size, vips thumbnail --crop centre, and the floor of any such job, djpeg decoding
# the photograph plus dd writing a file of the BMP's size. Prints the per-stage table of
# tapestrel_bench first, then the medians and our ratio to each tool.
#
#   bench/compare.sh            everything (a few minutes)
#   bench/compare.sh --quick    only the comparison, with fewer runs
set -euo pipefail
cd "$(dirname "$0")/.."

runs=15
stages=yes
if [ "${1:-}" = --quick ]; then
  runs=7
  stages=no
fi

./scripts/install-deps
tools=(hyperfine feh libvips-tools libjpeg-turbo-progs xvfb x11-utils)
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
"$bench" generate "$pictures"

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
# picture  screen  djpeg scale (what our decoder uses for the case)
cases=(
  "photo-24mp.jpg 3840x2160 1/1"
  "photo-24mp.jpg 1920x1080 1/2"
  "photo-45mp.jpg 3840x2160 1/2"
  "photo-2mp.jpg 1920x1080 1/1"
)
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

echo
echo "== summary (medians of $runs runs) =="
printf '%s\n' "${summary[@]}"
echo "targets: 24 MP -> 3840x2160 at most 0.8x feh and 1.5x floor; 24 MP -> 1920x1080 at most 0.7x feh;"
echo "         45 MP -> 3840x2160 at most 150 MB peak memory"
