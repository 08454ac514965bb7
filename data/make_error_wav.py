#!/usr/bin/env python3
"""Writes error.wav, the factory test's failure sound: three falling buzz tones.

Run from anywhere: python3 data/make_error_wav.py [OUTPUT]. The output is deterministic, so
the file in the repository can be checked against a fresh run.
"""
import math
import struct
import sys
import wave
from pathlib import Path

RATE = 22050
TONES = [(660.0, 0.14), (520.0, 0.14), (390.0, 0.30)]  # frequency in Hz, length in seconds
GAP = 0.04
VOLUME = 0.45


def tone(frequency, seconds):
    count = int(RATE * seconds)
    fade = int(RATE * 0.01)
    for i in range(count):
        t = i / RATE
        # A square wave softened by its third harmonic: harsh enough to be noticed.
        value = math.sin(2 * math.pi * frequency * t) + 0.33 * math.sin(6 * math.pi * frequency * t)
        envelope = min(1.0, i / fade, (count - i) / fade)
        yield VOLUME * envelope * max(-1.0, min(1.0, value))


def samples():
    for frequency, seconds in TONES:
        yield from tone(frequency, seconds)
        yield from (0.0 for _ in range(int(RATE * GAP)))


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).with_name("error.wav")
    frames = b"".join(struct.pack("<h", int(round(s * 32767))) for s in samples())
    with wave.open(str(out), "wb") as wav:
        wav.setnchannels(1)
        wav.setsampwidth(2)
        wav.setframerate(RATE)
        wav.writeframes(frames)


if __name__ == "__main__":
    main()
