#!/usr/bin/env bash
# Line and branch coverage of midi/, ports/, flt/ and app/ by the whole test suite:
#   coverage.sh [BUILD_DIR]   (default build/coverage)
# Builds a Debug tree with gcov counters, runs every suite as test.sh does (xvfb-run; the
# suites start their own JACK servers), then prints the figures per folder and in total.
# Exits non-zero when a suite failed, after printing the figures of what did run.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
out=${1:-${VELTRANO_BUILD_ROOT:-$top/build}/coverage}
folders=(midi ports flt app)

bash scripts/setup-deps.sh
source scripts/suite-env.sh

bash scripts/build.sh "$out" -DCMAKE_BUILD_TYPE=Debug -DVELTRANO_COVERAGE=ON \
  -DVELTRANO_BENCH=OFF -DVELTRANO_FUZZ=OFF -DVELTRANO_SANITIZE=
# Counters add up across runs; start from zero so the figures are this run's alone.
find "$out" -name '*.gcda' -delete

suiteResult=0
runSuite "$out" || suiteResult=$?

# Branches the compiler adds for exceptions and for lines without code are left out: no
# test can take them on purpose, and they would drown the branches the code itself makes.
summary=$out/coverage-summary.json
filter=$(IFS='|'; echo "${folders[*]}")
gcovr --root "$top" --object-directory "$out" --filter "$top/($filter)/" \
  --exclude-throw-branches --exclude-unreachable-branches \
  --json-summary "$summary" --print-summary

python3 - "$summary" "${folders[@]}" <<'PY'
import json, sys
files = json.load(open(sys.argv[1]))["files"]
def percent(covered, total):
    return f"{100.0 * covered / total:6.1f}%" if total else "     -"
def row(name, entries):
    lc = sum(f["line_covered"] for f in entries); lt = sum(f["line_total"] for f in entries)
    bc = sum(f["branch_covered"] for f in entries); bt = sum(f["branch_total"] for f in entries)
    print(f"{name:<8}{percent(lc, lt)} {lc:>6}/{lt:<6}  {percent(bc, bt)} {bc:>6}/{bt:<6}")
print(f"{'folder':<8}{'lines':>7} {'':13}  {'branches':>7}")
for folder in sys.argv[2:]:
    row(folder + "/", [f for f in files if f["filename"].startswith(folder + "/")])
row("total", files)
PY
exit "$suiteResult"
