#!/usr/bin/python3
"""Runs killed with SIGKILL at many moments: afterwards the output folder holds nothing but complete files under
their real names (no hidden temporary files, no partial outputs, no partial copies).

usage: kill_test.py KELVO_BINARY RENAME_TOOL GROUP    (GROUP: convert, rename)
"""
import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from PIL import Image

import hostile_test as h

# When the kills come, as parts of the time a whole run takes.
FRACTIONS = [0.03, 0.08, 0.15, 0.25, 0.35, 0.5, 0.65, 0.8, 0.95]


def killed_after(command, delay, **options):
    process = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, **options)
    time.sleep(delay)
    process.send_signal(signal.SIGKILL)
    process.wait()


def convert_group(kelvo):
    failures = []
    with tempfile.TemporaryDirectory() as root:
        program = h.Program(root, "[Main]\nComboBox1=しない\nComboBox4=PNG24\n")
        sizes = {}
        small = os.path.join(root, "small")
        os.makedirs(small)
        for i in range(300):
            h.photo(64, 48, i).save(os.path.join(small, f"small{i:03}.png"), "PNG")
            sizes[f"small{i:03}.png"] = (64, 48)
        # Large photos at the start (the finished small outputs wait behind them for their turn) and the end.
        mixed = os.path.join(root, "mixed")
        shutil.copytree(small, mixed)
        big = h.photo(300, 200, 5).resize((3000, 2000))
        for name in ("big", "zbig"):
            big.save(os.path.join(mixed, name + ".jpg"), "JPEG", quality=92)
            sizes[name + ".png"] = big.size
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
        for src in (small, mixed):
            command = [os.path.join(program.prog, "kelvo"), src]
            started = time.monotonic()
            subprocess.run(command, env=env, capture_output=True, check=True)
            whole = time.monotonic() - started
            for delay in [whole * f for f in FRACTIONS]:
                program.clear_output()
                killed_after(command, delay, env=env)
                names = os.listdir(program.output) if os.path.isdir(program.output) else []
                for name in names:
                    path = os.path.join(program.output, name)
                    if name not in sizes:
                        failures.append(f"killed after {delay} s: {name} is no output's name")
                        continue
                    result = h.check_output(path)
                    if result != sizes[name]:
                        failures.append(f"killed after {delay} s: {name}: {result}")
                print(f"{os.path.basename(src)}: killed after {delay:.3f} s of {whole:.2f} s: "
                      f"{len(names)} complete outputs")
    return failures


def rename_group(rename_tool):
    failures = []
    rnd = random.Random(9)
    with tempfile.TemporaryDirectory() as root:
        src = os.path.join(root, "src")
        out = os.path.join(root, "out")
        os.makedirs(src)
        contents = []
        for i in range(200):
            data = bytes(rnd.randrange(256) for _ in range(64)) * (32768 if i % 10 == 0 else 4096)
            with open(os.path.join(src, f"s{i:03}.bin"), "wb") as f:
                f.write(data)
            contents.append(data)
        sources = [os.path.join(src, f"s{i:03}.bin") for i in range(200)]
        started = time.monotonic()
        subprocess.run([rename_tool, out, "p", "3", *sources], capture_output=True, check=True)
        whole = time.monotonic() - started
        for delay in [whole * f for f in FRACTIONS]:
            shutil.rmtree(out, ignore_errors=True)
            killed_after([rename_tool, out, "p", "3", *sources], delay)
            names = sorted(os.listdir(out)) if os.path.isdir(out) else []
            for name in names:
                index = int(name[1:4]) - 1 if name.startswith("p") and name[1:4].isdigit() else -1
                if not (0 <= index < 200 and name == f"p{index + 1:03}.bin"):
                    failures.append(f"rename killed after {delay} s: {name} is no copy's name")
                    continue
                with open(os.path.join(out, name), "rb") as f:
                    if f.read() != contents[index]:
                        failures.append(f"rename killed after {delay} s: {name} is not a complete copy")
            print(f"rename killed after {delay:.3f} s of {whole:.2f} s: {len(names)} complete copies")

        # In place, every name taken by another entry (a rotation): killed at any moment, the folder still
        # holds every picture whole, under the names it had or the names it was given.
        rotation = os.path.join(root, "rotation")
        for delay in [whole * f for f in FRACTIONS]:
            shutil.rmtree(rotation, ignore_errors=True)
            os.makedirs(rotation)
            for i in range(200):
                with open(os.path.join(rotation, f"{i + 1}.bin"), "wb") as f:
                    f.write(contents[i])
            order = [os.path.join(rotation, f"{i + 1}.bin") for i in [199, *range(199)]]
            killed_after([rename_tool, rotation, "", "1", *order], delay)
            names = sorted(os.listdir(rotation))
            if len(names) != 200:
                failures.append(f"rotation killed after {delay} s: {len(names)} files")
            for name in names:
                with open(os.path.join(rotation, name), "rb") as f:
                    if f.read() not in contents:
                        failures.append(f"rotation killed after {delay} s: {name} is not a complete file")
    return failures


def main():
    kelvo, rename_tool, group = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2]), sys.argv[3]
    h.KELVO = kelvo
    failures = convert_group(kelvo) if group == "convert" else rename_group(rename_tool)
    for line in failures:
        print("FAIL", line)
    print(f"killed {group}: {len(failures)} failing case(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
