#!/usr/bin/python3
"""Stopping a run as people do: 中止 in the window, closing the window, Ctrl+C or SIGTERM on the command line; and
the command-line run's tray icon while a single large photo converts.

usage: stop_test.py KELVO_BINARY GROUP    (GROUP: window, signal, tray)
A stop must be seen within a second: no output appears later, the program is idle (or ended), and every output
written is complete, with nothing else left beside it.
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop_test import TRAY_AREA, session, tray_session  # noqa: E402

RUN_BUTTON = ("344", "484")   # 変換実行, in the window's coordinates
STOP_BUTTON = ("540", "484")  # 中止
GRACE = 1.0                   # seconds a stop may take


def make_photos(folder, count, size="4000x3000"):
    """Noisy photo-like JPEGs, slow enough to encode as PNG that a run of them lasts several seconds."""
    os.makedirs(folder, exist_ok=True)
    jobs = [subprocess.Popen(["convert", "-size", size, "gradient:navy-orange", "-attenuate", "0.5", "+noise",
                              "Gaussian", "-seed", str(i), "-quality", "90", os.path.join(folder, f"p{i:02}.jpg")])
            for i in range(count)]
    for job in jobs:
        if job.wait() != 0:
            raise RuntimeError("convert failed")


def full_size_png(folder, format="PNG24"):
    with open(os.path.join(folder, "kelvo.ini"), "w", encoding="utf-8") as f:
        f.write(f"[Main]\nComboBox1=しない\nComboBox4={format}\n")


def outputs(folder):
    return sorted(os.listdir(folder)) if os.path.isdir(folder) else []


def check_complete(folder, failures, what):
    """Every file is a complete PNG (or AVIF) under its real name; nothing else is left."""
    from PIL import Image
    for name in outputs(folder):
        path = os.path.join(folder, name)
        if name.endswith(".avif"):
            with tempfile.TemporaryDirectory() as scratch:
                decoded = subprocess.run(["avifdec", path, os.path.join(scratch, "x.png")], capture_output=True)
            if decoded.returncode != 0:
                failures.append(f"{what}: {name} is not complete")
            continue
        if not name.endswith(".png"):
            failures.append(f"{what}: {name} left in the output folder")
            continue
        try:
            with Image.open(path) as image:
                image.load()
        except Exception as error:  # noqa: BLE001 - any failure to read is a broken output
            failures.append(f"{what}: {name} is not complete ({error})")


def watch_after_stop(folder, stopped, seconds=3.0):
    """(name, seconds after the stop) for every output that appears in the given time."""
    seen = set(outputs(folder))
    late = []
    while time.monotonic() - stopped < seconds:
        for name in set(outputs(folder)) - seen:
            late.append((name, time.monotonic() - stopped))
            seen.add(name)
        time.sleep(0.02)
    return late


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def wait_for_outputs(folder, count, timeout=60):
    deadline = time.monotonic() + timeout
    while len(outputs(folder)) < count:
        if time.monotonic() > deadline:
            return False
        time.sleep(0.02)
    return True


def window_group(kelvo, failures):
    """中止 with two outputs written, and closing the window in the middle of a run."""
    with session(kelvo) as (desktop, program):
        photos = os.path.join(desktop.root, "photos")
        make_photos(photos, 10)
        full_size_png(program.folder)
        output = os.path.join(program.folder, "Output")

        window = program.start("--open", photos)
        time.sleep(1.0)
        desktop.tool("mousemove", "--window", window, *RUN_BUTTON, "click", "1")
        if not wait_for_outputs(output, 2):
            failures.append("中止: the run wrote nothing")
        desktop.tool("mousemove", "--window", window, *STOP_BUTTON, "click", "1")
        stopped = time.monotonic()
        appeared = watch_after_stop(output, stopped)
        if os.environ.get("KELVO_STOP_DEBUG"):
            print("appeared after the stop:", appeared)
        late = [(name, after) for name, after in appeared if after > GRACE]
        if late:
            failures.append(f"中止: outputs appeared after the click: {late}")
        # Idle: the stopped run spends no processor time any more.
        before = cpu_seconds(program.process.pid)
        time.sleep(1.0)
        busy = cpu_seconds(program.process.pid) - before
        if busy > 0.2:
            failures.append(f"中止: the program still works after the stop ({busy:.2f} s of CPU in 1 s)")
            desktop.shot("stop-busy")
        check_complete(output, failures, "中止")
        written = len(outputs(output))
        if written >= 10:
            failures.append("中止: the run went on to the end")
        program.close(window)

        # Closing the window during a run ends the program at once, leaving only complete outputs.
        shutil.rmtree(output)
        window = program.start("--open", photos)
        time.sleep(1.0)
        desktop.tool("mousemove", "--window", window, *RUN_BUTTON, "click", "1")
        if not wait_for_outputs(output, 1):
            failures.append("closing: the run wrote nothing")
        desktop.keys(window, "alt+F4")
        closed = time.monotonic()
        late = [(name, after) for name, after in watch_after_stop(output, closed, 2.0) if after > GRACE]
        if late:
            failures.append(f"closing during a run: outputs appeared afterwards: {late}")
        try:
            program.process.wait(10)
        except subprocess.TimeoutExpired:
            program.process.kill()
            program.process.wait()
        took = time.monotonic() - closed
        if took > 3.0:
            failures.append(f"closing during a run: the program ended {took:.1f} s later")
        check_complete(output, failures, "closing")
        if len(outputs(output)) >= 10:
            failures.append("closing: the run went on to the end")


def signal_group(kelvo, failures):
    """Ctrl+C (SIGINT) and SIGTERM end a command-line run within a second, say how far it came and exit with
    128 + the signal; what was written is complete. The same during an AV1 encode, which cannot be called off."""
    with tempfile.TemporaryDirectory() as root:
        photos = os.path.join(root, "photos")
        make_photos(photos, 8)
        prog = os.path.join(root, "prog")
        os.makedirs(prog)
        binary = os.path.join(prog, "kelvo")
        shutil.copy(kelvo, binary)
        full_size_png(prog)
        output = os.path.join(prog, "Output")
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        for number, status, format in ((signal.SIGINT, 130, "PNG24"), (signal.SIGTERM, 143, "PNG24"),
                                       (signal.SIGINT, 130, "AVIF")):
            full_size_png(prog, format)
            shutil.rmtree(output, ignore_errors=True)
            # The SIGTERM run starts with both signals blocked, as some job runners hand them down.
            blocked = number == signal.SIGTERM
            run = subprocess.Popen([binary, photos], env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                   preexec_fn=(lambda: signal.pthread_sigmask(
                                       signal.SIG_BLOCK, {signal.SIGINT, signal.SIGTERM})) if blocked else None)
            # Into the run: at its first output, or two seconds in (outputs are published in list order, so on
            # a loaded machine the first may come late; the whole run takes far longer than two seconds).
            wait_for_outputs(output, 1, 2.0)
            if run.poll() is not None:
                failures.append(f"{number.name}: the run ended before the signal")
            if format == "AVIF":
                time.sleep(1.0)  # into the next photos' encodes
            run.send_signal(number)
            stopped = time.monotonic()
            try:
                _, errors = run.communicate(timeout=10)
            except subprocess.TimeoutExpired:
                run.kill()
                _, errors = run.communicate()
            took = time.monotonic() - stopped
            text = errors.decode()
            if run.returncode != status:
                failures.append(f"{number.name}: exit status {run.returncode}, not {status}: {text}")
            if took > GRACE:
                failures.append(f"{number.name}: the run ended {took:.2f} s after the signal")
            written = len(outputs(output))
            if "中止しました" not in text or f"{written} 件変換" not in text:
                failures.append(f"{number.name}: the run did not say how far it came ({written} written): {text}")
            check_complete(output, failures, number.name)


def tray_group(kelvo, failures):
    """A command-line run of one large photo shows its tray icon while it works (from a quarter of a second)."""
    from PIL import ImageChops
    with tray_session(kelvo) as (desktop, program):
        photos = os.path.join(desktop.root, "photos")
        make_photos(photos, 1, "6000x4000")
        full_size_png(program.folder)
        before = desktop.grab().crop(TRAY_AREA)
        run = subprocess.Popen([program.binary, os.path.join(photos, "p00.jpg")], env=desktop.env,
                               stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        time.sleep(1.0)
        ended_early = run.poll() is not None
        during = desktop.grab().crop(TRAY_AREA)
        _, errors = run.communicate(timeout=120)
        if run.returncode != 0:
            failures.append(f"the run ended with {run.returncode}: {errors.decode()}")
        if ended_early:
            failures.append("the photo converted within a second: too small to see the icon")
        elif ImageChops.difference(before, during).getbbox() is None:
            failures.append("no icon in the notification area while one large photo converts")
            desktop.shot("tray-one-photo")


def main():
    kelvo, group = os.path.abspath(sys.argv[1]), sys.argv[2]
    failures = []
    {"window": window_group, "signal": signal_group, "tray": tray_group}[group](kelvo, failures)
    for line in failures:
        print("FAIL", line)
    print(f"stop {group}: {len(failures)} failing case(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
