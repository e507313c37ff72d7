#!/usr/bin/env bash
# Installs every Debian package that building, testing and running the player need.
# Idempotent and non-interactive; runs as root, or through sudo as a user.
set -euo pipefail

packages=(
  build-essential cmake pkg-config git
  libfltk1.3-dev librtmidi-dev
  jackd2 libjack-jackd2-dev
  xvfb xauth xdotool x11-utils imagemagick
  fluidsynth fluid-soundfont-gm alsa-utils
  googletest libgtest-dev libbenchmark-dev
  clang libclang-rt-14-dev
  python3-mido
  desktop-file-utils file dpkg-dev man-db python3
  gcovr strace
)

if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

export DEBIAN_FRONTEND=noninteractive
# jackd2 asks whether to enable realtime scheduling; answer once, here.
echo "jackd2 jackd/tweak_rt_limits boolean false" | "${sudo[@]}" debconf-set-selections
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
