#!/usr/bin/env bash
# What Tapestrel costs at rest: the release program in the tray of a private X server with 10,000
# pictures loaded, automatic change on at its default interval of an hour, left alone for a minute after
# start-up has settled. Prints the CPU time it used in that minute and its resident memory.
#
#   bench/idle.sh [seconds]     default 60
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
./scripts/install-deps
build=build/bench-release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAPESTREL_TESTS=OFF >/dev/null
cmake --build "$build" --target Tapestrel >/dev/null

work=$(mktemp -d)
xvfb=
program=
tapestrel=
tray=
cleanup() {
  for process in $tapestrel $program $tray $xvfb; do
    kill "$process" 2>/dev/null || true
  done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# One real picture under 10,000 names: the scan and the list are what idle costs, and the
# pictures the tick picks all load.
pictures=$work/pictures
mkdir -p "$pictures"
convert -size 1024x768 gradient:navy-orange "$pictures/IMG_00000.jpg"
for number in $(seq 1 9999); do
  ln "$pictures/IMG_00000.jpg" "$pictures/$(printf 'IMG_%05d.jpg' "$number")"
done

number=90
while [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ]; do
  number=$((number + 1))
done
export DISPLAY=:$number
Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do
  xdpyinfo >/dev/null 2>&1 && break
  sleep 0.1
done

# A tray to live in, as on a desktop: without one the program keeps looking for it.
trayer --edge bottom --align right --widthtype request --height 32 --SetDockType true \
  --transparent false >/dev/null 2>&1 &
tray=$!

# A home of its own, and a program directory of its own for the options it writes.
mkdir -p "$work/home" "$work/program"
ln "$build/Tapestrel" "$work/program/Tapestrel" 2>/dev/null ||
  cp "$build/Tapestrel" "$work/program/Tapestrel"
HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share \
  QT_QPA_PLATFORM=xcb dbus-run-session -- "$work/program/Tapestrel" ShowOnStart \
  >"$work/program.log" 2>&1 &
program=$!

window=
for _ in $(seq 100); do
  window=$(xdotool search --name '^Tapestrel$' 2>/dev/null | head -1) && [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "Tapestrel showed no window" >&2; exit 1; }
tapestrel=$(pgrep -f "^$work/program/Tapestrel" | head -1)
click() { xdotool mousemove --window "$window" "$1" "$2" click 1; sleep 0.3; }
# Until the window titled $1 is gone, press Return in it (a completion list may take the first).
answer() {
  for _ in $(seq 50); do
    xdotool search --name "$1" >/dev/null 2>&1 || return 0
    xdotool key Return
    sleep 0.3
  done
  echo "the window \"$1\" stays" >&2
  exit 1
}

# The Directories page: "Add directory", the folder typed into its dialog, "Reload file names".
click 240 67
click 43 333
sleep 1
xdotool type "$pictures"
answer 'Choose a directory with picture files'
click 253 333
sleep 1
answer '^Message$'

# The CPU time of all the program's threads, in nanoseconds.
cpu() {
  local total=0 time
  for task in /proc/"$tapestrel"/task/*; do
    read -r time _ <"$task/schedstat"
    total=$((total + time))
  done
  echo "$total"
}

# The first tick takes a picture and broadcasts one; then nothing is due for an hour.
for _ in $(seq 100); do
  [ -e "$work/home/.local/share/Tapestrel/Tapestrel_Wallpaper.bmp" ] && break
  sleep 0.1
done
[ -e "$work/home/.local/share/Tapestrel/Tapestrel_Wallpaper.bmp" ] ||
  { echo "no wallpaper: the pictures did not load" >&2; cat "$work/program.log" >&2; exit 1; }
sleep 3
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
before=$(cpu)
sleep "$seconds"
after=$(cpu)
load_after=$(cut -d' ' -f1-3 /proc/loadavg)
rss=$(awk '/^VmRSS/ { printf "%.1f", $2 / 1024 }' "/proc/$tapestrel/status")
count=$(grep -c . <<<"$(ls "$pictures")")

awk -v ns=$((after - before)) -v s="$seconds" -v rss="$rss" -v n="$count" \
  -v lb="$load_before" -v la="$load_after" 'BEGIN {
    ms = ns / 1e6
    printf "pictures %d; over %d s at rest: CPU %.1f ms (%.1f ms a minute, %.4f%% of a core); resident %s MB\n",
      n, s, ms, ms * 60 / s, ms / (s * 10), rss
    printf "load %s before, %s after\n", lb, la
    print "targets: at most 30 ms of CPU a minute (0.05% of a core) and 80 MB resident"
  }'
