#!/usr/bin/env python3
"""Writes Blokkum's pop-up alert, a short two-note chime made here from sine
waves (no recording is taken from anywhere), as 16-bit mono PCM WAV files:
    make-popup-sound.py OUT.wav [OUT.wav...]"""
import math
import struct
import sys
import wave

RATE = 22050
NOTES = ((880.0, 0.09), (1318.5, 0.16))  # A5, then E6: seconds each


def samples():
    for freq, length in NOTES:
        count = int(RATE * length)
        for i in range(count):
            t = i / RATE
            # Quick rise, exponential fall: no click at either end.
            envelope = min(1.0, i / 60.0) * math.exp(-5.0 * t / length)
            yield int(12000 * envelope * math.sin(2 * math.pi * freq * t))


def main():
    frames = b"".join(struct.pack("<h", s) for s in samples())
    for path in sys.argv[1:]:
        with wave.open(path, "wb") as out:
            out.setnchannels(1)
            out.setsampwidth(2)
            out.setframerate(RATE)
            out.writeframes(frames)


if __name__ == "__main__":
    main()
