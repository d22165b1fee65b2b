#!/usr/bin/env python3
"""Writes the three notification sounds (16-bit PCM mono, 22050 Hz) next to this script.

101: a web page arrived instead of a file (two quick mid tones)
102: the download scheduler stopped (three rising tones)
103: a download failed (one low falling tone)
"""
import math
import os
import struct
import wave

RATE = 22050


def tone(freq_start, freq_end, seconds, volume=0.45):
    n = int(RATE * seconds)
    out = []
    phase = 0.0
    fade = max(1, int(RATE * 0.01))
    for i in range(n):
        f = freq_start + (freq_end - freq_start) * i / n
        phase += 2 * math.pi * f / RATE
        env = min(1.0, i / fade, (n - 1 - i) / fade)
        out.append(int(32767 * volume * env * math.sin(phase)))
    return out


def silence(seconds):
    return [0] * int(RATE * seconds)


SOUNDS = {
    101: tone(880, 880, 0.08) + silence(0.04) + tone(1175, 1175, 0.08),
    102: tone(523, 523, 0.1) + silence(0.03) + tone(659, 659, 0.1) + silence(0.03) + tone(784, 784, 0.18),
    103: tone(330, 196, 0.35),
}

here = os.path.dirname(os.path.abspath(__file__))
for number, samples in SOUNDS.items():
    with wave.open(os.path.join(here, f"{number}.wav"), "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(b"".join(struct.pack("<h", s) for s in samples))
