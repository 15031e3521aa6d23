#!/usr/bin/env python3
"""Synthesises the default ringtone (DEFAULT_RING) and encodes it as AAC in ADTS framing.

A short original tune of plucked, bell-like notes, about three and a half seconds.
Python writes a 16-bit mono WAV; ffmpeg (a generation-time tool only) encodes it to
default_ring.aac next to this script. Commit the script and its output together.
"""
import math
import os
import struct
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
RATE = 22050
BEAT = 0.16  # seconds

# (semitones above A4, beats); None is a rest. An original phrase in A major.
PHRASE = [
    (3, 1), (7, 1), (10, 1), (15, 2), (12, 1), (10, 1), (7, 2),
    (8, 1), (12, 1), (15, 2), (None, 1), (14, 1), (10, 1), (15, 4),
]


def note_samples(semitones, seconds):
    frequency = 440.0 * 2 ** (semitones / 12.0)
    count = int(seconds * RATE)
    out = []
    for i in range(count):
        t = i / RATE
        attack = min(1.0, t / 0.005)
        decay = math.exp(-t * 5.0)
        tone = (math.sin(2 * math.pi * frequency * t) +
                0.45 * math.sin(2 * math.pi * 2 * frequency * t) * math.exp(-t * 3) +
                0.2 * math.sin(2 * math.pi * 3.01 * frequency * t) * math.exp(-t * 9))
        out.append(0.32 * attack * decay * tone)
    tail = min(count, int(0.01 * RATE))  # fade the last 10 ms so notes join without clicks
    for i in range(tail):
        out[count - tail + i] *= 1 - i / tail
    return out


def melody():
    samples = []
    for semitones, beats in PHRASE:
        seconds = beats * BEAT
        if semitones is None:
            samples.extend([0.0] * int(seconds * RATE))
        else:
            samples.extend(note_samples(semitones, seconds))
    samples.extend([0.0] * int(2 * BEAT * RATE))
    return samples


def write_wav(path, samples):
    data = b"".join(struct.pack("<h", max(-32767, min(32767, int(s * 32767)))) for s in samples)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVE")
        f.write(b"fmt " + struct.pack("<IHHIIHH", 16, 1, 1, RATE, RATE * 2, 2, 16))
        f.write(b"data" + struct.pack("<I", len(data)) + data)


def main():
    with tempfile.TemporaryDirectory() as work:
        wav = os.path.join(work, "ring.wav")
        write_wav(wav, melody())
        subprocess.run(["ffmpeg", "-v", "error", "-y", "-i", wav, "-c:a", "aac", "-b:a", "48k",
                        "-fflags", "+bitexact", "-flags:a", "+bitexact", "-f", "adts",
                        os.path.join(HERE, "default_ring.aac")], check=True)


if __name__ == "__main__":
    main()
