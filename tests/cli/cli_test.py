#!/usr/bin/python3
"""The command-line run's options through the real program: each option, each bad value (exit 2, nothing read or
written), --files-from with odd names, --dry-run writing nothing, --json read back by Python's json module, and
a list split across processes by GNU parallel.

usage: cli_test.py KELVO_BINARY
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile

FAILURES = []


def check(condition, what):
    if not condition:
        FAILURES.append(what)


class Program:
    """A private copy of the program, so its settings file and Output folder are ours."""

    def __init__(self, root, kelvo):
        self.folder = os.path.join(root, "prog")
        os.makedirs(self.folder)
        self.binary = os.path.join(self.folder, "kelvo")
        shutil.copy(kelvo, self.binary)
        self.output = os.path.join(self.folder, "Output")
        self.env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}

    def run(self, args, stdin=None, cwd=None):
        done = subprocess.run([self.binary, *args], input=stdin, capture_output=True, env=self.env, cwd=cwd,
                              timeout=300)
        return done.returncode, done.stdout, done.stderr.decode(errors="replace")

    def settings(self, text):
        with open(os.path.join(self.folder, "kelvo.ini"), "w", encoding="utf-8") as f:
            f.write(text)


def tree(folder):
    """Every path below `folder` with its size and time: what a run that writes nothing leaves as it was."""
    found = []
    for base, dirs, files in os.walk(os.fsencode(folder)):
        for name in dirs + files:
            path = os.path.join(base, name)
            info = os.lstat(path)
            found.append((path, info.st_size, info.st_mtime_ns))
    return sorted(found)


def size_of(path):
    out = subprocess.run(["identify", "-format", "%m %wx%h", path], capture_output=True, text=True)
    return out.stdout.strip()


def options_group(program, photos):
    """Each option overrides the stored settings for one run; the settings file is never written."""
    program.settings("[Main]\nComboBox4=BMP24\n")
    before = open(os.path.join(program.folder, "kelvo.ini"), "rb").read()
    out = os.path.join(program.folder, "elsewhere")
    rc, _, err = program.run(["-o", out, "--format=png8", "--size", "120x120", os.path.join(photos, "a.jpg")])
    check(rc == 0, f"-o/-f/--size: exit {rc}: {err}")
    check(size_of(os.path.join(out, "a.png")) == "PNG 120x90", f"-o/-f/--size gave {size_of(os.path.join(out, 'a.png'))}")
    check(not os.path.exists(program.output), "-o still wrote into the stored output folder")
    check(open(os.path.join(program.folder, "kelvo.ini"), "rb").read() == before, "the settings file was written")
    check("件変換" in err and "出力先" in err, f"the summary is not in Japanese: {err}")

    rc, _, err = program.run(["-fJPEG", "--percent", "25", "-q", "20", os.path.join(photos, "a.jpg")])
    small = os.path.join(program.output, "a.jpg")
    check(rc == 0 and size_of(small) == "JPEG 160x120", f"--percent 25 gave {size_of(small)}: {err}")
    low = os.path.getsize(small)
    program.run(["-f", "jpeg", "--percent", "25", "-q", "95", os.path.join(photos, "a.jpg")])
    check(os.path.getsize(small) > low, "-q 95 is not larger than -q 20")

    # A named settings set, with no window.
    klv = os.path.join(program.folder, "small.klv")
    with open(klv, "w", encoding="utf-8") as f:
        f.write("[Main]\nComboBox1=常に有効\nSpinEdit1=40\nSpinEdit2=40\nComboBox4=PNG24\n")
    rc, _, err = program.run(["--settings", klv, "--quiet", os.path.join(photos, "b.png")])
    check(rc == 0 and size_of(os.path.join(program.output, "b.png")) == "PNG 40x30", f"--settings: {err}")
    check(err == "", f"--quiet printed {err!r}")

    # After "--" a name that looks like an option is a name, first or after options.
    shutil.copy(os.path.join(photos, "a.jpg"), os.path.join(program.folder, "-dash.jpg"))
    for args in (["--", "-dash.jpg"], ["-f", "PNG24", "--", "-dash.jpg"]):
        shutil.rmtree(program.output, ignore_errors=True)
        rc, _, err = program.run(args, cwd=program.folder)
        check(rc == 0 and len(os.listdir(program.output)) == 1, f"{args}: exit {rc}: {err}")
    os.remove(os.path.join(program.folder, "-dash.jpg"))

    # One worker or several: the same bytes.
    outputs = {}
    for jobs in ("1", "2"):
        folder = os.path.join(program.folder, "jobs" + jobs)
        rc, _, err = program.run(["-j", jobs, "-o", folder, "-f", "PNG8", photos])
        check(rc == 0, f"-j {jobs}: {err}")
        outputs[jobs] = {name: open(os.path.join(folder, name), "rb").read() for name in sorted(os.listdir(folder))}
    check(outputs["1"] == outputs["2"] and len(outputs["1"]) == 4, "-j 1 and -j 2 wrote different outputs")


def bad_values_group(program, photos):
    """One clear line and exit 2 before anything is read or written."""
    program.settings("[Main]\n")
    a_file = os.path.join(photos, "a.jpg")
    cases = [["--format", "GIF", a_file], ["--size", "0x5", a_file], ["--size", "50", a_file],
             ["--percent", "0", a_file], ["--percent", "101", a_file], ["-q", "x", a_file], ["-j", "0", a_file],
             ["--settings", os.path.join(photos, "none.klv"), a_file], ["--size", "10x10", "--percent", "5", a_file],
             ["-0", a_file], ["--bogus", a_file], ["-o"], ["--json"], ["-o", a_file, a_file],
             ["--files-from", os.path.join(photos, "no-list.txt")]]
    for args in cases:
        shutil.rmtree(program.output, ignore_errors=True)
        before = tree(photos)
        rc, out, err = program.run(args)
        lines = err.strip().splitlines()
        check(rc == 2, f"{args}: exit {rc}, not 2 ({err})")
        check(len(lines) == 1 and lines[0].startswith("kelvo: "), f"{args}: not one line: {err!r}")
        check(not os.path.exists(program.output) and tree(photos) == before, f"{args}: something was written")


def files_from_group(program, photos):
    """Names from a list: one a line, or NUL-separated with -0 (newlines in names), names not UTF-8."""
    program.settings("[Main]\nComboBox4=PNG24\nComboBox1=常に有効\nSpinEdit1=32\nSpinEdit2=32\n")
    odd = os.path.join(os.fsencode(photos), b"odd")
    os.makedirs(odd)
    names = [b"with space.jpg", b"line\nbreak.jpg", b"\x93\xfa\x96{.jpg", b"plain.jpg"]
    for name in names:
        shutil.copy(os.path.join(photos, "a.jpg"), os.path.join(odd, name))
    listed = [os.path.join(odd, name) for name in names]
    shutil.rmtree(program.output, ignore_errors=True)
    rc, _, err = program.run(["--files-from", "-", "-0"], stdin=b"\0".join(listed) + b"\0")
    written = sorted(os.listdir(os.fsencode(program.output))) if os.path.isdir(program.output) else []
    check(rc == 0 and written == sorted(n.replace(b".jpg", b".png") for n in names),
          f"--files-from - -0 wrote {written}: {err}")
    # One a line (CRLF too); blank lines are skipped.
    shutil.rmtree(program.output, ignore_errors=True)
    list_file = os.path.join(photos, "list.txt")
    with open(list_file, "wb") as f:
        f.write(listed[0] + b"\r\n\n" + listed[2] + b"\n" + listed[3])
    rc, _, err = program.run(["--files-from", list_file])
    written = sorted(os.listdir(os.fsencode(program.output))) if os.path.isdir(program.output) else []
    check(rc == 0 and len(written) == 3, f"--files-from FILE wrote {written}: {err}")
    os.remove(list_file)


def dry_run_group(program, photos):
    """--dry-run names every output, the collisions and the skips, and writes nothing anywhere."""
    program.settings("[Main]\nComboBox4=JPEG\n[Output]\nExisting=スキップする\n")
    other = os.path.join(photos, "other")
    os.makedirs(other, exist_ok=True)
    shutil.copy(os.path.join(photos, "a.jpg"), os.path.join(other, "a.jpg"))
    os.makedirs(program.output, exist_ok=True)
    with open(os.path.join(program.output, "b.jpg"), "wb") as f:
        f.write(b"earlier")
    shutil.copy(os.path.join(photos, "a.jpg"), os.path.join(photos, "anim.gif"))
    subprocess.run(["convert", "-size", "8x8", "xc:red", os.path.join(photos, "anim.gif")], check=True)
    before = tree(program.folder) + tree(photos)
    rc, out, err = program.run(["-n", os.path.join(photos, "a.jpg"), os.path.join(other, "a.jpg"),
                                os.path.join(photos, "b.png"), os.path.join(photos, "anim.gif")])
    text = out.decode()
    check(rc == 0, f"--dry-run: exit {rc}: {err}")
    check(tree(program.folder) + tree(photos) == before, "--dry-run wrote something")
    check(f"→ {os.path.join(program.output, 'a (2).jpg')}" in text and "番号付き" in text, f"no numbered name: {text}")
    check(text.count("スキップ") == 2, f"the two skips are not named: {text}")
    rc, out, err = program.run(["-n", "--json", os.path.join(photos, "a.jpg"), os.path.join(other, "a.jpg")])
    entries = [json.loads(line) for line in out.decode().splitlines()]
    check([e.get("numbered") for e in entries[:2]] == [False, True] and entries[2].get("dry_run") is True,
          f"--dry-run --json: {entries}")
    os.remove(os.path.join(photos, "anim.gif"))
    shutil.rmtree(other)
    shutil.rmtree(program.output)


def json_group(program, photos):
    """--json: one object a line for every entry, then a summary, read by Python's json module; names that are not
    UTF-8 come back as their bytes (surrogateescape)."""
    program.settings("[Main]\nComboBox4=PNG24\nComboBox1=常に有効\nSpinEdit1=64\nSpinEdit2=64\n")
    shutil.rmtree(program.output, ignore_errors=True)
    odd = os.path.join(os.fsencode(photos), b"\x93\xfa.jpg")
    shutil.copy(os.path.join(photos, "a.jpg"), odd)
    rc, out, err = program.run(["--json", "--quiet", os.path.join(photos, "a.jpg"), os.fsdecode(odd)])
    try:
        objects = [json.loads(line) for line in out.decode("utf-8").splitlines()]
    except ValueError as error:
        objects = []
        FAILURES.append(f"--json is not JSON lines ({error}): {out!r}")
    check(rc == 0 and len(objects) == 3, f"--json: exit {rc}, {objects}, {err}")
    if len(objects) == 3:
        first, second, summary = objects
        check(set(first) >= {"source", "output", "status", "width", "height", "bytes", "milliseconds"}, str(first))
        check(first["status"] == "converted" and (first["width"], first["height"]) == (64, 48), str(first))
        check(first["bytes"] == os.path.getsize(first["output"]), f"bytes {first['bytes']} is not the file's size")
        check(os.fsencode(second["source"]) == odd, f"the odd name came back as {second['source']!r}")
        check(summary.get("summary") is True and summary["converted"] == 2 and summary["status"] == 0, str(summary))
    os.remove(odd)
    # A failure: the failed entry's line, then the summary; exit 1.
    rc, out, err = program.run(["--json", os.path.join(photos, "a.jpg"), os.path.join(photos, "missing.jpg")])
    objects = [json.loads(line) for line in out.decode().splitlines()]
    check(rc == 1 and [o.get("status") for o in objects[:2]] == ["converted", "failed"] and
          objects[-1].get("failed") == 1, f"--json on a failure: {rc} {objects}")


def parallel_group(program, photos):
    """The README's recipe: GNU parallel splits a NUL-separated list into chunks for several kelvo processes."""
    program.settings("[Main]\nComboBox4=PNG24\nComboBox1=常に有効\nSpinEdit1=32\nSpinEdit2=32\n")
    many = os.path.join(photos, "many")
    os.makedirs(many)
    for i in range(12):
        shutil.copy(os.path.join(photos, "a.jpg"), os.path.join(many, f"p{i:02}.jpg"))
    out = os.path.join(program.folder, "split")
    recipe = (f"find {many} -name '*.jpg' -print0 | parallel --pipe --recend '\\0' -N 5 -j 2 "
              f"{program.binary} --files-from - -0 --quiet -o {out}")
    done = subprocess.run(["bash", "-c", recipe], capture_output=True, text=True, env=program.env, timeout=300)
    written = sorted(os.listdir(out)) if os.path.isdir(out) else []
    check(done.returncode == 0 and written == [f"p{i:02}.png" for i in range(12)],
          f"the parallel recipe: exit {done.returncode}, {written}: {done.stderr}")
    shutil.rmtree(many)


def main():
    kelvo = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory() as root:
        photos = os.path.join(root, "photos")
        os.makedirs(photos)
        subprocess.run(["convert", "-size", "640x480", "gradient:navy-orange", os.path.join(photos, "a.jpg")],
                       check=True)
        subprocess.run(["convert", "-size", "320x240", "plasma:", os.path.join(photos, "b.png")], check=True)
        subprocess.run(["convert", "-size", "100x80", "gradient:red-white", os.path.join(photos, "c.bmp")],
                       check=True)
        subprocess.run(["convert", "-size", "90x60", "gradient:green-blue", os.path.join(photos, "d.jpg")],
                       check=True)
        program = Program(root, kelvo)
        for group in (options_group, bad_values_group, files_from_group, dry_run_group, json_group, parallel_group):
            group(program, photos)
    for failure in FAILURES:
        print("FAIL " + failure)
    print(f"cli: {len(FAILURES)} failing case(s)")
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
