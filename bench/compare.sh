#!/usr/bin/env bash
# Times Tapestrel's picture job (a photograph fitted and cropped onto a screen, the 24-bit BMP
# written) against what a Linux user would otherwise run: feh --bg-fill on a private X server of
# the screen's size, vips thumbnail --crop centre, and the floor of any such job, djpeg decoding
# the photograph (ImageMagick's full decode for a PNG) plus dd writing a file of the BMP's size.
# The contenders run in turn, round after round. Prints the per-stage table of tapestrel_bench
# first, then the medians and our ratio to each tool. Then times the rebuild of the picture list
# from directory rows against find and sort over the same files, the composition for two 4K
# monitors (two photographs loaded side by side, two BMPs written) against one monitor's job, and
# the wait from "Tapestrel Next" to the new root pixmap against xwallpaper, feh and hsetroot.
#
#   bench/compare.sh            everything (a few minutes)
#   bench/compare.sh --quick    only the comparisons, with fewer runs
#   bench/compare.sh --scan     only the directory scan (with --quick: fewer runs), no redraw
#   bench/compare.sh --monitors only the two monitors (with --quick: fewer runs)
#   bench/compare.sh --latency  only the wait from a command to the new wallpaper on the screen
#                               (PROGRAM=path/Tapestrel times another build of the program)
set -euo pipefail
cd "$(dirname "$0")/.."

runs=15
stages=yes
jobs=yes
scan=yes
monitors=yes
latency=yes
for option in "$@"; do
  case $option in
    --quick) runs=7 stages=no ;;
    --scan) jobs=no stages=no monitors=no latency=no ;;
    --monitors) jobs=no stages=no scan=no latency=no ;;
    --latency) jobs=no stages=no scan=no monitors=no ;;
    *) echo "usage: bench/compare.sh [--quick] [--scan | --monitors | --latency]" >&2; exit 2 ;;
  esac
done

./scripts/install-deps
tools=()
[ "$jobs" = no ] || tools+=(feh libvips-tools libjpeg-turbo-progs xvfb x11-utils)
[ "$latency" = no ] || tools+=(feh xwallpaper hsetroot xvfb x11-utils)
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
cmake --build "$build" --target tapestrel_bench tapestrel_root_latency Tapestrel >/dev/null
bench=$PWD/$build/bench/tapestrel_bench
pictures=$PWD/$build/bench/pictures
[ "$jobs" = no ] && [ "$monitors" = no ] && [ "$latency" = no ] || "$bench" generate "$pictures"

