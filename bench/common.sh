# Shared by the benchmark scripts (sourced, not run): the build, the measuring wrapper, and the
# arithmetic on its results.
#
# Environment: CREW_BUILD_DIR (default build), CREW_BENCH_ROUNDS (default 2: each measured command
# runs this many times, interleaved with the one it is compared with, and the faster run counts),
# CREW_BENCH_KEEP=1 keeps the scratch directory (its path is printed), CREW_BENCH_NO_BUILD=1 uses
# the programs already built.

cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$PWD
build=${CREW_BUILD_DIR:-build}
rounds=${CREW_BENCH_ROUNDS:-2}

bench_build() {
  if [ "${CREW_BENCH_NO_BUILD:-0}" = 1 ]; then
    bin=$(cd "$build" && pwd)/bin
    return
  fi
  local log
  log=$(mktemp)
  if { [ -f "$build/build.ninja" ] || [ -f "$build/Makefile" ] || cmake -S . -B "$build" -G Ninja; } >"$log" 2>&1 &&
     cmake --build "$build" --target "$@" -j2 >>"$log" 2>&1; then
    rm -f "$log"
  else
    cat "$log" >&2
    rm -f "$log"
    echo "the benchmark's programs could not be built" >&2
    exit 2
  fi
  bin=$(cd "$build" && pwd)/bin
}

bench_workdir() {
  work=$(mktemp -d "${TMPDIR:-/tmp}/crew-bench.XXXXXX")
  if [ "${CREW_BENCH_KEEP:-0}" = 1 ]; then
    echo "scratch directory (kept): $work"
  else
    trap 'rm -rf "$work"' EXIT
  fi
}

# measure OUT STDOUT -- COMMAND...: runs COMMAND under crew-measure; OUT gets its result line.
measure() {
  local out=$1 stdout=$2
  shift 3
  "$bin/crew-measure" --out "$out" --stdout "$stdout" -- "$@" || true
}

# field FILE NAME: one value of a crew-measure result line (wall, cpu, maxrss_mb, tree_mb, status).
field() { sed -E "s/.*\\b$2=([^ ]+).*/\\1/" "$1"; }

# best FILE...: the result file with the smallest wall time among those whose command succeeded
# (or the first one when none did).
best() {
  local f chosen="" w cw
  for f in "$@"; do
    [ "$(field "$f" status)" = 0 ] || continue
    w=$(field "$f" wall)
    if [ -z "$chosen" ] || awk -v a="$w" -v b="$cw" 'BEGIN { exit !(a < b) }'; then
      chosen=$f
      cw=$w
    fi
  done
  echo "${chosen:-$1}"
}

# calc EXPRESSION: floating-point arithmetic.
calc() { awk "BEGIN { printf \"%.2f\", $1 }"; }

# verdict OK_EXPRESSION: PASS or FAIL.
verdict() { awk "BEGIN { print (($1) ? \"PASS\" : \"FAIL\") }"; }

# export_all SOURCE DIR: mdb-export of every table of SOURCE, one CSV file per table in DIR.
# Written to a script so that it runs as one measured command.
write_export_script() {
  cat >"$1" <<'EOF'
#!/usr/bin/env bash
set -euo pipefail
source=$1 dir=$2
mkdir -p "$dir"
mdb-tables -1 "$source" | while IFS= read -r table; do
  mdb-export "$source" "$table" >"$dir/$table.csv"
done
EOF
  chmod +x "$1"
}
