#!/usr/bin/env bash
# Batch resize benchmark: pixmold-batch against vipsthumbnail, ImageMagick,
# GraphicsMagick and the djpeg/cjpeg floor, side by side in one run.
#
# Usage: bench/batch-bench.sh [CORPUS_DIR] [RUNS]
#   CORPUS_DIR  a corpus made by make-corpus.sh (built into a temporary folder when absent)
#   RUNS        timed runs per tool and set (default 5); the median is reported, with the
#               fastest and slowest run
# Environment: PIXMOLD_BATCH (the tool, default build/pixmold-batch), SETS (default
#   "jpeg-baseline jpeg png huge webp heic avif jp2"), MAKE_CORPUS (default
#   ../shared/bench/make-corpus.sh), PHONE_SETS (where make-phone-sets.sh keeps the
#   webp, heic, avif and jp2 sets made from the corpus; default build/bench-phone).
# Every tool writes JPEG quality 80 inside a 1920 x 1920 box.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
CORPUS=${1:-}
RUNS=${2:-5}
SETS=${SETS:-"jpeg-baseline jpeg png huge webp heic avif jp2"}
PHONE_SETS=${PHONE_SETS:-$ROOT/build/bench-phone}
TOOL=${PIXMOLD_BATCH:-$ROOT/build/pixmold-batch}
MAKE_CORPUS=${MAKE_CORPUS:-$ROOT/../shared/bench/make-corpus.sh}
TIME=/usr/bin/time

for need in vipsthumbnail mogrify gm djpeg cjpeg; do
  command -v $need >/dev/null || { echo "missing $need: run scripts/install-deps" >&2; exit 2; }
done
[ -x "$TIME" ] || { echo "missing GNU time: run scripts/install-deps" >&2; exit 2; }
[ -x "$TOOL" ] || { echo "no $TOOL: build it first (cmake --build build --target pixmold-batch)" >&2; exit 2; }

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

# run NAME COMMAND...: times the command RUNS times after one warm-up run;
# appends "set name median_seconds peak_MiB" to $RESULTS. Outputs are removed
# before every run by the reset function of the current set.
RESULTS=$WORK/results
: > "$RESULTS"
measure() {
  local name=$1; shift
  local times=() peak=0 t m
  reset_outputs; "$@" >/dev/null 2>&1 || { echo "$name failed on $SET" >&2; return; }
  for ((i = 0; i < RUNS; i++)); do
    reset_outputs
    "$TIME" -f "%e %M" -o "$WORK/time" "$@" >/dev/null 2>&1
    read -r t m < "$WORK/time"
    times+=("$t")
    (( m > peak )) && peak=$m
  done
  local median low high
  read -r median low high < <(printf '%s\n' "${times[@]}" | sort -g |
    awk '{a[NR]=$1} END{print ((NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2), a[1], a[NR]}')
  echo "$SET $name $median $((peak / 1024))" >> "$RESULTS"
  # The machine may be shared: the spread says how far to trust the median.
  printf '  %-28s %8.3f s  (%.3f-%.3f)  %6d MiB\n' "$name" "$median" "$low" "$high" "$((peak / 1024))" >&2
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
  echo "$SET (${#FILES[@]} files)" >&2

  measure pixmold-batch "$TOOL" --mode rel --landscape-width 1920 --portrait-height 1920 --format jpg --quality 8 \
    --prefix out_ "$IN"
  measure pixmold-batch-threads1 "$TOOL" --threads 1 --mode rel --landscape-width 1920 --portrait-height 1920 \
    --format jpg --quality 8 --prefix out_ "$IN"
  measure vipsthumbnail vipsthumbnail "${FILES[@]}" -s 1920x1920 -o "$OUT/%s.jpg[Q=80]"
  measure vipsthumbnail-conc1 env VIPS_CONCURRENCY=1 vipsthumbnail "${FILES[@]}" -s 1920x1920 -o "$OUT/%s.jpg[Q=80]"
  case $SET in huge|webp|heic|avif|jp2) slow=no ;; *) slow=yes ;; esac
  if [ $slow = yes ]; then  # both take many minutes on 192 megapixels; the new formats are measured against vips
    measure mogrify-mitchell mogrify -path "$OUT" -filter Mitchell -resize 1920x1920 -quality 80 -format jpg "${FILES[@]}"
    # gm puts the whole input path under -output-directory: give it bare names.
    measure graphicsmagick sh -c 'cd "$1" && shift && exec gm "$@"' gm "$IN" mogrify -output-directory "$OUT" \
      -filter Mitchell -resize 1920x1920 -quality 80 -format jpg "${NAMES[@]}"
  fi
  case $SET in
    jpeg*|huge)
      # The floor: decoding every file plus encoding its already resized pixels.
      PRE=$WORK/pre-$SET; rm -rf "$PRE"; mkdir -p "$PRE"
      for f in "${FILES[@]}"; do
        vipsthumbnail "$f" -s 1920x1920 -o "$PRE/%s.ppm" >/dev/null 2>&1
      done
      cat > "$WORK/floor.sh" <<FLOOR
#!/bin/sh
# floor.sh N: every file decoded and its resized pixels encoded, N at a time.
printf '%s\n' ${FILES[*]@Q} | xargs -P "\$1" -I{} sh -c 'b=\$(basename "{}" .jpg); djpeg "{}" > /dev/null && cjpeg -quality 80 "$PRE/\$b.ppm" > "$OUT/\$b.jpg"'
FLOOR
      chmod +x "$WORK/floor.sh"
      measure floor-2-at-a-time "$WORK/floor.sh" 2
      measure floor-1-at-a-time "$WORK/floor.sh" 1
      ;;
  esac
done

echo
echo "ratios (pixmold-batch wall time / other tool's, one run; below 1 is faster)"
awk '
  { t[$1" "$2] = $3; m[$1" "$2] = $4; sets[$1] = 1 }
  function ratio(a, b) { return (t[b] > 0) ? sprintf("%.2f", t[a] / t[b]) : "n/a" }
  function mem(a, b) { return (m[b] > 0) ? sprintf("%.2f", m[a] / m[b]) : "n/a" }
  END {
    for (s in sets) {
      p = s" pixmold-batch"; p1 = s" pixmold-batch-threads1"
      printf "%s:\n", s
      printf "  vs vipsthumbnail            %s   (threads 1 vs VIPS_CONCURRENCY=1: %s)\n", ratio(p, s" vipsthumbnail"), ratio(p1, s" vipsthumbnail-conc1")
      if ((s" mogrify-mitchell") in t) printf "  vs mogrify Mitchell         %s\n", ratio(p, s" mogrify-mitchell")
      if ((s" graphicsmagick") in t)   printf "  vs GraphicsMagick           %s\n", ratio(p, s" graphicsmagick")
      if ((s" floor-2-at-a-time") in t) printf "  vs floor, 2 at a time       %s\n", ratio(p, s" floor-2-at-a-time")
      printf "  peak memory %d MiB, %s x vipsthumbnail'"'"'s\n", m[p], mem(p, s" vipsthumbnail")
    }
  }' "$RESULTS"
