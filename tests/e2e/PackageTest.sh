#!/usr/bin/env bash
# The Debian package made from the build tree under test, unpacked into a scratch root: every file
# where the system, GetSharedFilePath and GetDocumentFilePath look for it, nothing else, a menu
# entry the desktops accept, the dependencies the binary needs, nothing lintian finds fault with,
# and a program that runs from where the package puts it, under either of its names.
#   PackageTest.sh <build directory> <source directory>
set -euo pipefail
build=$1
source=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() {
  echo "FAILED: $*" >&2
  exit 1
}

cpack --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" ||
  fail "cpack: $(cat "$scratch/cpack.log")"
deb=$(echo "$scratch"/out/tapestrel_*.deb)
[ -f "$deb" ] || fail "no package in $scratch/out"
root=$scratch/root
dpkg -x "$deb" "$root"

expected=(
  usr/bin/tapestrel
  usr/share/applications/Tapestrel.desktop
  usr/share/doc/tapestrel/Help.html
  usr/share/doc/tapestrel/Readme.txt
  usr/share/doc/tapestrel/changelog.Debian.gz
  usr/share/doc/tapestrel/copyright
  usr/share/man/man1/tapestrel.1.gz
  usr/share/lintian/overrides/tapestrel
)
for skin in "$source"/data/CalendarSkins/*.tps; do
  expected+=("usr/share/tapestrel/CalendarSkins/${skin##*/}")
done
sizes=(16 22 24 32 48 64 128 256)
for size in "${sizes[@]}"; do
  expected+=("usr/share/icons/hicolor/${size}x${size}/apps/Tapestrel.png")
done
diff <(printf '%s\n' "${expected[@]}" | sort) <(cd "$root" && find . -type f -printf '%P\n' | sort) ||
  fail "the package's files differ from the expected ones (< expected, > packaged)"

for size in "${sizes[@]}"; do
  file "$root/usr/share/icons/hicolor/${size}x${size}/apps/Tapestrel.png" |
    grep -q "PNG image data, $size x $size," || fail "the ${size}x${size} icon is no such PNG"
done
[ -x "$root/usr/bin/tapestrel" ] || fail "the program is not executable"
[ "$(readlink "$root/usr/bin/Tapestrel")" = tapestrel ] || fail "Tapestrel is no link to tapestrel"

entry=$root/usr/share/applications/Tapestrel.desktop
desktop-file-validate "$entry" || fail "desktop-file-validate rejects the menu entry"
grep -qx 'Exec=tapestrel ShowOnStart' "$entry" || fail "the menu entry does not start the program"
grep -qx 'Icon=Tapestrel' "$entry" || fail "the menu entry names another icon"

# Computed from the binary, plus what it loads that the binary does not name.
depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6widgets6 libxcb1 libjpeg62-turbo qt6-image-formats-plugins fonts-liberation2; do
  tr ',' '\n' <<<"$depends" | sed 's/^ *//; s/ .*//' | grep -qx "$package" ||
    fail "Depends lacks $package: $depends"
done

# The hardening flags are the release build's alone (scripts/package checks those); a tree built
# otherwise is held to everything else.
suppressed=()
grep -qx 'CMAKE_BUILD_TYPE:STRING=Release' "$build/CMakeCache.txt" ||
  suppressed=(--suppress-tags hardening-no-bindnow,hardening-no-fortify-functions,hardening-no-relro)
lintian --fail-on error,warning "${suppressed[@]}" "$deb" >"$scratch/lintian" 2>&1 ||
  fail "lintian: $(cat "$scratch/lintian")"

# A command for a running copy starts the packaged binary as far as its libraries and its command
# line, and ends at once when no copy runs: nothing to wait for, no display needed.
mkdir -m 0700 "$scratch/run"
for name in tapestrel Tapestrel; do
  status=0
  HOME=$scratch XDG_RUNTIME_DIR=$scratch/run XDG_CONFIG_HOME=$scratch/config \
    XDG_DATA_HOME=$scratch/data "$root/usr/bin/$name" Next 2>"$scratch/stderr" || status=$?
  [ "$status" -eq 1 ] && grep -q "Tapestrel is not running" "$scratch/stderr" ||
    fail "the packaged program as $name, exit code $status: $(cat "$scratch/stderr")"
done
version=$("$root/usr/bin/tapestrel" --version) || fail "tapestrel --version failed"
[[ $version == "Tapestrel "[0-9]* ]] || fail "tapestrel --version printed: $version"
echo "ok: $deb"
