#!/usr/bin/env python3
"""Synthesises the six sound cues in data/Sound.

Every cue is a short 16-bit PCM mono WAV at 22050 Hz built from sine tones
(and, for the key click, a little seeded noise), with a raised-cosine fade at
both ends so that no cue starts or stops with a pop. The output is
deterministic: running the script again gives the same bytes.

Usage: scripts/make-sounds.py [output-folder]   (default: data/Sound)
"""
import math
import random
import sys
import wave
from pathlib import Path

RATE = 22050
PEAK = 0.6  # of full scale; leaves headroom for the overlapping partials


def silence(ms):
    return [0.0] * int(RATE * ms / 1000)


def tone(freq, ms, decay=0.0, partials=((1, 1.0),)):
    """A sine tone (with optional overtones) that decays exponentially.

    decay is in 1/s; partials are (multiple of freq, relative level)."""
    n = int(RATE * ms / 1000)
    out = []
    for i in range(n):
        t = i / RATE
        env = math.exp(-decay * t)
        s = sum(level * math.sin(2 * math.pi * freq * k * t) for k, level in partials)
        out.append(env * s)
    return out


def glide(f_start, f_end, ms, decay=0.0):
    """A sine whose pitch slides exponentially from f_start to f_end."""
    n = int(RATE * ms / 1000)
    out = []
    phase = 0.0
    ratio = f_end / f_start
    for i in range(n):
        t = i / n
        freq = f_start * ratio ** t
        phase += 2 * math.pi * freq / RATE
        out.append(math.exp(-decay * i / RATE) * (math.sin(phase) + 0.25 * math.sin(2 * phase)))
    return out


def click(ms):
    """A soft key click: a short burst of low-passed noise over a muted knock."""
    rng = random.Random(1901)
    n = int(RATE * ms / 1000)
    out = []
    smooth = 0.0
    for i in range(n):
        t = i / RATE
        smooth += 0.35 * (rng.uniform(-1.0, 1.0) - smooth)  # one-pole low-pass
        knock = math.sin(2 * math.pi * 1800 * t)
        out.append(math.exp(-160 * t) * (0.8 * smooth + 0.5 * knock))
    return out


def fade(samples, ms_in=3.0, ms_out=6.0):
    """Raised-cosine fade in and out, so the cue starts and ends at zero."""
    n = len(samples)
    k_in = max(1, int(RATE * ms_in / 1000))
    k_out = max(1, int(RATE * ms_out / 1000))
    out = list(samples)
    for i in range(min(k_in, n)):
        out[i] *= 0.5 - 0.5 * math.cos(math.pi * i / k_in)
    for i in range(min(k_out, n)):
        out[n - 1 - i] *= 0.5 - 0.5 * math.cos(math.pi * i / k_out)
    return out


def normalise(samples, peak=PEAK):
    top = max(abs(s) for s in samples) or 1.0
    return [s * peak / top for s in samples]


def mix_at(base, other, offset_ms):
    """Adds `other` into `base` starting offset_ms in, extending as needed."""
    start = int(RATE * offset_ms / 1000)
    out = list(base) + [0.0] * max(0, start + len(other) - len(base))
    for i, s in enumerate(other):
        out[start + i] += s
    return out


def write_wav(path, samples):
    frames = bytearray()
    for s in samples:
        v = max(-32767, min(32767, int(round(s * 32767))))
        frames += v.to_bytes(2, "little", signed=True)
    with wave.open(str(path), "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(bytes(frames))


def blip(freq):
    """A short round button blip with a touch of the octave above."""
    return tone(freq, 90, decay=28, partials=((1, 1.0), (2, 0.2)))


CUES = {
    # Plays on every change of the input line: must be very short and quiet.
    "KeyBoard.wav": lambda: normalise(fade(click(35), 1.5, 8), 0.35),
    # Three blips, lowest to highest: window shake, layout converter, Say.
    "Button1.wav": lambda: normalise(fade(blip(523.25))),
    "Button2.wav": lambda: normalise(fade(blip(659.25))),
    "Button3.wav": lambda: normalise(fade(blip(783.99))),
    # The bot speaks: two bell-like notes a fifth apart.
    "CpuSound.wav": lambda: normalise(fade(mix_at(
        tone(880.0, 140, decay=9, partials=((1, 1.0), (2.76, 0.15))),
        tone(1318.5, 220, decay=11, partials=((1, 1.0), (2.76, 0.15))), 110), 3, 25)),
    # Farewell: a falling tone.
    "Close.wav": lambda: normalise(fade(glide(880.0, 220.0, 380, decay=3), 4, 40)),
}


def main():
    root = Path(__file__).resolve().parent.parent
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else root / "data" / "Sound"
    out.mkdir(parents=True, exist_ok=True)
    for name, make in CUES.items():
        samples = make()
        ms = 1000 * len(samples) / RATE
        assert 30 <= ms <= 400, f"{name}: {ms:.0f} ms is out of range"
        write_wav(out / name, samples)
        print(f"{out / name}: {ms:.0f} ms")


if __name__ == "__main__":
    main()
