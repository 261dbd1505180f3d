#!/usr/bin/env python3
"""make_sounds.py FOLDER: writes the application's sound effects as short
synthesised tones into FOLDER, under the names the screens play them by.

Every file is 16-bit mono PCM WAV at 44100 samples a second, whatever its
name's extension (".mp3", ".caf", ".wav"): the sound players read the
format from the file's content, and the names are the ones the program
asks for. Each tone is a sum of sines whose frequency may glide linearly
from a start to an end value; every note fades in and out over 5 ms so no
sound starts or ends with a click. Peaks stay at or below half of full
scale (-6 dBFS), as effects under the user's own sound.

Each file is written to a temporary name and renamed over the old one.
"""

import math
import os
import struct
import sys
import wave

RATE = 44100
FADE = 0.005  # seconds of fade at both ends of every note
PEAK = 0.5  # of full scale

# A note: (start time s, duration s, start Hz, end Hz, relative level).
# The name's sound is the mix of its notes; a loop (Soaring) is made of
# whole periods of its partials so it repeats without a seam.
SOUNDS = {
    "SelectObject2.mp3": [(0.00, 0.07, 880, 880, 1.0), (0.07, 0.09, 1320, 1320, 1.0)],
    "CenterObject.mp3": [(0.00, 0.30, 440, 660, 1.0), (0.00, 0.30, 880, 1320, 0.3)],
    "sms-received.wav": [(0.00, 0.08, 1000, 1000, 1.0), (0.14, 0.08, 1000, 1000, 1.0), (0.28, 0.12, 1250, 1250, 1.0)],
    "MenuIn.caf": [(0.00, 0.08, 600, 900, 1.0)],
    "MenuOut.caf": [(0.00, 0.08, 900, 600, 1.0)],
    "TimeRunForward.caf": [(0.00, 0.25, 500, 1000, 1.0)],
    "TimeRunBackward.caf": [(0.00, 0.25, 1000, 500, 1.0)],
    "TimeStepForward.caf": [(0.00, 0.04, 1200, 1200, 1.0)],
    "TimeStepBackward.caf": [(0.00, 0.04, 900, 900, 1.0)],
    "ZoomIn2.mp3": [(0.00, 0.20, 300, 600, 1.0)],
    "ZoomOut2.mp3": [(0.00, 0.20, 600, 300, 1.0)],
    "Silence.caf": [],
    # A soft open fifth with its octave, 4 s, looped by the player.
    "Soaring.mp3": [(0.00, 4.00, 110, 110, 1.0), (0.00, 4.00, 165, 165, 0.6), (0.00, 4.00, 220, 220, 0.4)],
}
SILENCE_SECONDS = 0.1
LOOPS = {"Soaring.mp3"}


def note_samples(start, duration, f0, f1, level, fade):
    """(first sample index, samples) of one note."""
    first = int(round(start * RATE))
    count = int(round(duration * RATE))
    out = []
    phase = 0.0
    for i in range(count):
        t = i / RATE
        f = f0 + (f1 - f0) * (t / duration)
        phase += 2 * math.pi * f / RATE
        edge = min(1.0, t / fade, (duration - t) / fade) if fade > 0 else 1.0
        out.append(level * max(edge, 0.0) * math.sin(phase))
    return first, out


def render(name):
    notes = SOUNDS[name]
    if not notes:
        return [0.0] * int(SILENCE_SECONDS * RATE)
    length = max(int(round((s + d) * RATE)) for s, d, _, _, _ in notes)
    mix = [0.0] * length
    for start, duration, f0, f1, level in notes:
        # A loop keeps full level at its ends: its partials are whole periods.
        fade = 0.0 if name in LOOPS else FADE
        first, samples = note_samples(start, duration, f0, f1, level, fade)
        for i, v in enumerate(samples):
            mix[first + i] += v
    top = max(abs(v) for v in mix) or 1.0
    return [v * PEAK / top for v in mix]


def write(folder, name):
    path = os.path.join(folder, name)
    temporary = path + ".part"
    frames = b"".join(struct.pack("<h", int(round(v * 32767))) for v in render(name))
    with wave.open(temporary, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(frames)
    os.replace(temporary, path)


def main():
    if len(sys.argv) != 2:
        print("usage: make_sounds.py FOLDER", file=sys.stderr)
        return 2
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    for name in SOUNDS:
        write(folder, name)
    return 0


if __name__ == "__main__":
    sys.exit(main())
