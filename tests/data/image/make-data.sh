#!/usr/bin/env bash
# Rebuilds the decoder test pictures with ImageMagick and libjpeg-turbo's
# tools, so the decoders are checked against an independent encoder.
# Usage: tests/data/image/make-data.sh   (writes into its own folder)
set -euo pipefail
cd "$(dirname "$0")"

# Reference pictures, 7 x 5 (odd width: every row needs padding).
python3 - <<'PY'
def ppm(name, w, h, px):
    with open(name, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (w, h)); f.write(bytes(v for p in px for v in p))
def pam(name, w, h, px):
    with open(name, "wb") as f:
        f.write(b"P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n" % (w, h))
        f.write(bytes(v for p in px for v in p))
W, H = 7, 5
rgb = [((x * 37 + y * 11) % 256, (x * 5 + y * 71) % 256, (x * 101 + y * 3 + 40) % 256) for y in range(H) for x in range(W)]
ppm("src-rgb.ppm", W, H, rgb)
rgba = [(r, g, b, (x * 40 + y * 9) % 256) for (r, g, b), (x, y) in zip(rgb, [(x, y) for y in range(H) for x in range(W)])]
pam("src-rgba.pam", W, H, rgba)
grey = [((x * 36 + y * 50) % 256,) * 3 for y in range(H) for x in range(W)]
ppm("src-grey.ppm", W, H, grey)
# 16 distinct colours (for 4- and 8-bit palettes), and black and white.
pal = [((i * 16) % 256, (i * 97) % 256, (255 - i * 15) % 256) for i in range(16)]
ppm("src-pal16.ppm", W, H, [pal[(x + 3 * y) % 16] for y in range(H) for x in range(W)])
pal40 = [((i * 53) % 256, (i * 29 + 7) % 256, (i * 71 + 100) % 256) for i in range(40)]
ppm("src-pal40.ppm", W, H, [pal40[(x + 7 * y) % 40] for y in range(H) for x in range(W)])
ppm("src-bw.ppm", W, H, [((255,) * 3 if (x * y + x) % 3 else (0, 0, 0)) for y in range(H) for x in range(W)])
# A smooth 40 x 24 picture for the lossy formats.
ppm("src-photo.ppm", 40, 24, [((x * 6) % 256, (y * 10) % 256, ((x + y) * 4) % 256) for y in range(24) for x in range(40)])
PY

# BMP
convert src-rgb.ppm BMP3:bmp-24.bmp
convert src-rgba.pam -define bmp:format=bmp4 bmp-32.bmp
convert src-pal40.ppm -type palette -compress none BMP3:bmp-8.bmp
convert src-pal40.ppm -type palette -compress RLE BMP3:bmp-8-rle.bmp
convert src-pal16.ppm -type palette BMP3:bmp-4.bmp
convert src-bw.ppm -type bilevel BMP3:bmp-1.bmp
convert src-rgb.ppm -define bmp:subtype=RGB555 bmp-16-555.bmp
convert src-rgb.ppm -define bmp:subtype=RGB565 bmp-16-565.bmp

# TGA. GraphicsMagick writes bottom-up rows; ImageMagick 6 stores rows top
# first whatever it declares, so it is asked for top-left files, or given a
# flipped picture for a bottom-up one.
gm convert src-rgb.ppm tga-24.tga
gm convert src-rgba.pam tga-32.tga
convert src-rgb.ppm -orient TopLeft -compress none tga-24-top.tga
convert src-rgb.ppm -orient TopLeft -compress RLE tga-24-rle-top.tga
convert src-rgba.pam -orient TopLeft -compress RLE tga-32-rle-top.tga
convert src-rgb.ppm -flip -orient BottomLeft -compress RLE tga-24-rle.tga

# JPEG, with djpeg's output as the reference
cjpeg -quality 90 -outfile jpeg-rgb.jpg src-photo.ppm
cjpeg -quality 90 -progressive -outfile jpeg-progressive.jpg src-photo.ppm
cjpeg -quality 90 -grayscale -outfile jpeg-grey.jpg src-photo.ppm
for f in jpeg-rgb jpeg-progressive jpeg-grey; do djpeg -dct int -outfile $f.ref.pnm $f.jpg; done
convert -size 8x6 xc:white -colorspace CMYK -quality 95 jpeg-cmyk-white.jpg
convert -size 8x6 xc:red -colorspace CMYK -quality 95 jpeg-cmyk-red.jpg

