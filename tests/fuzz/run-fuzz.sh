#!/usr/bin/env bash
# Fuzzes catch_image (every decoder) with libFuzzer for SECONDS seconds on one core.
# Usage: tests/fuzz/run-fuzz.sh SECONDS [extra libFuzzer arguments]
# Builds build-fuzz/ with clang; keeps the growing corpus in build-fuzz/corpus
# (seeded from tests/data/image) and crashes in build-fuzz/artifacts/.
set -euo pipefail
SECONDS_TO_RUN=${1:?usage: $0 SECONDS}
shift
cd "$(dirname "$0")/../.."
ROOT=$(pwd)
B=build-fuzz
cmake -S . -B $B -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DPIXMOLD_FUZZ=ON -DPIXMOLD_GUI=OFF >/dev/null
cmake --build $B -j "${JOBS:-$(nproc)}" --target image_fuzz
mkdir -p $B/corpus $B/artifacts
if [ -z "$(ls -A $B/corpus)" ]; then
  for f in tests/data/image/*.{bmp,jpg,png,tif,tga,ico,webp,heic,avif,jp2,j2k} tests/data/image/crashers/*; do
    [ -f "$f" ] && cp "$f" $B/corpus/
  done
fi
export LSAN_OPTIONS="suppressions=$ROOT/tests/support/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
$B/tests/image/image_fuzz -max_total_time="$SECONDS_TO_RUN" -timeout=20 -rss_limit_mb=3072 \
  -max_len=262144 -artifact_prefix=$B/artifacts/ -print_final_stats=1 "$@" $B/corpus 2>&1 | tee $B/fuzz.log
