#!/usr/bin/env bash
# check-install.sh BUILD_DIR: installs the build into a temporary prefix, checks that every
# file is where desktops and man look for it, then builds the Debian package and checks its
# contents and computed dependencies.
set -euo pipefail
build=${1:?usage: check-install.sh BUILD_DIR}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

installed=(
  bin/veltrano
  share/applications/veltrano.desktop
  share/icons/hicolor/scalable/apps/veltrano.svg
  share/icons/hicolor/48x48/apps/veltrano.png
  share/icons/hicolor/128x128/apps/veltrano.png
  share/man/man1/veltrano.1
)

cmake --install "$build" --prefix "$work/prefix" >/dev/null
for f in "${installed[@]}"; do [ -s "$work/prefix/$f" ] || fail "not installed: $f"; done
[ -x "$work/prefix/bin/veltrano" ] || fail "bin/veltrano is not executable"
desktop-file-validate "$work/prefix/share/applications/veltrano.desktop" || fail "desktop file"
grep -qx 'Exec=veltrano %F' "$work/prefix/share/applications/veltrano.desktop" || fail "Exec"
file "$work/prefix/share/icons/hicolor/48x48/apps/veltrano.png" | grep -q '48 x 48' ||
  fail "48x48 icon has another size"
man -l --warnings "$work/prefix/share/man/man1/veltrano.1" >/dev/null 2>"$work/man.err" &&
  [ ! -s "$work/man.err" ] || fail "man page: $(cat "$work/man.err")"

(cd "$work" && cpack --config "$build/CPackConfig.cmake" -B "$work/deb" >/dev/null)
deb=$(ls "$work"/deb/*.deb)
contents=$(dpkg-deb -c "$deb")
for f in "${installed[@]}"; do
  grep -q " \./usr/$f\$" <<<"$contents" || fail "not in the package: /usr/$f"
done
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libstdc++6 libfltk1.3 librtmidi6 libjack; do
  grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done
[ "$(dpkg-deb -f "$deb" Section)" = sound ] || fail "Section is not sound"

[ $failures -eq 0 ] && echo "installed and packaged: $(basename "$deb")"
exit $((failures > 0))
