#!/usr/bin/python3
"""A run into a nearly full disc (a small tmpfs of its own, in a user and mount namespace): every entry that fits
is saved, in list order, as a run converting one entry at a time saves them, and the message names the first
entry that really did not fit. Outputs written ahead of their turn must not take the room of earlier entries.

usage: disk_test.py KELVO_BINARY
"""
import io
import os
import shutil
import subprocess
import sys
import tarfile
import tempfile

PAGE = 4096


def main():
    kelvo = os.path.abspath(sys.argv[1])
    failures = []
    with tempfile.TemporaryDirectory() as root:
        photos = os.path.join(root, "photos")
        os.makedirs(photos)
        jobs = [subprocess.Popen(["convert", "-size", "1200x900", "plasma:fractal", "-seed", str(i), "-quality", "90",
                                  os.path.join(photos, f"p{i:02}.jpg")]) for i in range(30)]
        if any(job.wait() != 0 for job in jobs):
            raise RuntimeError("convert failed")
        sources = [os.path.join(photos, f"p{i:02}.jpg") for i in range(30)]
        prog = os.path.join(root, "prog")
        os.makedirs(prog)
        binary = os.path.join(prog, "kelvo")
        shutil.copy(kelvo, binary)
        disc = os.path.join(root, "disc")
        os.makedirs(disc)
        # Thumbnails at the start values (200 wide, JPEG), into the small disc.
        with open(os.path.join(prog, "kelvo.ini"), "w", encoding="utf-8") as f:
            f.write(f"[Main]\nEdit2={disc}\n")
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        env["KELVO_WORKERS"] = "2"

        # With room enough: every output's size.
        full = subprocess.run([binary, *sources], env=env, capture_output=True, timeout=300)
        if full.returncode != 0:
            raise RuntimeError(full.stderr.decode())
        expected = {name: open(os.path.join(disc, name), "rb").read() for name in os.listdir(disc)}
        pages = [-(-len(expected[f"p{i:02}.jpg"]) // PAGE) for i in range(30)]
        shutil.rmtree(disc)
        os.makedirs(disc)
        room = sum(pages) // 2
        fits = 0
        while fits < 30 and sum(pages[:fits + 1]) <= room:
            fits += 1

        # The same run into room for about half, inside a namespace of its own; the disc's files come back as a
        # tar stream.
        script = ('mount -t tmpfs -o size="$1" tmpfs "$2" && "$3" "${@:4}" 2>"$2.err"; echo $? >"$2.status"; '
                  'cat "$2.err" >&2; tar -C "$2" -cf - .')
        done = subprocess.run(["unshare", "-rm", "bash", "-c", script, "bash", str(room * PAGE), disc, binary,
                               *sources], env=env, capture_output=True, timeout=300)
        status = open(disc + ".status").read().strip()
        message = done.stderr.decode()
        written = {}
        with tarfile.open(fileobj=io.BytesIO(done.stdout)) as tar:
            for member in tar.getmembers():
                if member.isfile():
                    written[os.path.basename(member.name)] = tar.extractfile(member).read()
        saved = sorted(written)
        in_order = [f"p{i:02}.jpg" for i in range(len(saved))]
        if saved != in_order:
            failures.append(f"not the first entries in list order: {saved}")
        for name in saved:
            if name in expected and written[name] != expected[name]:
                failures.append(f"{name} differs from the output written with room enough")
        if not fits - 1 <= len(saved) <= fits:
            failures.append(f"{len(saved)} saved where {fits} fit one after another")
        if status != "1":
            failures.append(f"exit status {status}")
        first_missing = f"p{len(saved):02}.jpg"
        if "ディスクがいっぱいです" not in message or first_missing not in message:
            failures.append(f"the message does not name {first_missing} as not fitting: {message.strip()}")
        print(f"disc full: {len(saved)} of 30 saved ({fits} fit), message: {message.strip()}")
    for line in failures:
        print("FAIL", line)
    print(f"disk: {len(failures)} failing case(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
