#!/usr/bin/env python3
"""Synthesises the saver's burst sound and writes it as a PCM .wav file.

Usage: make_wav.py OUTPUT.wav
The sound plays while the red ball bursts into the cyan disc: a soft
rising suck, a thump, then a bright hiss of noise that opens and falls away.
Everything is computed here from fixed seeds, so every build writes the
same bytes.
"""
import math
import random
import struct
import sys
import wave

RATE = 22050
SECONDS = 1.1
BURST_AT = 0.18          # seconds of the rising lead-in before the burst


def lead_in(t):
    """A faint tone gliding upward until the burst."""
    if t >= BURST_AT:
        return 0.0
    # The pitch rises as 180 + 900 (t / BURST_AT)^2 Hz; this is its integral.
    phase = 2 * math.pi * (180 * t + 300 * t ** 3 / BURST_AT ** 2)
    swell = (t / BURST_AT) ** 2
    return 0.25 * swell * math.sin(phase)


def thump(t):
    """A low drum stroke whose pitch drops as it dies."""
    s = t - BURST_AT
    if s < 0:
        return 0.0
    # The pitch falls as 50 + 70 e^(-s / 0.04) Hz; this is its integral.
    phase = 2 * math.pi * (50 * s + 70 * 0.04 * (1 - math.exp(-s / 0.04)))
    return 0.9 * math.exp(-s / 0.09) * math.sin(phase)


class Hiss:
    """White noise through a one-pole low-pass whose corner falls with time."""

    def __init__(self, seed):
        self.random = random.Random(seed)
        self.state = 0.0

    def sample(self, t):
        s = t - BURST_AT
        if s < 0:
            return 0.0
        corner = 200 + 7000 * math.exp(-s / 0.25)
        alpha = 1 - math.exp(-2 * math.pi * corner / RATE)
        self.state += alpha * (self.random.uniform(-1, 1) - self.state)
        attack = min(1.0, s / 0.004)
        return 0.8 * attack * math.exp(-s / 0.3) * self.state


def samples():
    """The mix, scaled so that its loudest sample sits just below full scale."""
    hiss = Hiss(seed=20261207)
    mix = []
    for i in range(int(RATE * SECONDS)):
        t = i / RATE
        fade_out = min(1.0, (SECONDS - t) / 0.05)
        mix.append((lead_in(t) + thump(t) + hiss.sample(t)) * fade_out)
    peak = max(abs(v) for v in mix)
    return [0.9 * v / peak for v in mix]


def write(path):
    frames = b"".join(struct.pack("<h", round(v * 32767)) for v in samples())
    with wave.open(path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(frames)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    write(sys.argv[1])
