#!/usr/bin/env python3
"""Writes resources/copy.wav, the soft two-note chime that acknowledges a snippet copy.

The format is fixed: RIFF WAVE, PCM, one channel, 16 bits, 44,100 samples per second and
exactly 108,736 bytes of samples (54,368 samples, about 1.23 s). The output is deterministic,
so running the script again reproduces the committed file byte for byte.

Usage: scripts/make-copy-sound.py [output path]
"""

import math
import struct
import sys
import wave
from pathlib import Path

RATE = 44_100
SAMPLES = 108_736 // 2
PEAK = 0.45  # of full scale: clearly audible, far from clipping

# Two bell-like notes a fifth apart (A5, then E6 shortly after). Each has a few quiet upper
# partials that die away faster than the fundamental, which keeps it soft rather than a beep.
NOTES = [  # (start in seconds, frequency in Hz, loudness)
    (0.000, 880.00, 1.0),
    (0.110, 1318.51, 0.8),
]
PARTIALS = [  # (frequency ratio, loudness, decay time constant in seconds)
    (1.0, 1.00, 0.30),
    (2.0, 0.25, 0.12),
    (3.0, 0.08, 0.06),
]
ATTACK = 0.004  # seconds: fast enough to sound like a strike, slow enough not to click
TAIL = 0.060  # seconds of a raised-cosine fade that brings the end to exact silence


def sample(t: float) -> float:
    value = 0.0
    for start, freq, loudness in NOTES:
        u = t - start
        if u < 0:
            continue
        attack = 0.5 - 0.5 * math.cos(math.pi * u / ATTACK) if u < ATTACK else 1.0
        for ratio, level, tau in PARTIALS:
            value += loudness * level * attack * math.exp(-u / tau) * math.sin(
                2 * math.pi * freq * ratio * u)
    return value


def main() -> None:
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else (
        Path(__file__).resolve().parent.parent / "resources" / "copy.wav")
    raw = [sample(i / RATE) for i in range(SAMPLES)]
    scale = PEAK / max(abs(v) for v in raw)
    tail_start = SAMPLES - int(TAIL * RATE)
    frames = bytearray()
    for i, v in enumerate(raw):
        if i >= tail_start:
            v *= 0.5 + 0.5 * math.cos(math.pi * (i - tail_start) / (SAMPLES - 1 - tail_start))
        frames += struct.pack("<h", round(v * scale * 32767))
    assert len(frames) == 108_736
    with wave.open(str(out), "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(bytes(frames))


if __name__ == "__main__":
    main()