# PNG in every colour type and depth
convert src-grey.ppm -strip -define png:color-type=0 -define png:bit-depth=8 png-grey8.png
convert src-grey.ppm -strip -define png:color-type=0 -define png:bit-depth=16 png-grey16.png
convert src-bw.ppm -strip -define png:color-type=0 -define png:bit-depth=1 png-grey1.png
convert src-bw.ppm -strip -define png:color-type=0 -define png:bit-depth=2 png-grey2.png
convert src-bw.ppm -strip -define png:color-type=0 -define png:bit-depth=4 png-grey4.png
convert src-pal40.ppm -strip PNG8:png-pal8.png
convert src-pal16.ppm -strip -define png:bit-depth=4 PNG8:png-pal4.png
convert src-pal16.ppm -strip -transparent 'rgb(0,0,255)' PNG8:png-pal-trns.png
convert src-rgb.ppm -strip -define png:color-type=2 -define png:bit-depth=8 png-rgb8.png
convert src-rgb.ppm -strip -define png:color-type=2 -define png:bit-depth=16 png-rgb16.png
convert src-rgba.pam -strip -define png:color-type=6 -define png:bit-depth=8 png-rgba8.png
convert src-rgba.pam -strip -define png:color-type=6 -define png:bit-depth=16 png-rgba16.png
convert src-rgb.ppm -strip -interlace PNG -define png:color-type=2 png-rgb-interlaced.png

# TIFF
convert src-rgb.ppm -compress none tiff-rgb.tif
convert src-rgb.ppm -compress lzw tiff-rgb-lzw.tif
convert src-grey.ppm -type grayscale -depth 8 -compress none tiff-grey.tif
convert src-rgba.pam -compress zip tiff-rgba-zip.tif

# Icons: a 16 x 16 BMP-style entry and a 256 x 256 PNG entry
convert -size 16x16 xc:none -fill '#FF0000' -draw 'rectangle 2,2 9,9' -define icon:auto-resize=16 icon-16.ico
convert -size 256x256 xc:none -fill '#0000FF' -draw 'rectangle 0,0 127,255' -define icon:auto-resize=256 icon-256.ico

# Encoder references: cjpeg with the library defaults at quality 80 and 100
cjpeg -quality 80 -outfile jpeg-q80.ref.jpg src-photo.ppm
cjpeg -quality 100 -outfile jpeg-q100.ref.jpg src-photo.ppm

# Metadata: an Exif block with orientation 6 written by exiftool
cp jpeg-rgb.jpg jpeg-exif.jpg
exiftool -q -overwrite_original -n -Orientation=6 -Artist=Pixmold jpeg-exif.jpg

# WebP, HEIC, AVIF and JPEG 2000, made from PNG copies of the references by
# Debian's own encoders.
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
convert src-rgb.ppm -strip "$T/rgb.png"
convert src-rgba.pam -strip -define png:color-type=6 "$T/rgba.png"
convert src-photo.ppm -strip "$T/photo.png"
convert src-photo.ppm -flop -strip "$T/photo-flopped.png"
convert src-rgb.ppm -depth 16 -define png:bit-depth=16 -strip "$T/rgb16.png"
# The upright photo stored turned a quarter clockwise, for a container that turns it back.
convert src-photo.ppm -rotate 90 -strip "$T/photo-cw.png"
python3 - "$T" <<'PY'
import struct, sys
# A minimal ICC header (no tags): carried as bytes, never interpreted here.
h = bytearray(132)
struct.pack_into(">I", h, 0, 132)
h[12:16], h[16:20], h[20:24], h[36:40] = b"mntr", b"RGB ", b"XYZ ", b"acsp"
struct.pack_into(">I", h, 8, 0x02100000)
open(sys.argv[1] + "/profile.icc", "wb").write(h)
PY
exiftool -q -b -EXIF jpeg-exif.jpg > "$T/exif.tiff"

