#!/usr/bin/python3
"""One verdict for every file, whatever the path that reads it.

Kelvo reads a file along several paths: the full decode, the JPEG decode at 1/2 ... 1/8 scale and from the DC
coefficients alone, the PNG decode straight to a reduced size, one file at a time or several side by side. Every
damaged and special file of the hostile suite (tests/hostile/hostile_test.py) is converted here along each path,
and each must give the same verdict in the same words: converted, or failed with the same Japanese line.

The one difference allowed: a progressive JPEG whose thumbnail comes from its DC scans alone may convert as a
thumbnail where its damaged AC scans fail at full size, but only when the file with its AC scans left out converts
at full size (the thumbnail then needs none of the damaged data).

usage: verdict_test.py KELVO_BINARY GROUP    (GROUP: paths workers repeat)
  paths    each case at full size, at half size and as a thumbnail (8-bit outputs: hostile_test's captioned group)
  workers  each damaged case between two good files, with one worker and with two
  repeat   files cut by their last one or two bytes, converted many times while the machine is busy
"""
import os
import struct
import subprocess
import sys
import tempfile

import hostile_test as hostile

# Settings along each path; the pictures of the cases are 96 x 64 (the padded header bombs larger).
PATHS = {
    "full": "[Main]\nComboBox1=しない\n",
    "half": "[Main]\nComboBox1=常に有効\nSpinEdit1=48\nSpinEdit2=32\n",
    "thumbnail": "[Main]\nComboBox1=常に有効\nSpinEdit1=12\nSpinEdit2=8\n",
}
# The load beside the repeated runs: full size to 8 bits.
LOAD = "[Main]\nComboBox1=しない\nComboBox4=PNG8\n"


def verdict(program, path):
    """(True, None) when converted, else (False, the Japanese words of the one error line)."""
    program.clear_output()
    rc, errors = program.run([path])
    if rc == 0:
        return True, None
    line = errors.strip().split("\n")[0]
    words = line.split(": ")[1] if ": " in line else line
    return False, words


def jpeg_scans(data):
    """(offset, end, Ss) of each scan (its SOS segment and entropy-coded data); None when the layout is odd."""
    scans, pos = [], 2
    while pos + 2 <= len(data):
        if data[pos] != 0xFF:
            return None
        kind = data[pos + 1]
        if kind == 0xFF:
            pos += 1
            continue
        if kind == 0xD9:
            return scans
        if pos + 4 > len(data):
            return None
        length = struct.unpack(">H", data[pos + 2:pos + 4])[0]
        if kind != 0xDA:
            pos += 2 + length
            continue
        components = data[pos + 4]
        ss = data[pos + 5 + 2 * components]
        end = pos + 2 + length
        while end + 1 < len(data) and not (data[end] == 0xFF and data[end + 1] not in (0,) + tuple(range(0xD0, 0xD8))):
            end += 1
        scans.append((pos, end, ss))
        pos = end
    return None


def without_ac_scans(data):
    scans = jpeg_scans(data)
    if not scans:
        return None
    out, last = bytearray(), 0
    for start, end, ss in scans:
        out += data[last:start]
        if ss == 0:
            out += data[start:end]
        last = end
    return bytes(out + data[last:])


def paths_group(root):
    programs = {name: hostile.Program(os.path.join(root, name), ini) for name, ini in PATHS.items()}
    full_only = hostile.Program(os.path.join(root, "dc-check"), PATHS["full"])
    src = os.path.join(root, "src")
    os.makedirs(src)
    failures = []
    cases = hostile.jpeg_cases() + hostile.png_cases() + hostile.bmp_cases() + hostile.pcx_cases() + hostile.fpx_cases()
    for name, data, _ in cases:
        path = os.path.join(src, name + ".img")
        with open(path, "wb") as f:
            f.write(data)
        verdicts = {p: verdict(program, path) for p, program in programs.items()}
        reference = verdicts["full"]
        for p, v in verdicts.items():
            if v == reference:
                continue
            if p == "thumbnail" and v[0] and not reference[0]:
                stripped = without_ac_scans(data)
                if stripped is not None:
                    with open(path, "wb") as f:
                        f.write(stripped)
                    if verdict(full_only, path)[0]:
                        continue
            failures.append(f"{name}: {p} {v} but full {reference}")
        os.unlink(path)
    return failures


