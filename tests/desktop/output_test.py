#!/usr/bin/python3
"""「出力の詳細設定」 on a real desktop (Xvfb, openbox, xdotool): the dialog opens from the menu bar's shortcut, a
choice made there decides the next run and is saved in the settings file's [Output] section; without it, two
sources of the same name in two folders give two outputs.

usage: output_test.py KELVO_BINARY
"""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop_test import session  # noqa: E402

RUN_BUTTON = ("344", "484")  # 変換実行, in the window's coordinates


def run_and_wait(desktop, window, output, count, timeout=30):
    desktop.tool("mousemove", "--window", window, *RUN_BUTTON, "click", "1")
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if os.path.isdir(output) and len(os.listdir(output)) >= count:
            break
        time.sleep(0.1)
    time.sleep(1.0)  # anything more would have come by now
    return sorted(os.listdir(output)) if os.path.isdir(output) else []


def main():
    kelvo = os.path.abspath(sys.argv[1])
    failures = []
    with session(kelvo) as (desktop, program):
        photos = os.path.join(desktop.root, "photos")
        for folder, colour in (("a", "red"), ("b", "blue")):
            os.makedirs(os.path.join(photos, folder))
            subprocess.run(["convert", "-size", "64x48", f"xc:{colour}", os.path.join(photos, folder, "x.png")],
                           check=True)
        output = os.path.join(program.folder, "Output")

        # The start values: both outputs, the second numbered.
        window = program.start("--open", photos)
        time.sleep(1.0)
        written = run_and_wait(desktop, window, output, 2)
        if written != ["x (2).jpg", "x.jpg"]:
            failures.append(f"two folders with x.png wrote {written}")

        # Ctrl+D opens the dialog; 「上書きする」 chosen in its first choice; 閉じる (Enter).
        desktop.keys(window, "ctrl+d")
        dialog = desktop.window("出力の詳細設定", timeout=10)
        if dialog is None:
            failures.append("Ctrl+D did not open 出力の詳細設定")
        else:
            time.sleep(0.8)  # the dialog takes the focus
            # 同じ名前の出力(N), then the next item of its list: 「上書きする」.
            desktop.keys(dialog, "alt+n", "Down")
            time.sleep(0.3)
            desktop.shot("output-dialog")
            desktop.keys(dialog, "Return")
            time.sleep(0.5)
            if desktop.window("出力の詳細設定", timeout=1) is not None:
                failures.append("Enter did not close the dialog")
        for name in os.listdir(output):
            os.remove(os.path.join(output, name))
        written = run_and_wait(desktop, window, output, 1)
        if written != ["x.jpg"]:
            failures.append(f"「上書きする」: the run wrote {written}")
        program.close(window)
        settings = program.settings()
        if "[Output]\nSameName=上書きする\n" not in settings:
            failures.append("the choice is not in the settings file's [Output] section")
        if settings.index("[Output]") < settings.index("[Main]"):
            failures.append("[Output] comes before [Main]")
    for line in failures:
        print("FAIL", line)
    print(f"output dialog: {len(failures)} failing case(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
