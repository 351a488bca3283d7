#!/usr/bin/env bash
# What reading the pictures from a list costs against dropping their folder:
# pixmold-batch over COUNT small JPEG files, once as `pixmold-batch FOLDER`
# and once as `pixmold-batch --files-from LIST`, in PAIRS pairs of runs whose
# order alternates, so that a warming cache or a busy neighbour weighs on
# both sides alike. Prints the median of each side, the median of the
# differences within pairs, and that difference per picture, for the wall
# clock and for the processor time.
#
# Usage: bench/files-from-bench.sh [COUNT] [PAIRS]   (default 1000 and 15)
# Environment: PIXMOLD_BATCH (the tool, default build/pixmold-batch).
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
COUNT=${1:-1000}
PAIRS=${2:-15}
TOOL=${PIXMOLD_BATCH:-$ROOT/build/pixmold-batch}
[ -x "$TOOL" ] || { echo "no $TOOL: build it first (cmake --build build --target pixmold-batch)" >&2; exit 2; }

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
mkdir "$WORK/lib"
# One small picture (64 x 48) made from the test photo, copied COUNT times.
cp "$ROOT/tests/data/batch/base.jpg" "$WORK/base.jpg"
(cd "$WORK" && "$TOOL" --mode free --width 64 --height 48 --prefix small_ base.jpg 2>/dev/null)
for ((i = 0; i < COUNT; i++)); do cp "$WORK/small_base.jpg" "$WORK/lib/p$i.jpg"; done
find "$WORK/lib" -name 'p*.jpg' >"$WORK/list"
SIZE=(--landscape-width 32 --portrait-height 32)

# run KIND: "wall cpu" of one run in milliseconds (cpu: user + system, which
# other work on the machine disturbs less), its outputs removed first.
run() {
  rm -f "$WORK"/lib/prefix_*
  local what=("$WORK/lib")
  [ "$1" = list ] && what=(--files-from "$WORK/list")
  /usr/bin/time -f '%e %U %S' -o "$WORK/time" "$TOOL" "${SIZE[@]}" "${what[@]}" 2>/dev/null
  [ "$(find "$WORK/lib" -name 'prefix_*' | wc -l)" -eq "$COUNT" ] || { echo "a run missed pictures" >&2; exit 1; }
  awk '{printf "%d %d\n", $1 * 1000, ($2 + $3) * 1000}' "$WORK/time"
}

median() { sort -n | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : int((v[NR / 2] + v[NR / 2 + 1]) / 2)}'; }

run folder >/dev/null  # warm-up: the files and the tool in the page cache
: >"$WORK/runs"
for ((p = 0; p < PAIRS; p++)); do
  if ((p % 2 == 0)); then a=$(run folder); b=$(run list); else b=$(run list); a=$(run folder); fi
  echo "$a $b" >>"$WORK/runs"  # folder wall, folder cpu, list wall, list cpu
done
column() { awk -v c="$1" '{print $c}' "$WORK/runs" | median; }
pair_diff() { awk -v a="$1" -v b="$2" '{print $b - $a}' "$WORK/runs" | median; }
awk -v n="$COUNT" -v pairs="$PAIRS" -v fw="$(column 1)" -v fc="$(column 2)" -v lw="$(column 3)" -v lc="$(column 4)" \
  -v dw="$(pair_diff 1 3)" -v dc="$(pair_diff 2 4)" 'BEGIN {
  printf "pictures %d, pairs %d; medians in seconds\n", n, pairs
  printf "               wall     cpu\n"
  printf "folder drop  %6.3f  %6.3f\n", fw / 1e3, fc / 1e3
  printf "files-from   %6.3f  %6.3f\n", lw / 1e3, lc / 1e3
  printf "difference   %6.3f  %6.3f  within pairs (list - folder): %.0f us wall, %.0f us cpu per picture\n",
         dw / 1e3, dc / 1e3, dw * 1e3 / n, dc * 1e3 / n
}'
