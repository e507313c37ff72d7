#!/usr/bin/env bash
# Plants the faults of tests/mutants.txt one at a time and prints which the suite catches
# (see scripts/mutation.py). Takes about an hour; not part of CI.
set -euo pipefail
cd "$(dirname "$0")/.."
exec python3 scripts/mutation.py "$@"
