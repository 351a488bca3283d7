#!/usr/bin/env bash
# Batch resize benchmark: pixmold-batch against vipsthumbnail, ImageMagick,
# GraphicsMagick and the djpeg/cjpeg floor, side by side in one run.
#
# Usage: bench/batch-bench.sh [CORPUS_DIR] [RUNS]
#   CORPUS_DIR  a corpus made by make-corpus.sh (built into a temporary folder when absent)
#   RUNS        rounds per set (default 7): each round runs every tool once, and each
#               ratio is the median of the rounds' ratios, with the lowest and highest
# Environment: PIXMOLD_BATCH (the tool, default build/pixmold-batch), SETS (default
#   "jpeg-baseline jpeg png huge webp heic avif jp2"), MAKE_CORPUS (default
#   ../shared/bench/make-corpus.sh), PHONE_SETS (where make-phone-sets.sh keeps the
#   webp, heic, avif and jp2 sets made from the corpus; default build/bench-phone), BOX
#   (the side of the box, default 1920).
# Every tool writes JPEG quality 80 inside a BOX x BOX box (1920 unless BOX says).
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
CORPUS=${1:-}
RUNS=${2:-7}
SETS=${SETS:-"jpeg-baseline jpeg png huge webp heic avif jp2"}
BOX=${BOX:-1920}
PHONE_SETS=${PHONE_SETS:-$ROOT/build/bench-phone}
TOOL=${PIXMOLD_BATCH:-$ROOT/build/pixmold-batch}
DECODE_SCALE=${DECODE_SCALE:-$ROOT/build/bench/decode_scale}
MAKE_CORPUS=${MAKE_CORPUS:-$ROOT/../shared/bench/make-corpus.sh}
TIME=/usr/bin/time

for need in vipsthumbnail mogrify gm djpeg cjpeg; do
  command -v $need >/dev/null || { echo "missing $need: run scripts/install-deps" >&2; exit 2; }
done
[ -x "$TIME" ] || { echo "missing GNU time: run scripts/install-deps" >&2; exit 2; }
[ -x "$TOOL" ] || { echo "no $TOOL: build it first (cmake --build build --target pixmold-batch)" >&2; exit 2; }
[ -x "$DECODE_SCALE" ] || { echo "no $DECODE_SCALE: build it first (cmake --build build --target decode_scale)" >&2; exit 2; }

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
if [ -z "$CORPUS" ]; then
  CORPUS=$WORK/corpus
  echo "building the corpus in $CORPUS ..." >&2
  bash "$MAKE_CORPUS" "$CORPUS" >&2
fi
CORPUS=$(cd "$CORPUS" && pwd)
case " $SETS " in
  *" webp "*|*" heic "*|*" avif "*|*" jp2 "*) bash "$ROOT/bench/make-phone-sets.sh" "$CORPUS" "$PHONE_SETS" >&2 ;;
esac

# Every tool of a set runs once per round, in an order that turns from round
# to round, so that load from elsewhere on the machine falls on all of them
# alike; each ratio is taken between the runs of one round, and the median,
# lowest and highest of those ratios are reported. Outputs are removed before
# every run. Lines of $RESULTS: "set tool round seconds peak_KiB".
RESULTS=$WORK/results
: > "$RESULTS"
bench_set() {
  local tools=("$@") n=$# i k tool t m
  for tool in "${tools[@]}"; do  # warm-up, and a check that each tool works here
    reset_outputs; command_of "$tool"
    "${CMD[@]}" >/dev/null 2>&1 || { echo "$tool failed on $SET" >&2; return 1; }
  done
  for ((i = 0; i < RUNS; i++)); do
    for ((k = 0; k < n; k++)); do
      tool=${tools[(i + k) % n]}
      reset_outputs; command_of "$tool"
      "$TIME" -f "%e %M" -o "$WORK/time" "${CMD[@]}" >/dev/null 2>&1
      read -r t m < "$WORK/time"
      echo "$SET $tool $i $t $m" >> "$RESULTS"
    done
  done
}

# command_of TOOL: the tool's command line for the current set, in CMD.
command_of() {
  local box=(--mode rel --landscape-width "$BOX" --portrait-height "$BOX" --format jpg --quality 8 --prefix out_)
  case $1 in
    pixmold-batch) CMD=("$TOOL" "${box[@]}" "$IN") ;;
    pixmold-batch-threads1) CMD=("$TOOL" --threads 1 "${box[@]}" "$IN") ;;
    vipsthumbnail) CMD=(vipsthumbnail "${FILES[@]}" -s ${BOX}x${BOX} -o "$OUT/%s.jpg[Q=80]") ;;
    vipsthumbnail-conc1) CMD=(env VIPS_CONCURRENCY=1 vipsthumbnail "${FILES[@]}" -s ${BOX}x${BOX} -o "$OUT/%s.jpg[Q=80]") ;;
    mogrify-mitchell) CMD=(mogrify -path "$OUT" -filter Mitchell -resize ${BOX}x${BOX} -quality 80 -format jpg "${FILES[@]}") ;;
    # gm puts the whole input path under -output-directory: give it bare names.
    graphicsmagick) CMD=(sh -c 'cd "$1" && shift && exec gm "$@"' gm "$IN" mogrify -output-directory "$OUT"
                         -filter Mitchell -resize ${BOX}x${BOX} -quality 80 -format jpg "${NAMES[@]}") ;;
    floor-2-at-a-time) CMD=("$WORK/floor.sh" 2) ;;
    floor-1-at-a-time) CMD=("$WORK/floor.sh" 1) ;;
  esac
}

