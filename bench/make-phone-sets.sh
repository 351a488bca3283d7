#!/usr/bin/env bash
# Phone-sized pictures for the batch benchmark: 10 photos of the corpus made
# 12 megapixels (4032 x 3024, two of them portrait) and encoded as WebP, HEIC,
# AVIF and JPEG 2000 by Debian's encoders, as phones and the web write them.
#
# Usage: bench/make-phone-sets.sh CORPUS_DIR DEST_DIR
#   writes DEST_DIR/{webp,heic,avif,jp2}/NAME.EXT (a set already there is kept)
set -euo pipefail
CORPUS=${1:?usage: $0 CORPUS_DIR DEST_DIR}
DEST=${2:?usage: $0 CORPUS_DIR DEST_DIR}
for need in vips cwebp heif-enc avifenc opj_compress; do
  command -v $need >/dev/null || { echo "missing $need: run scripts/install-deps" >&2; exit 2; }
done
mkdir -p "$DEST"
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

PHOTOS="kleiber seeding dragonfly sunset bridge picosdeeuropa life aitzgorri wine friends"
for p in $PHOTOS; do
  size=4032x3024
  case $p in wine|friends) size=3024x4032 ;; esac
  vips thumbnail "$CORPUS/jpeg-baseline/$p.jpg" "$WORK/$p.png" "${size%x*}" --height "${size#*x}" \
    --crop centre --size force
done

# encode SET EXT COMMAND...: the command gets the PNG and the output path.
encode() {
  local set=$1 ext=$2; shift 2
  [ -d "$DEST/$set" ] && [ "$(ls "$DEST/$set" | wc -l)" -eq 10 ] && return
  rm -rf "$DEST/$set.part"; mkdir -p "$DEST/$set.part"
  echo "making the $set set ..." >&2
  for p in $PHOTOS; do "$@" "$WORK/$p.png" "$DEST/$set.part/$p.$ext" >/dev/null; done
  rm -rf "$DEST/$set"; mv "$DEST/$set.part" "$DEST/$set"
}
webp() { cwebp -quiet -q 80 "$1" -o "$2"; }
heic() { heif-enc -q 60 "$1" -o "$2"; }  # about the bytes per pixel of a phone's HEIC
avif() { avifenc -j 2 -s 8 --min 20 --max 30 "$1" "$2"; }
jp2() { opj_compress -I -r 20 -i "$1" -o "$2"; }  # 9/7 wavelet, 1:20
encode webp webp webp
encode heic heic heic
encode avif avif avif
encode jp2 jp2 jp2