cwebp -quiet -lossless -exact "$T/rgb.png" -o webp-lossless.webp
cwebp -quiet -lossless -exact "$T/rgba.png" -o webp-lossless-alpha.webp
cwebp -quiet -q 90 "$T/photo.png" -o webp-lossy.webp
cwebp -quiet -q 90 -alpha_q 100 -exact "$T/rgba.png" -o webp-lossy-alpha.webp
img2webp -lossless "$T/photo.png" -d 100 "$T/photo-flopped.png" -o webp-animated.webp
webpmux -set exif "$T/exif.tiff" webp-lossy.webp -o "$T/with-exif.webp"
webpmux -set icc "$T/profile.icc" "$T/with-exif.webp" -o webp-metadata.webp

heif-enc -q 90 "$T/photo.png" -o heic-lossy.heic >/dev/null
heif-enc -L -p chroma=444 --matrix_coefficients 0 "$T/rgb.png" -o heic-lossless.heic >/dev/null
heif-enc -q 90 "$T/rgba.png" -o heic-alpha.heic >/dev/null
heif-enc -b 10 -L -p chroma=444 --matrix_coefficients 0 "$T/rgb16.png" -o heic-10bit.heic >/dev/null
convert src-photo.ppm -depth 16 -define png:bit-depth=16 -strip "$T/photo16.png"
heif-enc -b 10 -q 100 "$T/photo16.png" -o heic-10bit-lossy.heic >/dev/null

avifenc -l "$T/rgb.png" avif-lossless.avif >/dev/null
avifenc -l "$T/rgba.png" avif-lossless-alpha.avif >/dev/null
avifenc --min 8 --max 12 -s 6 "$T/photo.png" avif-lossy.avif >/dev/null
avifenc -l -d 12 "$T/rgb.png" avif-12bit.avif >/dev/null
# libheif's own tool converts the lossy ones to RGB for reference.
for f in heic-lossy heic-10bit-lossy avif-lossy; do
  heif-convert $f.${f%%-*} "$T/$f.png" >/dev/null && convert "$T/$f.png" -depth 8 -strip $f.ref.ppm
done
# Stored turned, with the container's irot to turn it back and an EXIF
# orientation (6) that must not be applied on top of it.
avifenc -l --irot 1 --exif "$T/exif.tiff" --icc "$T/profile.icc" "$T/photo-cw.png" avif-irot-exif.avif >/dev/null