work=$(mktemp -d)
xvfb=
programs=()
cleanup() {
  for program in "${programs[@]}"; do kill "$program" 2>/dev/null && wait "$program" 2>/dev/null; done
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
  # -noreset: the server stays as it is when feh, its only client, disconnects after each run.
  Xvfb "$display" -screen 0 "$1x24" -nolisten tcp -noreset >/dev/null 2>&1 &
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

# The median of the numbers given, one per word, to a tenth.
median() {  # median NUMBER...
  printf '%s\n' "$@" | grep . | sort -n |
    awk '{ value[NR] = $1 } END { printf "%.1f\n", NR % 2 ? value[(NR + 1) / 2] : (value[NR / 2] + value[NR / 2 + 1]) / 2 }'
}

# Runs the commands in turn, round after round (two rounds of warm-up first), so that a change of
# load during the run falls on all of them alike rather than on whichever ran as one block then.
# Prints the median wall time in ms of each command, one per line, in the order given.
alternate() {  # alternate RUNS COMMAND...
  local rounds=$1
  shift
  local times=()
  for ((round = -2; round < rounds; round++)); do
    for ((i = 0; i < $#; i++)); do
      local command=${*:i+1:1}
      local start end
      start=$(date +%s%N)
      bash -c "$command" >/dev/null 2>&1
      end=$(date +%s%N)
      local took=$((end - start))
      [ "$round" -lt 0 ] || times[i]+="$((took / 1000000)).$(printf '%03d' $((took / 1000 % 1000))) "
    done
  done
  for ((i = 0; i < $#; i++)); do
    # shellcheck disable=SC2086 # the words of one command's times
    median ${times[i]}
  done
}

summary=()
targets=()
# picture  screen  floor's decoder (djpeg at the scale our decoder uses for the case, or a full
# PNG decode by ImageMagick's convert to raw pixels)  normalize?
cases=(
  "photo-24mp.jpg 3840x2160 djpeg-1/1 no"
  "photo-24mp.jpg 3840x2160 djpeg-1/1 normalize"
  "photo-24mp.jpg 1920x1080 djpeg-1/2 no"
  "photo-45mp.jpg 3840x2160 djpeg-1/2 no"
  "photo-2mp.jpg 1920x1080 djpeg-1/1 no"
  "photo-12mp.png 3840x2160 png no"
)
if [ "$jobs" = yes ]; then
  targets+=("24 MP -> 3840x2160 at most 0.8x feh and 1.2x floor, normalized at most 1.3x that and 80 MB;"
    "24 MP -> 1920x1080 at most 0.7x feh; 45 MP -> 3840x2160 at most 150 MB peak memory;"
    "12 MP PNG -> 3840x2160 at most 70 MB peak memory")
else
  cases=()
fi
for case in "${cases[@]}"; do
  read -r name screen decoder normalize <<<"$case"
  picture=$pictures/$name
  width=${screen%x*}
  height=${screen#*x}
  bmp_megabytes=$(( (54 + (width * 3 + 3) / 4 * 4 * height + 1048575) / 1048576 ))
  [ "$normalize" = normalize ] || normalize=
  case $decoder in
    djpeg-*) decode="djpeg -scale ${decoder#djpeg-} $picture >/dev/null" ;;
    png) decode="convert $picture rgba:- >/dev/null" ;;
  esac
  start_x "$screen"
  # Our job once more, for its peak memory.
  peak=$("$bench" job "$picture" "$screen" "$work/ours.bmp" $normalize | sed 's/.*peak //')

  echo
  echo "== $name -> $screen${normalize:+, normalized} (load $(cut -d' ' -f1-3 /proc/loadavg)) =="
  mapfile -t medians < <(HOME=$work alternate "$runs" \
    "$bench job $picture $screen $work/ours.bmp $normalize" \
    "DISPLAY=$display feh --no-fehbg --bg-fill $picture" \
    "vips thumbnail $picture $work/vips.ppm $width --height $height --crop centre" \
    "$decode && dd if=/dev/zero of=$work/floor.raw bs=1M count=$bmp_megabytes status=none")
  stop_x

  read -r ours feh vips floor <<<"${medians[*]}"
  printf '%-10s %9s ms\n' tapestrel "$ours" feh "$feh" vips "$vips" "floor" "$floor"
  ratios=$(awk -v o="$ours" -v f="$feh" -v v="$vips" -v d="$floor" \
    'BEGIN { printf "%.2fx feh, %.2fx vips, %.2fx floor", o / f, o / v, o / d }')
  echo "tapestrel: $ratios; peak memory $peak MB; load after $(cut -d' ' -f1-3 /proc/loadavg)"
  summary+=("$name -> $screen${normalize:+ normalized}: ${ours} ms; $ratios; peak $peak MB")
done

# Two 3840x2160 monitors, a 24 MP photograph each: both loaded side by side, both BMPs written,
# against the single-monitor job of either photograph. The target allows the slower single job
# plus the second BMP's write (the write stage of a single job), and 20% more.
if [ "$monitors" = yes ]; then
  first=$pictures/photo-24mp.jpg
  second=$pictures/photo-24mp-b.jpg
  screen=3840x2160
  single_peak=0
  writes=()
  for _ in 1 2 3 4 5; do
    line=$("$bench" job "$first" "$screen" "$work/first.bmp")
    writes+=("$(sed 's/.*write \([0-9.]*\).*/\1/' <<<"$line")")
    single_peak=$(awk -v a="$single_peak" -v b="${line##* }" 'BEGIN { print (b > a ? b : a) }')
  done
  write=$(median "${writes[@]}")
  pair_peak=$("$bench" monitors "$first" "$second" "$screen" "$work/first.bmp" "$work/second.bmp" |
    sed 's/.*peak //')

  echo
  echo "== two monitors: 2 x $screen, two 24 MP JPEGs (load $(cut -d' ' -f1-3 /proc/loadavg)) =="
  # What the machine gives two such jobs at once: both single jobs as processes of their own.
  mapfile -t medians < <(alternate "$runs" \
    "$bench job $first $screen $work/first.bmp" \
    "$bench job $second $screen $work/second.bmp" \
    "$bench monitors $first $second $screen $work/first.bmp $work/second.bmp" \
    "$bench job $first $screen $work/first.bmp & $bench job $second $screen $work/second.bmp; wait")
  read -r one two pair apart <<<"${medians[*]}"
  printf '%-32s %9s ms\n' "one monitor, photo a" "$one" "one monitor, photo b" "$two" \
    "two monitors" "$pair" "both single jobs at once, apart" "$apart" "the BMP's write" "$write"
  verdict=$(awk -v o="$one" -v t="$two" -v p="$pair" -v a="$apart" -v w="$write" \
    -v sp="$single_peak" -v pp="$pair_peak" 'BEGIN {
      slower = o > t ? o : t
      printf "%.2fx (the slower single job + one write), %.2fx both jobs apart at once, ", p / (slower + w), p / a
      printf "peak %.1f MB = %.2fx one monitor'"'"'s %.1f MB", pp, pp / sp, sp }')
  echo "two monitors: $verdict; load after $(cut -d' ' -f1-3 /proc/loadavg)"
  summary+=("two monitors 2 x $screen: ${pair} ms; $verdict")
  targets+=("two monitors at most 1.2x (the slower single job + one write), peak under 2x one monitor's")
fi

# From a command to the root window's new pixmap on a 3840x2160 screen, as the user waits for it:
# "Tapestrel Next" to a running copy with the calendar shown (the default) and hidden, over two
# 24 MP photographs in turn, against xwallpaper, feh and hsetroot started afresh on one of them;
# and to a copy in a GNOME session, up to the call of its settings tool.
if [ "$latency" = yes ]; then
  latency_tool=$PWD/$build/bench/tapestrel_root_latency
  start_x 3840x2160
  # A GNOME session's settings tool, as far as the program sees it: it keeps what is set, answers
  # what is asked and leaves a mark when the picture is set.
  tools_dir=$work/gnome-tools
  mkdir -p "$tools_dir"
  cat >"$tools_dir/gsettings" <<'TOOL'
#!/bin/sh
store=$HOME/gsettings
case $1 in
  set) printf "'%s'\n" "$4" >"$store.$3"; [ "$3" = picture-uri ] && : >"$HOME/picture-set" ;;
  get) cat "$store.$3" ;;
  list-keys) echo picture-uri ;;
esac
TOOL
  chmod +x "$tools_dir/gsettings"
  for calendar in TRUE FALSE GNOME; do
    home=$work/calendar-$calendar
    mkdir -p "$home/program" "$home/pictures" "$home/run"
    chmod 700 "$home/run"
    ln -f "$pictures/photo-24mp.jpg" "$pictures/photo-24mp-b.jpg" "$home/pictures/" 2>/dev/null ||
      cp "$pictures/photo-24mp.jpg" "$pictures/photo-24mp-b.jpg" "$home/pictures/"
    cp "${PROGRAM:-$build/Tapestrel}" "$home/program/Tapestrel"
    printf '[Wallpaper]\r\nIsAutoChange=FALSE\r\n\r\n[Calendar]\r\nShow=%s\r\n\r\n[BroadcastWallpaperChange]\r\nIsAutoChange=FALSE\r\n\r\n[DirectoryList]\r\nCount=1\r\nTitle0=%s\r\nActive0=TRUE\r\nRecurs0=FALSE\r\n' \
      "$([ "$calendar" = FALSE ] && echo FALSE || echo TRUE)" "$home/pictures" >"$home/program/Tapestrel.ini"
    environment="HOME=$home XDG_RUNTIME_DIR=$home/run DISPLAY=$display QT_QPA_PLATFORM=xcb"
    [ "$calendar" != GNOME ] || environment+=" XDG_CURRENT_DESKTOP=GNOME PATH=$tools_dir:$PATH"
    env $environment "$home/program/Tapestrel" >/dev/null 2>&1 &
    programs+=($!)
    for _ in $(seq 100); do
      [ -S "$home/run/Mutex_ProgramInstance_Tapestrel.sock" ] && break
      sleep 0.1
    done
    command="$latency_tool env $environment $home/program/Tapestrel Next"
    case $calendar in
      TRUE) shown=$command ;;
      FALSE) hidden=$command ;;
      GNOME) gnome="$latency_tool --file $home/picture-set env $environment $home/program/Tapestrel Next" ;;
    esac
  done
  contenders=("$shown" "$hidden" "$gnome" "$latency_tool xwallpaper --zoom $pictures/photo-24mp.jpg"
    "$latency_tool feh --no-fehbg --bg-fill $pictures/photo-24mp.jpg"
    "$latency_tool hsetroot -fill $pictures/photo-24mp.jpg")
  names=("Tapestrel Next, calendar shown" "Tapestrel Next, calendar hidden"
    "Tapestrel Next -> GNOME's setting" "xwallpaper --zoom" "feh --bg-fill" "hsetroot -fill")
  echo
  echo "== latency: command -> new root pixmap, 3840x2160, 24 MP JPEGs (load $(cut -d' ' -f1-3 /proc/loadavg)) =="
  latencies=()
  for ((round = -2; round < runs; round++)); do
    for ((i = 0; i < ${#contenders[@]}; i++)); do
      value=$(DISPLAY=$display HOME=$work bash -c "${contenders[i]}" 2>/dev/null) || {
        echo "no new root pixmap after: ${contenders[i]}" >&2
        exit 1
      }
      [ "$round" -lt 0 ] || latencies[i]+="$value "
    done
  done
  medians=()
  for ((i = 0; i < ${#contenders[@]}; i++)); do
    # shellcheck disable=SC2086 # the words of one contender's latencies
    medians[i]=$(median ${latencies[i]})
    printf '%-32s %9s ms\n' "${names[i]}" "${medians[i]}"
  done
  # The stages on their own: our picture job (decode, fit, BMP written) and the root setter alone.
  jobs_alone=()
  uploads=()
  for _ in $(seq "$runs"); do
    jobs_alone+=("$("$bench" job "$pictures/photo-24mp.jpg" 3840x2160 "$work/job.bmp" | sed 's/.*total \([0-9.]*\).*/\1/')")
    uploads+=("$(DISPLAY=$display "$latency_tool" --upload 3840x2160)")
  done
  job=$(median "${jobs_alone[@]}")
  upload=$(median "${uploads[@]}")
  printf '%-32s %9s ms\n' "our picture job alone" "$job" "the root upload alone" "$upload"
  verdict=$(awk -v s="${medians[0]}" -v h="${medians[1]}" -v x="${medians[3]}" -v j="$job" \
    -v u="$upload" 'BEGIN {
    printf "calendar shown %.2fx xwallpaper, %.2fx (job + upload), %+.1f ms over hidden", s / x, s / (j + u), s - h }')
  echo "tapestrel: $verdict; load after $(cut -d' ' -f1-3 /proc/loadavg)"
  summary+=("latency, Tapestrel Next: ${medians[0]} ms; $verdict")
  targets+=("latency with the calendar at most 0.6x xwallpaper, 1.3x (job + upload) and 30 ms over hidden")
  for program in "${programs[@]}"; do kill "$program" 2>/dev/null && wait "$program" 2>/dev/null; done
  programs=()
  stop_x
fi

if [ "$scan" = yes ]; then
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
    mapfile -t medians < <(alternate "$runs" "$bench scan $arguments" "$find_sort")
    load_after=$(cut -d' ' -f1-3 /proc/loadavg)

    read -r ours theirs <<<"${medians[*]}"
    printf '%-10s %9s ms\n' tapestrel "$ours" find+sort "$theirs"
    ratio=$(awk -v o="$ours" -v f="$theirs" 'BEGIN { printf "%.2fx find+sort", o / f }')
    echo "tapestrel: $ratio; peak memory $peak MB; load $load_before before, $load_after after"
    summary+=("scan, $label: ${ours} ms; $ratio; peak $peak MB; load $load_before / $load_after")
  done
  targets+=("scan at most 1.5x find+sort, recursive and in 10 flat rows")
fi

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
