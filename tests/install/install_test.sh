#!/usr/bin/env bash
# Installs the build into a scratch root as `cmake --install` would on a user's machine,
# checks the desktop entry and the AppStream file with their own validators, runs the
# installed program, and builds the Debian package and looks inside it.
#   install_test.sh <source-dir> <build-dir>
set -euo pipefail
src=$1
build=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

app=io.whistlestop.Whistlestop
desktop-file-validate "$src/packaging/$app.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$src/packaging/$app.metainfo.xml" || fail "appstreamcli validate"

root=$scratch/root
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
for f in bin/whistlestop share/applications/$app.desktop share/metainfo/$app.metainfo.xml \
         share/icons/hicolor/scalable/apps/whistlestop.svg share/doc/whistlestop/whistlestop.html \
         share/man/man1/whistlestop.1; do
  [ -f "$root/usr/$f" ] || fail "not installed: /usr/$f"
done
# Every PNG is the size its folder says (the width and height of the PNG header).
for size in 16 22 24 32 48 64 128 256 512; do
  png=$root/usr/share/icons/hicolor/${size}x${size}/apps/whistlestop.png
  [ -f "$png" ] || fail "no ${size}x${size} icon"
  dims=$(od -An -tu1 -j16 -N8 "$png" | tr -s ' ')
  want=$(printf ' 0 0 %d %d 0 0 %d %d' $((size / 256)) $((size % 256)) $((size / 256)) $((size % 256)))
  [ "$dims" = "$want" ] || fail "${size}x${size} icon has header bytes '$dims'"
done
# The desktop entry starts the installed program by name, the launchable names the entry.
grep -qx 'Exec=whistlestop %f' "$root/usr/share/applications/$app.desktop" || fail "Exec line"
grep -q "<launchable type=\"desktop-id\">$app.desktop</launchable>" \
  "$root/usr/share/metainfo/$app.metainfo.xml" || fail "launchable"
if command -v groff >/dev/null; then
  warnings=$(groff -man -ww -z "$root/usr/share/man/man1/whistlestop.1" 2>&1)
  [ -z "$warnings" ] || fail "the man page: $warnings"
fi

# The installed program runs from its installed place.
"$root/usr/bin/whistlestop" --version | grep -q '^Whistlestop for Trainz ' || fail "--version"
"$root/usr/bin/whistlestop" --check "$build/demo/Diesel" >"$scratch/check.txt" ||
  fail "--check of the diesel demo set: $(cat "$scratch/check.txt")"

# The Debian package holds the same files and names the libraries the program loads.
(cd "$build" && cpack -G DEB -B "$scratch/package" >/dev/null) || fail "cpack"
deb=$(ls "$scratch"/package/whistlestop_*_*.deb)
contents=$(dpkg-deb -c "$deb")
for f in usr/bin/whistlestop usr/share/applications/$app.desktop \
         usr/share/icons/hicolor/256x256/apps/whistlestop.png usr/share/man/man1/whistlestop.1; do
  grep -q " ./$f\$" <<<"$contents" || fail "the package lacks /$f"
done
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libqt6svg6 libsdl2 libsndfile1 libebur128; do
  grep -q "$lib" <<<"$depends" || fail "the package does not depend on $lib: $depends"
done
echo "installed, validated and packaged: $(basename "$deb")"