opj_compress -n 3 -i "$T/rgb.png" -o jp2-lossless.jp2 >/dev/null
opj_compress -n 3 -i "$T/rgba.png" -o jp2-alpha.jp2 >/dev/null
convert src-rgba.pam -colorspace gray -strip -define png:color-type=4 "$T/grey-alpha.png"
opj_compress -n 3 -i "$T/grey-alpha.png" -o jp2-grey-alpha.jp2 >/dev/null
opj_compress -n 3 -i "$T/rgb16.png" -o jp2-16bit.jp2 >/dev/null
opj_compress -n 4 -i "$T/photo.png" -q 40 -o jp2-lossy.jp2 >/dev/null
opj_compress -i "$T/photo.png" -n 4 -o j2k-photo.j2k >/dev/null
# YCbCr with 4:2:0 chroma, read back by OpenJPEG's own opj_decompress for reference.
python3 - "$T/ycc.raw" <<'PY'
import sys
W, H = 8, 6
y = bytes((x * 30 + r * 10) % 256 for r in range(H) for x in range(W))
cb = bytes((88 + x * 20) % 256 for r in range(H // 2) for x in range(W // 2))
cr = bytes((158 - r * 25) % 256 for r in range(H // 2) for x in range(W // 2))
open(sys.argv[1], "wb").write(y + cb + cr)
PY
opj_compress -i "$T/ycc.raw" -F 8,6,3,8,u@1x1:2x2:2x2 -n 2 -o j2k-ycc420.j2k >/dev/null
opj_decompress -i j2k-ycc420.j2k -o j2k-ycc420.ref.ppm >/dev/null
# heif-enc writes no rotation: the irot property is added to its file here
# (every enclosing box grows, and the item offsets that point past it move),
# and exiftool adds an EXIF orientation of 6 on top.
heif-enc -L -p chroma=444 --matrix_coefficients 0 "$T/photo-cw.png" -o "$T/photo-cw.heic" >/dev/null
python3 - "$T/photo-cw.heic" heic-irot-exif.heic <<'PY'
import struct, sys
data = bytearray(open(sys.argv[1], "rb").read())
IROT = struct.pack(">I4sB", 9, b"irot", 1)  # a quarter turn anti-clockwise
def boxes(start, end):
    at = start
    while at + 8 <= end:
        size, kind = struct.unpack_from(">I4s", data, at)
        yield at, size, kind.decode()
        at += size
def find(start, end, kind):
    return next((b for b in boxes(start, end) if b[2] == kind), None)
meta = find(0, len(data), "meta")
iprp = find(meta[0] + 12, meta[0] + meta[1], "iprp")
ipco = find(iprp[0] + 8, iprp[0] + iprp[1], "ipco")
ipma = find(iprp[0] + 8, iprp[0] + iprp[1], "ipma")
pitm = find(meta[0] + 12, meta[0] + meta[1], "pitm")
iloc = find(meta[0] + 12, meta[0] + meta[1], "iloc")
primary = struct.unpack_from(">H", data, pitm[0] + 12)[0]
new_index = sum(1 for _ in boxes(ipco[0] + 8, ipco[0] + ipco[1])) + 1
# The primary item's association list gains the new property, marked essential.
version, flags = data[ipma[0] + 8], int.from_bytes(data[ipma[0] + 9:ipma[0] + 12], "big")
at = ipma[0] + 12
count = struct.unpack_from(">I", data, at)[0]; at += 4
wide = flags & 1
insert_at = None
for _ in range(count):
    item = struct.unpack_from(">H" if version < 1 else ">I", data, at)[0]; at += 2 if version < 1 else 4
    n = data[at]
    if item == primary:
        data[at] = n + 1
        insert_at = at + 1 + n * (2 if wide else 1)
    at += 1 + n * (2 if wide else 1)
assoc = struct.pack(">H", 0x8000 | new_index) if wide else bytes([0x80 | new_index])
data[insert_at:insert_at] = assoc
# The irot box goes at the end of ipco, which comes before ipma.
assert ipco[0] < ipma[0]
data[ipco[0] + ipco[1]:ipco[0] + ipco[1]] = IROT
delta = len(IROT) + len(assoc)
for box, grow in ((meta, delta), (iprp, delta), (ipco, len(IROT))):
    struct.pack_into(">I", data, box[0], box[1] + grow)
ipma_at = ipma[0] + len(IROT)
struct.pack_into(">I", data, ipma_at, ipma[1] + len(assoc))
# Item data lies past the meta box: move every file offset in iloc.
version = data[iloc[0] + 8]
at = iloc[0] + 12
offset_size, length_size = data[at] >> 4, data[at] & 15
base_size, index_size = data[at + 1] >> 4, data[at + 1] & 15
at += 2
count = struct.unpack_from(">H" if version < 2 else ">I", data, at)[0]; at += 2 if version < 2 else 4
fmt = {4: ">I", 8: ">Q"}
for _ in range(count):
    at += 2 if version < 2 else 4
    method = 0
    if version in (1, 2):
        method = struct.unpack_from(">H", data, at)[0] & 15; at += 2
    at += 2
    base = struct.unpack_from(fmt[base_size], data, at)[0] if base_size else 0
    if base_size and method == 0 and base:
        struct.pack_into(fmt[base_size], data, at, base + delta)
    at += base_size
    extents = struct.unpack_from(">H", data, at)[0]; at += 2
    for _ in range(extents):
        if version in (1, 2) and index_size: at += index_size
        if offset_size and method == 0 and not base:
            off = struct.unpack_from(fmt[offset_size], data, at)[0]
            struct.pack_into(fmt[offset_size], data, at, off + delta)
        at += offset_size + length_size
open(sys.argv[2], "wb").write(data)
PY
exiftool -q -overwrite_original -n -Orientation=6 heic-irot-exif.heic

# Broken files: every decoder must fail cleanly on trunc-* and must not crash
# on corrupt-* (which may or may not decode).
mkdir -p crashers && find crashers -type f ! -name "*-fuzz*" -delete  # inputs found by the fuzzer stay
python3 - <<'PY'
import struct, zlib
def save(name, data): open("crashers/" + name, "wb").write(bytes(data))
sources = ["bmp-24.bmp", "bmp-8-rle.bmp", "bmp-4.bmp", "bmp-16-565.bmp", "tga-24.tga", "tga-32-rle-top.tga",
           "jpeg-rgb.jpg", "jpeg-progressive.jpg", "jpeg-cmyk-red.jpg", "png-rgb8.png", "png-rgb-interlaced.png",
           "png-pal8.png", "png-grey16.png", "tiff-rgb.tif", "tiff-rgb-lzw.tif", "tiff-rgba-zip.tif",
           "icon-16.ico", "icon-256.ico", "webp-lossy.webp", "webp-lossless-alpha.webp", "webp-animated.webp",
           "heic-lossy.heic", "heic-alpha.heic", "avif-lossy.avif", "avif-lossless-alpha.avif", "jp2-alpha.jp2",
           "jp2-lossy.jp2", "j2k-photo.j2k"]
for src in sources:
    d = open(src, "rb").read()
    stem = src.rsplit(".", 1)[0]
    save("trunc-%s-half" % stem, d[: len(d) // 2])
    save("trunc-%s-head" % stem, d[:20])
    for k, pos in enumerate((4, 13, 18, 22, 29, 37, 50)):
        if pos < len(d):
            b = bytearray(d); b[pos] ^= 0xFF; save("corrupt-%s-byte%d" % (stem, pos), b)
    b = bytearray(d)
    for i in range(len(b) // 2, len(b), 7): b[i] ^= 0x5A
    save("corrupt-%s-tail" % stem, b)

# Lying sizes with next to no data.
def bmp(w, h, bits, comp, body):
    return b"BM" + struct.pack("<IHHI", 54 + len(body), 0, 0, 54) + struct.pack(
        "<IiiHHIIiiII", 40, w, h, 1, bits, comp, len(body), 0, 0, 0, 0) + body
save("trunc-bmp-huge", bmp(32767, 32767, 24, 0, b"\0" * 64))
save("trunc-bmp-huge-negative", bmp(32767, -32767, 32, 3, b"\0" * 64))
save("corrupt-bmp-rle8-runs-past-edges", bmp(4, 2, 8, 1, bytes([255, 1, 0, 0, 255, 2, 0, 2, 200, 200, 3, 1, 0, 0, 0, 1])))
save("trunc-bmp-rle8-absolute-past-end", bmp(4, 2, 8, 1, bytes([0, 200, 1, 2, 3])))
save("corrupt-bmp-rle4-runs-past-edges", bmp(3, 3, 4, 2, bytes([255, 0x12, 0, 2, 250, 250, 0, 9, 0x12, 0x34, 0x56, 0x78, 0x9A, 0, 0, 0, 1])))
save("trunc-bmp-palette-offset-past-end", bmp(2, 2, 8, 0, b"").replace(struct.pack("<I", 54), struct.pack("<I", 0x7FFFFFF0), 1))
def tga(w, h, bits, kind, desc, body):
    return bytes([0, 0, kind, 0, 0, 0, 0, 0, 0, 0, 0, 0]) + struct.pack("<HHBB", w, h, bits, desc) + body
save("trunc-tga-huge", tga(65535, 65535, 32, 2, 0, b"\0" * 64))
save("trunc-tga-rle-huge", tga(30000, 30000, 24, 10, 0x20, bytes([0xFF, 1, 2, 3]) * 16))
save("corrupt-tga-rle-run-past-end", tga(2, 2, 24, 10, 0, bytes([0xFF, 1, 2, 3, 0x7F]) + b"\1" * 30))
save("trunc-tga-colour-map-past-end", tga(2, 2, 24, 2, 0, b"\0" * 12).replace(bytes([0, 0, 2, 0, 0, 0, 0, 0]), bytes([0, 1, 2, 0, 0, 0xFF, 0xFF, 32]), 1))
def png_chunk(t, body): return struct.pack(">I", len(body)) + t + body + struct.pack(">I", zlib.crc32(t + body))
sig = b"\x89PNG\r\n\x1a\n"
save("trunc-png-huge", sig + png_chunk(b"IHDR", struct.pack(">IIBBBBB", 30000, 30000, 8, 6, 0, 0, 0)) +
     png_chunk(b"IDAT", zlib.compress(b"\0" * 1000)) + png_chunk(b"IEND", b""))
save("trunc-png-too-big", sig + png_chunk(b"IHDR", struct.pack(">IIBBBBB", 40000, 1, 8, 2, 0, 0, 0)) +
     png_chunk(b"IDAT", zlib.compress(b"\0" * 1000)) + png_chunk(b"IEND", b""))
save("trunc-png-palette-missing", sig + png_chunk(b"IHDR", struct.pack(">IIBBBBB", 2, 2, 8, 3, 0, 0, 0)) +
     png_chunk(b"IDAT", zlib.compress(b"\0\0\0" * 2)) + png_chunk(b"IEND", b""))
save("trunc-jpeg-huge", open("jpeg-rgb.jpg", "rb").read().replace(struct.pack(">HH", 24, 40), struct.pack(">HH", 32000, 32000), 1)[:400])
save("trunc-jpeg-markers-only", bytes([0xFF, 0xD8, 0xFF, 0xE0, 0, 2, 0xFF, 0xD9]))
ico = lambda entries, body: struct.pack("<HHH", 0, 1, len(entries)) + b"".join(entries) + body
entry = lambda w, bits, size, off: struct.pack("<BBBBHHII", w, w, 0, 0, 1, bits, size, off)
save("trunc-ico-entry-past-end", ico([entry(16, 32, 4000, 22)], b"\0" * 40))
save("trunc-ico-offset-wraps", ico([entry(16, 32, 0xFFFFFFF0, 0x20)], b"\0" * 40))
save("trunc-ico-no-entries", ico([], b"\0" * 40))
save("trunc-ico-dib-huge", ico([entry(0, 32, 60, 22)], struct.pack("<IiiHHIIiiII", 40, 32767, 65534, 1, 32, 0, 0, 0, 0, 0, 0) + b"\0" * 20))
# JPEG 2000 headers claiming the largest picture, with no tile data behind them.
siz = lambda w, h: bytes([0xFF, 0x4F, 0xFF, 0x51]) + struct.pack(">HHIIIIIIIIH", 41, 0, w, h, 0, 0, w, h, 0, 0, 3) + bytes([7, 1, 1] * 3)
cod = bytes([0xFF, 0x52]) + struct.pack(">HBBHBBBBBB", 12, 0, 0, 1, 0, 5, 4, 4, 0, 0)
qcd = bytes([0xFF, 0x5C]) + struct.pack(">HB", 4, 0x40) + bytes([0x48])
save("trunc-j2k-huge", siz(32767, 32767) + cod + qcd + bytes([0xFF, 0xD9]))
save("trunc-j2k-huge-tile-cut", siz(32767, 32767) + cod + qcd + bytes([0xFF, 0x90]) + struct.pack(">HHIBB", 10, 0, 4000, 0, 1) + bytes([0xFF, 0x93]) + b"\0" * 30)
# WebP: a lossless header claiming 16384 x 16384 with a few bytes of data; a
# RIFF size larger than the file.
vp8l = b"\x2f" + struct.pack("<I", (16383) | (16383 << 14))
save("trunc-webp-huge", b"RIFF" + struct.pack("<I", 4 + 8 + len(vp8l) + 20) + b"WEBPVP8L" + struct.pack("<I", len(vp8l) + 20) + vp8l + b"\0" * 20)
save("trunc-webp-riff-too-long", b"RIFF" + struct.pack("<I", 1 << 30) + open("webp-lossy.webp", "rb").read()[8:])
save("trunc-ico-png-truncated", ico([entry(0, 32, 60, 22)], open("png-rgb8.png", "rb").read()[:60]))
PY