def workers_group(root):
    src = os.path.join(root, "src")
    os.makedirs(src)
    good = [os.path.join(src, n) for n in ("a.jpg", "z.png")]
    hostile.photo(64, 48, 2).save(good[0], "JPEG")
    hostile.photo(64, 48, 3).save(good[1], "PNG")
    program = hostile.Program(os.path.join(root, "p"), PATHS["thumbnail"])
    failures = []
    for name, data, expect in hostile.jpeg_cases() + hostile.png_cases():
        if expect == "ok":
            continue
        path = os.path.join(src, "m-" + name + ".img")
        with open(path, "wb") as f:
            f.write(data)
        seen = {}
        for workers in ("1", "2"):
            program.clear_output()
            os.environ["KELVO_WORKERS"] = workers
            rc, errors = program.run([good[0], path, good[1]])
            seen[workers] = (rc, errors.strip(), sorted(os.listdir(program.output)) if os.path.isdir(program.output)
                             else [])
        del os.environ["KELVO_WORKERS"]
        if seen["1"] != seen["2"]:
            failures.append(f"{name}: one worker {seen['1']}, two {seen['2']}")
        os.unlink(path)
    return failures


def repeat_group(root, times=20):
    """A cut file must fail every time, also while other conversions keep both cores busy."""
    src = os.path.join(root, "src")
    os.makedirs(src)
    big = hostile.photo(800, 600, 5)
    files = {}
    for kind, options in (("base", {}), ("prog", {"progressive": True})):
        data = hostile.encoded(big, "JPEG", quality=92, **options)
        for cut in (1, 2):
            files[f"{kind}-cut{cut}"] = data[:-cut]
    paths = []
    for name, data in files.items():
        paths.append(os.path.join(src, name + ".jpg"))
        with open(paths[-1], "wb") as f:
            f.write(data)
    load_program = hostile.Program(os.path.join(root, "load"), LOAD)
    load_source = os.path.join(src, "load.png")
    big.save(load_source, "PNG")
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    kelvo = os.path.join(load_program.prog, "kelvo")
    load = subprocess.Popen(["/bin/sh", "-c", f"while :; do '{kelvo}' '{load_source}' >/dev/null 2>&1; done"],
                            env=env, start_new_session=True)
    good = os.path.join(src, "good.jpg")
    big.save(good, "JPEG")
    failures = []
    try:
        for settings in ("thumbnail", "full"):
            program = hostile.Program(os.path.join(root, settings), PATHS[settings])
            for i in range(times):
                for path in paths:
                    # Alone (libvips' threads on the one file), and after a good file with two workers.
                    for workers, files in (("1", [path]), ("2", [good, path])):
                        os.environ["KELVO_WORKERS"] = workers
                        program.clear_output()
                        rc, errors = program.run(files)
                        written = sorted(os.listdir(program.output)) if os.path.isdir(program.output) else []
                        if rc != 1 or "ファイルの末尾以降を読み込みました" not in errors or \
                                written != (["good.jpg"] if len(files) == 2 else []):
                            failures.append(f"{os.path.basename(path)} {settings} run {i}, {workers} worker(s): "
                                            f"exit {rc} [{errors.strip()}] written {written}")
    finally:
        os.environ.pop("KELVO_WORKERS", None)
        os.killpg(load.pid, 9)
        load.wait()
    return failures


def main():
    hostile.KELVO = os.path.abspath(sys.argv[1])
    group = sys.argv[2]
    with tempfile.TemporaryDirectory() as root:
        failures = {"paths": paths_group, "workers": workers_group, "repeat": repeat_group}[group](root)
    for line in failures:
        print("FAIL", line)
    print(f"{group}: {len(failures)} failing case(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
