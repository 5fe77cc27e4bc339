#!/usr/bin/env bash
# Speed and memory of the whole unattended import at growing sizes, against mdb-export of every
# source table of the same file, in the same run.
#
#   bench/run-import.sh [SCALE]...      (default: 1 4 16)
#
# For each scale: crew-mp2-sample writes the plant; then, interleaved and $CREW_BENCH_ROUNDS times
# each, mdb-export of every table and `crew-import --batch` into a fresh host product (set up with
# crew-host-setup in a sandbox, not timed) with no substrings, the cutoff 30 and the sample's
# renames of its over-long equipment numbers. Prints rows per second, the import's time as a ratio
# to mdb-export's, the growth from scale 4 to 16 and the peak memory of the import's process tree
# (the import and its reader child together).
#
# Targets: at scale 16 the import takes at most 2.5 times as long as mdb-export (and, with a baseline,
# at most 0.55 times the baseline's time); scale 16 takes at most 4.4 times as long as scale 4, and
# scale 64 at most 4.4 times as long as scale 16; peak memory under 300 MB at every scale.
#
# CREW_BENCH_RESULTS=DIR also keeps, per scale, the import's output, its log and a canonical dump of
# the new database (crew-dump), to compare the results of two versions with diff.
# CREW_BENCH_SEED=S writes the samples with `crew-mp2-sample --seed S` (another plant of the same size).
# CREW_BENCH_BASELINE=DIR times a second build's crew-import (DIR holds its programs, for example a
# copy of an older build's bin/) in the same rounds, interleaved with this one's, and prints this
# import's time as a ratio to the baseline's; CREW_BENCH_BASELINE_TARGET (default 0.55) is the
# largest ratio the verdict at scale 16 accepts.
set -euo pipefail
source "$(dirname "$0")/common.sh"

