#!/usr/bin/env python3
"""How soon tavro-tape-cli --robust tells of a block after its leader ends.

Makes a recording with tavro-tape-encode (16-bit stereo, 44,100 Hz: blocks
of random bytes with GAP seconds of silence before, between and after them),
then feeds it to `tavro-tape-cli --robust --json -` through a pipe at the
pace of real time, 10 ms of audio at a time, and notes when each line of its
output arrives. A block's start lies where its leader ends (its first
byte), so the latency of a block-start event is

    the moment it arrives - (the moment the first frame was written + its start)

Prints that for every block, and for every block's end, which the decoder
tells once a second without a good byte (its end gap) has passed; the worst
block-end latency counts from there.

Usage: tools/robust-latency.py [BUILD_DIR] [BLOCKS] [GAP] [ENCODER_OPTION...]
  ENCODER_OPTION  more options for tavro-tape-encode, e.g. --highpass 300
                  --highpass-order 2 (a recording where the edges run)
"""
import json
import os
import subprocess
import sys
import tempfile
import threading
import time

build = sys.argv[1] if len(sys.argv) > 1 else "build/default"
blocks = int(sys.argv[2]) if len(sys.argv) > 2 else 3
gap = float(sys.argv[3]) if len(sys.argv) > 3 else 5.0
extra = sys.argv[4:]
END_GAP = 1.0  # s without a good byte that end a block
cli = os.path.join(build, "cli", "tavro-tape-cli")
encoder = os.path.join(build, "tools", "encoder", "tavro-tape-encode")
RATE, FRAME, STEP = 44100, 4, 0.010

with tempfile.TemporaryDirectory() as work:
    args = [encoder, "--bits", "16", "--channels", "2", "--gap", str(gap)] + extra
    for k in range(blocks):
        path = os.path.join(work, f"in{k}.bin")
        with open(path, "wb") as out:
            out.write(os.urandom(300))
        args += ["--name", f"B{k}", path]
    wav = os.path.join(work, "tape.wav")
    subprocess.run(args + [wav], check=True)
    data = open(wav, "rb").read()
    audio_at = data.find(b"data") + 8

    child = subprocess.Popen([cli, "--robust", "--json", "-o", os.devnull, "-"],
                             stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    started = {}

    def feed():
        child.stdin.write(data[:audio_at])
        child.stdin.flush()
        step = int(RATE * STEP) * FRAME
        started["t0"] = t0 = time.monotonic()
        for k, at in enumerate(range(audio_at, len(data), step)):
            delay = t0 + k * STEP - time.monotonic()
            if delay > 0:
                time.sleep(delay)
            child.stdin.write(data[at:at + step])
            child.stdin.flush()
        child.stdin.close()

    writer = threading.Thread(target=feed)
    writer.start()
    heard = []
    for line in child.stdout:
        heard.append((time.monotonic(), json.loads(line)))
    writer.join()
    child.wait()

    t0 = started["t0"]
    print(f"{blocks} blocks of 300 bytes, {gap:g} s apart, fed at the pace of real time" +
          (f" ({' '.join(extra)})" if extra else ""))
    print(f"  {'event':<12} {'block':>5} {'at (s of audio)':>16} {'latency (s)':>12}")
    worst = {"block-start": 0.0, "block": -END_GAP}
    for arrived, event in heard:
        kind = event["event"]
        if kind in ("block-start", "block"):
            at = event["start"] if kind == "block-start" else event["end"]
            latency = arrived - (t0 + at)
            worst[kind] = max(worst[kind], latency)
            print(f"  {kind:<12} {event['index']:>5} {at:>16.3f} {latency:>12.3f}")
    print(f"worst block-start latency: {worst['block-start']:.3f} s; worst block end: "
          f"{worst['block'] - END_GAP:.3f} s after its end gap (exit {child.returncode})")