for SET in $SETS; do
  SRC=$CORPUS/$SET
  case $SET in webp|heic|avif|jp2) SRC=$PHONE_SETS/$SET ;; esac
  [ -d "$SRC" ] || { echo "no $SRC, skipped" >&2; continue; }
  IN=$WORK/in-$SET
  OUT=$WORK/out-$SET
  rm -rf "$IN"; mkdir -p "$IN" "$OUT"
  cp "$SRC"/* "$IN"/
  mapfile -t FILES < <(find "$IN" -maxdepth 1 -type f | sort)
  NAMES=(); for f in "${FILES[@]}"; do NAMES+=("$(basename "$f")"); done
  reset_outputs() { rm -f "$IN"/out_* ; rm -rf "$OUT"; mkdir -p "$OUT"; }
  echo "$SET (${#FILES[@]} files, $RUNS rounds) ..." >&2

  tools=(pixmold-batch pixmold-batch-threads1 vipsthumbnail vipsthumbnail-conc1)
  # mogrify and gm take many minutes on 192 megapixels; the new formats are measured against vips
  case $SET in huge|webp|heic|avif|jp2) ;; *) tools+=(mogrify-mitchell graphicsmagick) ;; esac
  case $SET in
    jpeg*|huge)
      # The floor: every file decoded at the scale pixmold decodes it at, and
      # its already resized pixels encoded.
      PRE=$WORK/pre-$SET; rm -rf "$PRE"; mkdir -p "$PRE"
      for f in "${FILES[@]}"; do
        vipsthumbnail "$f" -s ${BOX}x${BOX} -o "$PRE/%s.ppm" >/dev/null 2>&1
      done
      "$DECODE_SCALE" "$BOX" "${FILES[@]}" > "$WORK/scales-$SET"
      cat > "$WORK/floor.sh" <<FLOOR
#!/bin/sh
# floor.sh N: every file decoded and its resized pixels encoded, N at a time.
xargs -P "\$1" -L 1 sh -c 'b=\$(basename "\$1" .jpg); djpeg -scale "\$0/8" "\$1" > /dev/null && cjpeg -quality 80 "$PRE/\$b.ppm" > "$OUT/\$b.jpg"' < "$WORK/scales-$SET"
FLOOR
      chmod +x "$WORK/floor.sh"
      tools+=(floor-2-at-a-time floor-1-at-a-time)
      ;;
  esac
  bench_set "${tools[@]}" || continue
done

echo
echo "pixmold-batch against each tool, run for run: median ratio (lowest-highest) of wall time and of peak memory;"
echo "below 1, pixmold-batch is faster or smaller"
awk -v runs="$RUNS" '
  { t[$1" "$2" "$3] = $4; m[$1" "$2" "$3] = $5; tools[$1" "$2] = 1; sets[$1] = 1 }
  function sort_n(a, n,   i, j, x) { for (i = 2; i <= n; i++) { x = a[i]; for (j = i - 1; j >= 1 && a[j] > x; j--) a[j + 1] = a[j]; a[j + 1] = x } }
  function stats(arr, s, a, b,   i, n, r) {
    n = 0
    for (i = 0; i < runs; i++) if (arr[s" "b" "i] > 0 && (s" "a" "i) in arr) r[++n] = arr[s" "a" "i] / arr[s" "b" "i]
    if (n == 0) return "n/a"
    sort_n(r, n)
    return sprintf("%.2f (%.2f-%.2f)", (n % 2) ? r[(n + 1) / 2] : (r[n / 2] + r[n / 2 + 1]) / 2, r[1], r[n])
  }
  function line(s, a, b, label) {
    if (!((s" "a) in tools) || !((s" "b) in tools)) return
    printf "  %-38s time %-18s memory %s\n", label, stats(t, s, a, b), stats(m, s, a, b)
  }
  END {
    for (s in sets) {
      printf "%s:\n", s
      line(s, "pixmold-batch", "vipsthumbnail", "vs vipsthumbnail")
      line(s, "pixmold-batch-threads1", "vipsthumbnail-conc1", "threads 1 vs VIPS_CONCURRENCY=1")
      line(s, "pixmold-batch", "mogrify-mitchell", "vs mogrify Mitchell")
      line(s, "pixmold-batch", "graphicsmagick", "vs GraphicsMagick")
      line(s, "pixmold-batch", "floor-2-at-a-time", "vs floor, 2 at a time")
      line(s, "pixmold-batch-threads1", "floor-1-at-a-time", "threads 1 vs floor, 1 at a time")
    }
  }' "$RESULTS"
