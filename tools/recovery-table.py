#!/usr/bin/env python3
"""Recovery per condition, the default decoder against --robust.

    tools/recovery-table.py [BUILD [TEXT]]     (default build/default)

TEXT, where given, picks the conditions whose options contain it.

For each condition of the table below, tavro-tape-encode makes a recording
of two blocks (8,066 and 3,066 bytes, record headers included) with those
options, tavro-tape-cli decodes it with and without --robust, and the table
shows the share of the bytes on tape that came back in order, the bytes
that were never on tape, and the lost bytes that --robust reported.
"""
import difflib
import os
import random
import subprocess
import sys
import tempfile

CONDITIONS = """
--bits 16
--bits 8
--rate 22050 --bits 16
--rate 48000 --bits 24
--rate 88200 --bits 16
--rate 96000 --bits 24
--rate 192000 --bits 24 --channels 2 --other silence
--rate 8000 --bits 16
--bits 32 --float --extensible --list-chunk
--bits 16 --speed 0.85
--bits 16 --speed 1.15
--bits 16 --wow 5 --wow-hz 1
--bits 16 --wow 5 --wow-hz 8
--bits 16 --hiss 20
--bits 16 --hiss 14
--bits 16 --hiss 10
--bits 16 --hum 6
--bits 16 --hum 6 --hum-hz 60
--bits 8 --level -30 --dc 0.3 --hum 6
--bits 16 --dc 0.4
--bits 16 --lowpass 3000
--bits 16 --lowpass 2000
--bits 16 --highpass 100
--bits 16 --highpass 300
--bits 16 --invert
--bits 16 --dropouts 10
--rate 48000 --bits 16 --lowpass 3000 --hiss 20 --dropouts 10 --wow 2
--rate 48000 --bits 24 --speed 0.9 --lowpass 2500 --hiss 18 --hum 12 --highpass 100 --dropouts 6
--rate 44100 --bits 16 --channels 2 --other noise --speed 1.1 --wow 3 --hiss 16 --invert
--bits 16 --highpass 300 --highpass-order 2
--bits 16 --highpass 200 --highpass-order 4
--bits 16 --highpass 400 --highpass-order 3
--bits 16 --band 300-2800
--bits 16 --band 300-2800 --speed 0.93
--bits 16 --band 300-3400
--rate 8000 --mulaw --band 300-3400
--rate 8000 --alaw --band 300-3400
--rate 8000 --mulaw
--bits 16 --agc-attack 5 --agc-release 300
--bits 16 --overdrive 15
--bits 16 --allpass 1000
--bits 16 --overdrive 15 --allpass 1000
--bits 16 --highpass 300 --highpass-order 2 --speed 0.93 --hiss 20 --wow 2
--bits 16 --highpass 200 --highpass-order 4 --speed 0.93 --hiss 20 --wow 2
--bits 16 --band 300-2800 --speed 0.93 --hiss 20 --wow 2
--rate 8000 --mulaw --band 300-3400 --speed 0.93 --hiss 20 --wow 2
--rate 8000 --alaw --band 300-3400 --speed 0.93 --hiss 20 --wow 2
--bits 16 --agc-attack 5 --agc-release 300 --speed 0.93 --hiss 20 --wow 2
--bits 16 --overdrive 15 --allpass 1000 --speed 0.93 --hiss 20 --wow 2
--rate 48000 --bits 16 --highpass 200 --highpass-order 4 --agc-attack 5 --agc-release 300 --hiss 20
""".strip().splitlines()


def record_header(name):
    header = bytearray([0xFF, 0] + [0] * 15 + [0x55] + [0] * 14 + [0x55] + [0] * 6)
    header += name.encode().ljust(8, b"\0")
    return bytes(header.ljust(66, b"\0"))


def recovered(tape, out):
    matcher = difflib.SequenceMatcher(None, tape, out, autojunk=False)
    matched = sum(block.size for block in matcher.get_matching_blocks())
    return matched / len(tape), len(out) - matched


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build/default"
    # A third argument picks the conditions that contain it.
    wanted = sys.argv[2] if len(sys.argv) > 2 else ""
    encode = os.path.abspath(os.path.join(build, "tools/encoder/tavro-tape-encode"))
    cli = os.path.abspath(os.path.join(build, "cli/tavro-tape-cli"))
    rng = random.Random(7)
    one = bytes(rng.getrandbits(8) for _ in range(8000))
    two = bytes(rng.getrandbits(8) for _ in range(3000))
    tape = record_header("ONE") + one + record_header("TWO") + two
    with tempfile.TemporaryDirectory() as folder:
        for name, data in (("one.bin", one), ("two.bin", two)):
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)
        print(f"{'condition':<64} {'default':>18} {'--robust':>26}")
        for condition in (c for c in CONDITIONS if wanted in c):
            subprocess.run([encode] + condition.split() +
                           ["--name", "ONE", "one.bin", "--name", "TWO", "two.bin", "tape.wav"],
                           cwd=folder, check=True)
            cells = []
            for options in ([], ["--robust"]):
                run = subprocess.run([cli] + options + ["tape.wav"], cwd=folder,
                                     capture_output=True, text=True)
                with open(os.path.join(folder, "test.dat"), "rb") as f:
                    share, extra = recovered(tape, f.read())
                lost = run.stdout.count("\nerror: ")
                cells.append(f"{100 * share:7.2f} % +{extra:<5}" + (f" {lost:3} lost" if options else ""))
            print(f"{condition:<64} {cells[0]:>18} {cells[1]:>26}", flush=True)


if __name__ == "__main__":
    main()
