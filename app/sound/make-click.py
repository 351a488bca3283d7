#!/usr/bin/env python3
"""Writes click.wav: the program's click, a short damped knock followed by
silence. PCM, 2 channels, 16 bits, 22,050 Hz, 55,776 bytes in all."""
import math
import struct
import sys

RATE = 22050
CHANNELS = 2
BITS = 16
TOTAL = 55776
HEADER = 44
FRAMES = (TOTAL - HEADER) // (CHANNELS * BITS // 8)

seed = 12345
def noise():
    global seed
    seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
    return seed / 0x3FFFFFFF - 1.0

frames = bytearray()
for i in range(FRAMES):
    t = i / RATE
    knock = 0.55 * math.sin(2 * math.pi * 1850 * t) * math.exp(-t / 0.006)
    body = 0.30 * math.sin(2 * math.pi * 620 * t) * math.exp(-t / 0.018)
    tick = 0.25 * noise() * math.exp(-t / 0.0015)
    value = max(-1.0, min(1.0, knock + body + tick))
    sample = int(round(value * 32767))
    frames += struct.pack('<hh', sample, sample)

header = b'RIFF' + struct.pack('<I', TOTAL - 8) + b'WAVE'
header += b'fmt ' + struct.pack('<IHHIIHH', 16, 1, CHANNELS, RATE, RATE * CHANNELS * BITS // 8, CHANNELS * BITS // 8, BITS)
header += b'data' + struct.pack('<I', len(frames))
data = header + frames
assert len(data) == TOTAL, len(data)
with open(sys.argv[1] if len(sys.argv) > 1 else 'click.wav', 'wb') as out:
    out.write(data)
