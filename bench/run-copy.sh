#!/usr/bin/env bash
# Speed and memory of "copy the source": the import's copy of a large Jet 4 file into the working
# copy (crew-mdb-copy: the child reader and the SQLite writer), against mdb-export of every table of
# the same file, in the same run.
#
#   bench/run-copy.sh [SCALE]...      (default: 3 12; scale 12 is about 90 MB and 810 000 rows)
#
# Targets: the copy takes at most 1.2 times as long as mdb-export; its peak memory (the whole
# process tree) stays under 200 MB at every size.
set -euo pipefail
source "$(dirname "$0")/common.sh"

scales=("$@")
[ ${#scales[@]} -gt 0 ] || scales=(3 12)
command -v mdb-export >/dev/null || { echo "mdb-export is not installed (scripts/bootstrap)" >&2; exit 2; }
bench_build crew-mp2-sample crew-mdb-copy crew-jet-reader crew-measure
bench_workdir
write_export_script "$work/export-all.sh"

failed=0
echo "Copy of a Jet 4 source into the working copy, against mdb-export of all its tables"
echo "(best of $rounds interleaved runs each; times are wall-clock seconds)"
for scale in "${scales[@]}"; do
  src=$work/copy-$scale.mdb
  "$bin/crew-mp2-sample" --scale "$scale" --out "$src" >"$work/sample-$scale.txt"
  rows=$(sed -nE 's/^rows ([0-9]+),.*/\1/p' "$work/sample-$scale.txt")
  mb=$(sed -nE 's/^rows [0-9]+, ([0-9.]+) MB.*/\1/p' "$work/sample-$scale.txt")
  exports=() copies=()
  for ((r = 1; r <= rounds; r++)); do
    rm -rf "$work/csv"
    measure "$work/export-$scale-$r.txt" /dev/null -- "$work/export-all.sh" "$src" "$work/csv"
    exports+=("$work/export-$scale-$r.txt")
    rm -f "$work/copy.sqlite"
    measure "$work/copy-$scale-$r.txt" /dev/null -- "$bin/crew-mdb-copy" "$src" "$work/copy.sqlite"
    copies+=("$work/copy-$scale-$r.txt")
  done
  e=$(best "${exports[@]}")
  c=$(best "${copies[@]}")
  if [ "$(field "$c" status)" != 0 ] || [ "$(field "$e" status)" != 0 ]; then
    echo "scale $scale: a run failed (copy status $(field "$c" status), mdb-export status $(field "$e" status))"
    failed=1
    continue
  fi
  ew=$(field "$e" wall) cw=$(field "$c" wall)
  ratio=$(calc "$cw / $ew")
  cpuratio=$(calc "$(field "$c" cpu) / $(field "$e" cpu)")
  peak=$(field "$c" tree_mb)
  echo
  echo "scale $scale: $rows rows in 28 tables, $mb MB"
  printf '  %-28s %8.2f s  %9.0f rows/s  cpu %7.2f s  peak %6.1f MB\n' "mdb-export, every table" "$ew" \
    "$(calc "$rows / $ew")" "$(field "$e" cpu)" "$(field "$e" tree_mb)"
  printf '  %-28s %8.2f s  %9.0f rows/s  cpu %7.2f s  peak %6.1f MB (largest process %.1f MB)\n' \
    "copy (crew-mdb-copy)" "$cw" "$(calc "$rows / $cw")" "$(field "$c" cpu)" "$peak" "$(field "$c" maxrss_mb)"
  v1=$(verdict "$ratio <= 1.2") v2=$(verdict "$peak < 200")
  echo "  copy / mdb-export: $ratio (cpu time $cpuratio)   target <= 1.2   $v1"
  echo "  copy peak memory:  $peak MB                          target < 200 MB $v2"
  [ "$v1$v2" = PASSPASS ] || failed=1
done
exit $failed
