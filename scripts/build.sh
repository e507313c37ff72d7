#!/usr/bin/env bash
# Configures and builds one build tree: build.sh DIR [extra cmake arguments...]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:?usage: build.sh DIR [cmake arguments...]}
shift
cmake -S "$here" -B "$dir" "$@"
cmake --build "$dir" -j "$(nproc)"
