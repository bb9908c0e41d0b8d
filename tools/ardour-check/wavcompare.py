#!/usr/bin/env python3
"""Compares audio files sample by sample.

    wavcompare.py REFERENCE.wav[,RIGHT.wav] EXPORT.wav [--tolerance T] [--min-peak P]

The reference is one multi-channel file or several mono files joined by commas (a DAW
records one mono file per channel). Passes when the export has as many channels, holds
at least as many frames, and every sample is within T of the reference (default 0: exact).
The reference must reach a peak of P (default 0.01), so that silence cannot pass.
Reads RIFF/WAVE (and RF64-less BWF) with 16/24/32-bit PCM or 32/64-bit float samples
without numpy or libsndfile.
"""
import argparse
import struct
import sys

WAVE_FORMAT_PCM = 1
WAVE_FORMAT_IEEE_FLOAT = 3
WAVE_FORMAT_EXTENSIBLE = 0xFFFE


class WavError(Exception):
    pass


def read_wav(path):
    """Returns (sample_rate, channels) with channels as lists of floats."""
    try:
        with open(path, "rb") as f:
            data = f.read()
    except OSError as e:
        raise WavError(f"{path}: {e.strerror}")
    if len(data) < 12 or data[0:4] != b"RIFF" or data[8:12] != b"WAVE":
        raise WavError(f"{path}: not a RIFF/WAVE file")
    fmt = None
    body = None
    pos = 12
    while pos + 8 <= len(data):
        cid = data[pos:pos + 4]
        size = struct.unpack_from("<I", data, pos + 4)[0]
        chunk = data[pos + 8:pos + 8 + size]
        if cid == b"fmt ":
            fmt = chunk
        elif cid == b"data":
            body = chunk
        pos += 8 + size + (size & 1)
    if fmt is None or body is None or len(fmt) < 16:
        raise WavError(f"{path}: missing fmt or data chunk")
    tag, nch, rate, _, align, bits = struct.unpack_from("<HHIIHH", fmt, 0)
    if tag == WAVE_FORMAT_EXTENSIBLE and len(fmt) >= 40:
        tag = struct.unpack_from("<H", fmt, 24)[0]
    if nch == 0 or align == 0:
        raise WavError(f"{path}: no channels")
    frames = len(body) // align
    width = bits // 8
    if tag == WAVE_FORMAT_IEEE_FLOAT and bits in (32, 64):
        code = "f" if bits == 32 else "d"
        flat = struct.unpack_from(f"<{frames * nch}{code}", body, 0)
    elif tag == WAVE_FORMAT_PCM and bits in (16, 32):
        code = "h" if bits == 16 else "i"
        scale = float(1 << (bits - 1))
        flat = [v / scale for v in struct.unpack_from(f"<{frames * nch}{code}", body, 0)]
    elif tag == WAVE_FORMAT_PCM and bits == 24:
        flat = []
        for i in range(frames * nch):
            b = body[i * 3:i * 3 + 3]
            flat.append(int.from_bytes(b, "little", signed=True) / 8388608.0)
    else:
        raise WavError(f"{path}: unsupported sample format (tag {tag}, {bits} bits)")
    if width * nch != align:
        raise WavError(f"{path}: inconsistent block alignment")
    return rate, [list(flat[c::nch]) for c in range(nch)]


def read_reference(paths):
    rate = None
    channels = []
    for path in paths.split(","):
        r, chans = read_wav(path)
        if rate is not None and r != rate:
            raise WavError(f"{path}: sample rate {r} differs from {rate}")
        rate = r
        channels.extend(chans)
    return rate, channels


def compare(reference, export, tolerance, min_peak):
    """Returns a list of failure messages; empty when the files agree."""
    ref_rate, ref = reference
    out_rate, out = export
    problems = []
    if ref_rate != out_rate:
        problems.append(f"sample rate {out_rate} differs from the reference's {ref_rate}")
    if len(ref) != len(out):
        problems.append(f"{len(out)} channels, the reference has {len(ref)}")
        return problems
    peak = max((abs(v) for ch in ref for v in ch), default=0.0)
    if peak < min_peak:
        problems.append(f"the reference peaks at {peak:.6g}: nothing to compare")
    for c, (r, o) in enumerate(zip(ref, out)):
        if len(o) < len(r):
            problems.append(f"channel {c}: {len(o)} frames, the reference has {len(r)}")
            continue
        worst, where = 0.0, -1
        for i, (a, b) in enumerate(zip(r, o)):
            d = abs(a - b)
            if d > worst:
                worst, where = d, i
        if worst > tolerance:
            problems.append(f"channel {c}: frame {where} differs by {worst:.6g} "
                            f"(reference {r[where]:.9g}, export {o[where]:.9g})")
    return problems


def main(argv):
    parser = argparse.ArgumentParser(description="Compare an export with its reference.")
    parser.add_argument("reference")
    parser.add_argument("export")
    parser.add_argument("--tolerance", type=float, default=0.0)
    parser.add_argument("--min-peak", type=float, default=0.01)
    args = parser.parse_args(argv)
    try:
        reference = read_reference(args.reference)
        export = read_wav(args.export)
    except WavError as e:
        print(f"wavcompare: {e}", file=sys.stderr)
        return 2
    problems = compare(reference, export, args.tolerance, args.min_peak)
    for p in problems:
        print(f"wavcompare: {p}", file=sys.stderr)
    if problems:
        return 1
    frames = len(reference[1][0])
    print(f"wavcompare: {len(reference[1])} channels x {frames} frames agree "
          f"(tolerance {args.tolerance:g})")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
