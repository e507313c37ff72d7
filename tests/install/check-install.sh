#!/usr/bin/env bash
# check-install.sh BUILD_DIR: installs into a temporary prefix and checks that every file is
# where desktops and man look for it, then checks the Debian package's contents and Depends.
set -uo pipefail
build=${1:?usage: check-install.sh BUILD_DIR}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
files=(bin/veltrano share/applications/veltrano.desktop share/man/man1/veltrano.1
  share/icons/hicolor/{scalable/apps/veltrano.svg,48x48/apps/veltrano.png,128x128/apps/veltrano.png})

cmake --install "$build" --prefix "$work/usr" >/dev/null || fail "cmake --install"
for f in "${files[@]}"; do [ -s "$work/usr/$f" ] || fail "not installed: $f"; done
[ -x "$work/usr/bin/veltrano" ] || fail "bin/veltrano is not executable"
desktop-file-validate "$work/usr/share/applications/veltrano.desktop" || fail "desktop file"
grep -qx 'Exec=veltrano %F' "$work/usr/share/applications/veltrano.desktop" || fail "Exec"
file "$work/usr/share/icons/hicolor/48x48/apps/veltrano.png" | grep -q '48 x 48' || fail "48x48"
[ -z "$(man -l --warnings "$work/usr/share/man/man1/veltrano.1" 2>&1 >/dev/null)" ] ||
  fail "man page warnings"

(cd "$work" && cpack --config "$build/CPackConfig.cmake" -B "$work/deb" >/dev/null)
deb=$(ls "$work"/deb/*.deb) || fail "no package"
contents=$(dpkg-deb -c "$deb")
for f in "${files[@]}"; do grep -q " \./usr/$f\$" <<<"$contents" || fail "not packaged: $f"; done
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libstdc++6 libfltk1.3 librtmidi6 libjack; do
  grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done
[ "$(dpkg-deb -f "$deb" Section)" = sound ] || fail "Section is not sound"
[ $failures -eq 0 ] && echo "installed and packaged: $(basename "$deb")"
exit $((failures > 0))