scales=("$@")
[ ${#scales[@]} -gt 0 ] || scales=(1 4 16)
command -v mdb-export >/dev/null || { echo "mdb-export is not installed (scripts/bootstrap)" >&2; exit 2; }
bench_build crew-mp2-sample crew-import crew-jet-reader crew-host-setup crew-measure crew-dump
bench_workdir
write_export_script "$work/export-all.sh"
results=${CREW_BENCH_RESULTS:-}
[ -z "$results" ] || mkdir -p "$results"

baseline=${CREW_BENCH_BASELINE:-}
if [ -n "$baseline" ]; then
  baseline=$(cd "$baseline" && pwd)
  [ -x "$baseline/crew-import" ] || { echo "no crew-import in CREW_BENCH_BASELINE=$baseline" >&2; exit 2; }
fi
baselineTarget=${CREW_BENCH_BASELINE_TARGET:-0.55}
seedArgs=()
[ -z "${CREW_BENCH_SEED:-}" ] || seedArgs=(--seed "$CREW_BENCH_SEED")

# import SCALE ROUND [BIN NAME]: one unattended import of the scale's sample into a fresh sandbox, by
# the programs in BIN (default: this build's); the measurement goes to NAME-SCALE-ROUND.txt (default
# import-SCALE-ROUND.txt).
import_once() {
  local scale=$1 round=$2 programs=${3:-$bin} name=${4:-import}
  local run=$work/$name-run-$1-$2
  rm -rf "$run"
  mkdir -p "$run/cwd"
  local -a env=(env XDG_CONFIG_DIRS="$run/etc" XDG_CONFIG_HOME="$run/config" HOME="$run/home" CREW_TODAY=2026-12-01
                QT_QPA_PLATFORM=offscreen)
  "${env[@]}" "$programs/crew-host-setup" --db-list-dir "$run/host" --user-dir "$run/user" >/dev/null
  local -a renames=()
  local line
  while IFS= read -r line; do
    renames+=(--rename "$line")
  done <"$work/$scale/renames.txt"
  (cd "$run/cwd" && measure "$work/$name-$scale-$round.txt" "$run/output.txt" -- "${env[@]}" \
     "$programs/crew-import" --batch --source "$work/$scale/Plant.mdb" \
     --substrings none --cutoff 30 "${renames[@]}")
}

# keep_results RUN DIR SCALE: the import's output, its log and a canonical dump of its new database
# (the log and the database compare between runs and versions with diff).
keep_results() {
  local run=$1 dir=$2 scale=$3 log db
  [ -d "$run" ] || return 0
  mkdir -p "$dir"
  cp "$run/output.txt" "$dir/output-$scale.txt"
  log=$(find "$run/user" -name MP2ImportLog.txt 2>/dev/null | head -n 1)
  db=$(find "$(dirname "${log:-/nonexistent/x}")" -maxdepth 1 -type f ! -name MP2ImportLog.txt 2>/dev/null | head -n 1)
  # The sandbox's and the scratch directory's paths, which differ between runs, are written as <run>
  # and <work>.
  [ -z "$log" ] || "$bin/crew-dump" --log "$log" | sed -e "s#$run#<run>#g" -e "s#$work#<work>#g" >"$dir/log-$scale.txt"
  [ -z "$db" ] || "$bin/crew-dump" "$db" >"$dir/database-$scale.txt"
}

declare -A importWall
failed=0
echo "Unattended import against mdb-export of every source table"
echo "(best of $rounds interleaved runs each; times are wall-clock seconds)"
for scale in "${scales[@]}"; do
  mkdir -p "$work/$scale"  # the source's name gives the new database's names: Plant is a valid one
  "$bin/crew-mp2-sample" --scale "$scale" "${seedArgs[@]}" --out "$work/$scale/Plant.mdb" --renames "$work/$scale/renames.txt" \
    >"$work/sample-$scale.txt"
  rows=$(sed -nE 's/^rows ([0-9]+),.*/\1/p' "$work/sample-$scale.txt")
  mb=$(sed -nE 's/^rows [0-9]+, ([0-9.]+) MB.*/\1/p' "$work/sample-$scale.txt")
  woe=$(awk '$1 == "WOE" { print $2 }' "$work/sample-$scale.txt")
  exports=() imports=() baselines=()
  for ((r = 1; r <= rounds; r++)); do
    rm -rf "$work/csv"
    measure "$work/export-$scale-$r.txt" /dev/null -- "$work/export-all.sh" "$work/$scale/Plant.mdb" "$work/csv"
    exports+=("$work/export-$scale-$r.txt")
    import_once "$scale" "$r"
    imports+=("$work/import-$scale-$r.txt")
    if [ -n "$baseline" ]; then
      import_once "$scale" "$r" "$baseline" baseline
      baselines+=("$work/baseline-$scale-$r.txt")
    fi
  done
  e=$(best "${exports[@]}")
  i=$(best "${imports[@]}")
  run=$work/import-run-$scale-$(basename "$i" .txt | sed -E 's/.*-//')
  echo
  echo "scale $scale: $rows rows ($woe work-order lines), $mb MB"
  ew=$(field "$e" wall) iw=$(field "$i" wall) status=$(field "$i" status)
  printf '  %-24s %8.2f s  %9.0f rows/s  cpu %8.2f s  peak %6.1f MB\n' "mdb-export, every table" "$ew" \
    "$(calc "$rows / $ew")" "$(field "$e" cpu)" "$(field "$e" tree_mb)"
  printf '  %-24s %8.2f s  %9.0f rows/s  cpu %8.2f s  peak %6.1f MB (largest process %.1f MB)\n' \
    "import (crew-import)" "$iw" "$(calc "$rows / $iw")" "$(field "$i" cpu)" "$(field "$i" tree_mb)" \
    "$(field "$i" maxrss_mb)"
  if [ "$status" != 0 ]; then
    echo "  the import did not complete (exit status $status); its last lines:"
    tail -n 5 "$run/output.txt" | sed 's/^/    | /'
    failed=1
  fi
  ratio=$(calc "$iw / $ew")
  peak=$(field "$i" tree_mb)
  v2=$(verdict "$peak < 300")
  if [ "$scale" = 16 ]; then
    v1=$(verdict "$ratio <= 2.5")
    echo "  import / mdb-export: $ratio (cpu time $(calc "$(field "$i" cpu) / $(field "$e" cpu)"))   target <= 2.5 at scale 16   $v1"
    [ "$v1" = PASS ] || failed=1
  else
    echo "  import / mdb-export: $ratio (cpu time $(calc "$(field "$i" cpu) / $(field "$e" cpu)"))"
  fi
  if [ -n "$baseline" ]; then
    b=$(best "${baselines[@]}")
    bw=$(field "$b" wall)
    printf '  %-24s %8.2f s  %9.0f rows/s  cpu %8.2f s  peak %6.1f MB\n' "baseline import" "$bw" \
      "$(calc "$rows / $bw")" "$(field "$b" cpu)" "$(field "$b" tree_mb)"
    bratio=$(calc "$iw / $bw")
    if [ "$scale" = 16 ]; then
      v3=$(verdict "$bratio <= $baselineTarget")
      echo "  import / baseline:   $bratio (cpu time $(calc "$(field "$i" cpu) / $(field "$b" cpu)"))   target <= $baselineTarget at scale 16   $v3"
      [ "$v3" = PASS ] || failed=1
    else
      echo "  import / baseline:   $bratio (cpu time $(calc "$(field "$i" cpu) / $(field "$b" cpu)"))"
    fi
  fi
  echo "  import peak memory:  $peak MB   target < 300 MB   $v2"
  [ "$v2" = PASS ] || failed=1
  importWall[$scale]=$iw
  if [ -n "$results" ]; then
    keep_results "$run" "$results" "$scale"
    [ -z "$baseline" ] || keep_results "$work/baseline-run-$scale-$(basename "$b" .txt | sed -E 's/.*-//')" \
                                        "$results/baseline" "$scale"
  fi
done

for pair in "4 16" "16 64"; do
  read -r small large <<<"$pair"
  if [ -n "${importWall[$small]:-}" ] && [ -n "${importWall[$large]:-}" ]; then
    growth=$(calc "${importWall[$large]} / ${importWall[$small]}")
    v=$(verdict "$growth <= 4.4")
    echo
    echo "growth from scale $small to $large: $growth times as long (4 times the rows)   target <= 4.4   $v"
    [ "$v" = PASS ] || failed=1
  fi
done
exit $failed
