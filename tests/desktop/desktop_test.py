#!/usr/bin/python3
"""The window on a real desktop: an X server (Xvfb) with a window manager (openbox), the real program, driven
by xdotool as a person would drive it (keys, clicks, the real Qt dialogs).

usage: desktop_test.py KELVO_BINARY GROUP    (GROUP: placement, keyboard, start, tray, dialog, result)
Each group starts its own X server and window manager. Screenshots of failures go to $KELVO_DESKTOP_SHOTS.
"""
import contextlib
import os
import shutil
import subprocess
import sys
import tempfile
import time

TITLE = "Kelvo for Windows"


class Desktop:
    """Xvfb and openbox, with a private home folder for the program's per-user settings."""

    def __init__(self, root):
        self.root = root
        read, write = os.pipe()
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x1024x24",
                                      "-nolisten", "tcp"], pass_fds=[write], stderr=subprocess.DEVNULL)
        os.close(write)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(read, 16)
            if not chunk:
                raise RuntimeError("Xvfb did not start")
            number += chunk
        os.close(read)
        self.env = {k: v for k, v in os.environ.items() if k not in ("WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
        self.env.update(DISPLAY=":" + number.decode().strip(), HOME=os.path.join(root, "home"),
                        XDG_CONFIG_HOME=os.path.join(root, "home", ".config"),
                        XDG_DATA_HOME=os.path.join(root, "home", ".local", "share"))
        os.makedirs(self.env["XDG_CONFIG_HOME"], exist_ok=True)
        self.wm = subprocess.Popen(["openbox"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(0.5)

    def close(self):
        for process in (self.wm, self.xvfb):
            process.terminate()
            try:
                process.wait(5)
            except subprocess.TimeoutExpired:
                process.kill()

    def tool(self, *args, check=True):
        done = subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True, timeout=30)
        if check and done.returncode != 0:
            raise RuntimeError(f"xdotool {' '.join(args)}: {done.stderr.strip()}")
        return done.stdout.strip()

    def window(self, title=TITLE, timeout=15):
        """The id of the first visible window with this title, waiting for it."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            found = self.tool("search", "--onlyvisible", "--name", "^" + title + "$", check=False).split()
            if found:
                return found[0]
            time.sleep(0.1)
        return None

    def geometry(self, window):
        """(x, y, width, height) of the window's inner area, as X reports it."""
        values = {}
        for line in self.tool("getwindowgeometry", "--shell", window).splitlines():
            key, _, value = line.partition("=")
            values[key] = int(value)
        return values["X"], values["Y"], values["WIDTH"], values["HEIGHT"]

    def keys(self, window, *keys):
        self.tool("windowactivate", "--sync", window, check=False)
        for key in keys:
            self.tool("key", "--clearmodifiers", key)
            time.sleep(0.15)

    def type(self, text):
        self.tool("type", "--delay", "20", text)

    def grab(self):
        """The whole screen, as a Pillow image."""
        from PIL import Image
        path = os.path.join(self.root, "grab.png")
        subprocess.run(["import", "-window", "root", path], env=self.env, check=True)
        with Image.open(path) as image:
            return image.convert("RGB")

    def shot(self, name):
        folder = os.environ.get("KELVO_DESKTOP_SHOTS")
        if folder:
            os.makedirs(folder, exist_ok=True)
            subprocess.run(["import", "-window", "root", os.path.join(folder, name + ".png")], env=self.env)


class Program:
    """A private copy of the program, so its program folder (settings file, Output) is ours."""

    def __init__(self, desktop, kelvo):
        self.desktop = desktop
        self.folder = os.path.join(desktop.root, "prog")
        os.makedirs(self.folder, exist_ok=True)
        self.binary = os.path.join(self.folder, "kelvo")
        shutil.copy(kelvo, self.binary)
        self.process = None

    def start(self, *args):
        self.process = subprocess.Popen([self.binary, *args], env=self.desktop.env, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL, cwd=self.desktop.root)
        return self.desktop.window()

    def close(self, window):
        """Closes the window as a person does (the window manager's close, Alt+F4) and waits for the end."""
        self.desktop.keys(window, "alt+F4")
        try:
            return self.process.wait(15)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
            return None

    def placement(self):
        path = os.path.join(self.desktop.env["XDG_CONFIG_HOME"], "Morrowdene", "Kelvo.conf")
        values = {}
        if os.path.exists(path):
            with open(path, encoding="utf-8") as f:
                for line in f:
                    key, _, value = line.strip().partition("=")
                    if key in ("Top", "Left", "Width", "Height"):
                        values[key] = int(value)
        return values

    def write_placement(self, **values):
        folder = os.path.join(self.desktop.env["XDG_CONFIG_HOME"], "Morrowdene")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "Kelvo.conf"), "w", encoding="utf-8") as f:
            f.write("[Main]\n" + "".join(f"{k}={v}\n" for k, v in values.items()))

    def settings(self):
        path = os.path.join(self.folder, "kelvo.ini")
        with open(path, encoding="utf-8") as f:
            return f.read()


@contextlib.contextmanager
def session(kelvo):
    """A desktop of its own, with a private copy of the program; everything goes when the block ends."""
    with tempfile.TemporaryDirectory() as root:
        desktop = Desktop(root)
        try:
            yield desktop, Program(desktop, kelvo)
        finally:
            desktop.close()


TRAY_AREA = (1280 - 120, 0, 1280, 32)  # the notification area trayer makes, top right


@contextlib.contextmanager
def tray_session(kelvo):
    """A desktop with a notification area (trayer) and a private copy of the program."""
    with tempfile.TemporaryDirectory() as root:
        desktop = Desktop(root)
        tray_host = subprocess.Popen(["trayer", "--edge", "top", "--align", "right", "--widthtype", "pixel",
                                      "--width", "120", "--height", "32", "--SetDockType", "true"],
                                     env=desktop.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            time.sleep(1.0)
            yield desktop, Program(desktop, kelvo)
        finally:
            tray_host.terminate()
            desktop.close()


def placement_group(kelvo, failures):
    with session(kelvo) as (desktop, program):
        root = desktop.root
        # Start/close cycles from the first start on: the stored outer frame never changes.
        stored, design_inner = [], None
        for cycle in range(4):
            window = program.start()
            if window is None:
                failures.append(f"cycle {cycle}: no window")
                break
            time.sleep(0.8)
            inner = desktop.geometry(window)
            design_inner = design_inner if cycle else inner
            status = program.close(window)
            stored.append(program.placement())
            print(f"cycle {cycle}: inner {inner}, stored {stored[-1]}, exit {status}")
        if len(stored) == 4 and any(p != stored[0] for p in stored):
            failures.append(f"the placement changes from start to start: {stored}")
        if stored and (stored[0].get("Width"), stored[0].get("Height")) != (700, 570):
            failures.append(f"the first start's outer size is not 700 x 570: {stored[0]}")
        # A stored size too small to show the window: the window comes up at its default size.
        for width, height in ((0, 0), (-50, 570), (700, 0), (700, -3)):
            program.write_placement(Top=40, Left=60, Width=width, Height=height)
            window = program.start()
            if window is None:
                failures.append(f"stored size {width} x {height}: no visible window")
                program.process.kill()
                program.process.wait()
                continue
            time.sleep(0.5)
            _, _, inner_width, inner_height = desktop.geometry(window)
            if inner_width < 600 or inner_height < 450:
                failures.append(f"stored size {width} x {height}: window {inner_width} x {inner_height}")
            program.close(window)
        # A stored size so small that the 8-point fonts would not fit: the window comes up at its smallest
        # readable size (0.89 x 0.85 of the design size, the first start's).
        program.write_placement(Top=40, Left=60, Width=480, Height=380)
        window = program.start()
        time.sleep(0.5)
        _, _, inner_width, inner_height = desktop.geometry(window)
        if inner_width < design_inner[2] * 88 // 100 or inner_height < design_inner[3] * 84 // 100:
            failures.append(f"stored size 480 x 380: window {inner_width} x {inner_height}")
            desktop.shot("smallest-window")
        program.close(window)


def keyboard_group(kelvo, failures):
    with session(kelvo) as (desktop, program):
        root = desktop.root
        window = program.start()
        time.sleep(0.8)
        # The settings page, the width field (幅) holding the focus, 9999 typed, Ctrl+S, a name, Enter.
        desktop.keys(window, "ctrl+Tab")
        desktop.shot("settings-page")
        # From the page's tab, the first Tab reaches the size mode, the second the width field.
        desktop.keys(window, "Tab", "Tab", "ctrl+a")
        desktop.type("9999")
        desktop.keys(window, "ctrl+s")
        dialog = desktop.window("設定ファイルの保存")
        if dialog is None:
            failures.append("Ctrl+S opened no save dialog")
            desktop.shot("no-save-dialog")
        else:
            time.sleep(0.5)
            desktop.type(os.path.join(root, "typed.klv"))
            desktop.keys(dialog, "Return")
            time.sleep(0.8)
            path = os.path.join(root, "typed.klv")
            text = open(path, encoding="utf-8").read() if os.path.exists(path) else ""
            if "SpinEdit1=9999\n" not in text:
                failures.append("the saved settings do not hold the typed width 9999: " +
                                next((line for line in text.splitlines() if line.startswith("SpinEdit1=")),
                                     "no file"))
                desktop.shot("typed-width")

        # The font picker: Enter or Esc right after it opens ends it whole, as OK and Cancel do.
        for key in ("Return", "Escape"):
            desktop.tool("mousemove", "--window", window, "628", "249", "click", "1")  # フォントの選択
            picker = desktop.window("フォント", timeout=5)
            if picker is None:
                failures.append("フォントの選択 opened no dialog")
                desktop.shot("no-font-dialog")
                break
            time.sleep(0.5)
            desktop.keys(picker, key)
            time.sleep(0.5)
            if desktop.window("フォント", timeout=0.5) is not None:
                failures.append(f"{key} in the font picker left the dialog open")
                desktop.shot("font-dialog-" + key)
                desktop.keys(picker, "Escape")
        program.close(window)


def start_group(kelvo, failures):
    with session(kelvo) as (desktop, program):
        root = desktop.root
        # A settings argument that is a folder: the window opens with the start values, without a message.
        folder = os.path.join(root, "odd.klv")
        os.makedirs(folder)
        window = program.start(folder)
        if window is None:
            failures.append("a .klv folder argument: no window")
        else:
            time.sleep(0.8)
            # An error box would be a second window of the program's title.
            shown = desktop.tool("search", "--onlyvisible", "--name", "^" + TITLE + "$", check=False).split()
            if len(shown) > 1:
                failures.append("a .klv folder argument shows a message")
                desktop.shot("klv-folder")
            # The about box (ヘルプ → バージョン情報): every showing at the same place, the first one too.
            # While its outline grows, no part of the box is on the screen, its title bar neither.
            places = []
            for _ in range(2):
                desktop.keys(window, "alt+h")
                desktop.tool("key", "a")
                deadline, seen_outline = time.monotonic() + 3, False
                def outline_shown():
                    return bool(desktop.tool("search", "--onlyvisible", "--name", "^SmoothShow1$", check=False))
                while time.monotonic() < deadline:
                    outline = outline_shown()
                    box = desktop.tool("search", "--onlyvisible", "--name", "^About Kelvo$", check=False).split()
                    if box and outline and outline_shown():  # asked again: the outline may have gone between
                        failures.append("the about box is on the screen during its outline")
                        desktop.shot("about-outline")
                        break
                    seen_outline = seen_outline or outline
                    if box and seen_outline:
                        break
                if not seen_outline:
                    failures.append("no outline was seen growing to the about box")
                box = desktop.window("About Kelvo", timeout=5)
                if box is None:
                    failures.append("the about box did not open")
                    break
                time.sleep(1.5)  # the opening outline
                places.append(desktop.geometry(box)[:2])
                desktop.keys(box, "Return")
                time.sleep(0.5)
            if len(places) == 2 and places[0] != places[1]:
                failures.append(f"the about box opens at {places[0]} first and at {places[1]} later")
                desktop.shot("about-box")
            program.close(window)

        # "Open with" from a file manager: the window opens with the files (and the folder's images) in the
        # conversion list, and nothing is converted until "変換実行" is clicked.
        images = os.path.join(root, "images")
        os.makedirs(os.path.join(images, "sub"))
        for name in ("a.jpg", "sub/b.png"):
            subprocess.run(["convert", "-size", "64x48", "gradient:red-blue", os.path.join(images, name)],
                           check=True)
        photo = os.path.join(root, "c.bmp")
        subprocess.run(["convert", "-size", "64x48", "gradient:green-white", photo], check=True)
        output = os.path.join(program.folder, "Output")
        window = program.start("--open", photo, images)
        if window is None:
            failures.append("--open: no window")
        else:
            time.sleep(1.0)
            if os.path.exists(output):
                failures.append("--open converted without a click")
            desktop.shot("open-with")
            # 変換実行 on the list page.
            desktop.tool("mousemove", "--window", window, "344", "506", "click", "1")
            time.sleep(2.0)
            written = sorted(os.listdir(output)) if os.path.isdir(output) else []
            if written != ["a.jpg", "b.jpg", "c.jpg"]:
                failures.append(f"--open then 変換実行 wrote {written}")
                desktop.shot("open-with-run")
            program.close(window)


def dialog_group(kelvo, failures):
    """The picture dialog: "*.*" typed into the name field shows every file instead of looking for a file of
    that name; choosing a file adds it to the list."""
    from PIL import ImageChops
    with session(kelvo) as (desktop, program):
        folder = os.path.join(desktop.root, "pics")
        os.makedirs(folder)
        subprocess.run(["convert", "-size", "640x480", "plasma:", os.path.join(folder, "photo.jpg")], check=True)
        for i in range(5):
            with open(os.path.join(folder, f"notes{i}.txt"), "w") as f:
                f.write("x")
        window = program.start()
        time.sleep(0.8)
        desktop.tool("mousemove", "--window", window, "240", "506", "click", "1")  # ファイル読込
        dialog = desktop.window("画像の選択.*", timeout=5)
        if dialog is None:
            failures.append("ファイル読込 opened no dialog")
            return
        time.sleep(0.8)
        desktop.type(folder + "/")
        desktop.keys(dialog, "Return")
        time.sleep(0.8)
        before = desktop.grab()
        desktop.keys(dialog, "ctrl+a", "BackSpace")
        desktop.type("*.*")
        desktop.keys(dialog, "Return")
        time.sleep(0.8)
        after = desktop.grab()
        shown = desktop.tool("search", "--onlyvisible", "--name", "^画像の選択", check=False).split()
        if not shown:
            failures.append("*.* closed the dialog")
        elif len(shown) > 1:  # a message box of the dialog's title: "*.*" was looked for as a file
            failures.append("*.* was looked for as a file name")
            desktop.shot("dialog-pattern-message")
        # Five more rows in the file list: the lower part of the screen changed where the rows are.
        changed = ImageChops.difference(before, after).getbbox()
        if changed is None or changed[3] - changed[1] < 60:
            failures.append(f"*.* showed no more files (changed area {changed})")
            desktop.shot("dialog-pattern")
        desktop.keys(dialog, "ctrl+a", "BackSpace")
        desktop.type("photo.jpg")
        desktop.keys(dialog, "Return")
        time.sleep(0.8)
        if desktop.window("画像の選択.*", timeout=0.5) is not None:
            failures.append("choosing photo.jpg left the dialog open")
            desktop.keys(dialog, "Escape")

        # A picture whose name is not valid UTF-8 (Shift-JIS, from an old archive): Qt's file list cannot show
        # it; the list under the preview does, and choosing it there adds the file itself, which then converts
        # under its own name.
        odd = os.path.join(os.fsencode(folder), b"\x93\xfa\x96{.jpg")
        shutil.copy(os.path.join(folder, "photo.jpg"), odd)
        desktop.tool("mousemove", "--window", window, "240", "506", "click", "1")
        dialog = desktop.window("画像の選択.*", timeout=5)
        time.sleep(0.8)  # the dialog opens in the folder it was left in
        # The list's first name and 開く, placed from the dialog's right edge (the preview pane is fixed there).
        right = desktop.geometry(dialog)[2]
        desktop.tool("mousemove", "--window", dialog, str(right - 166), "253", "click", "1")
        time.sleep(1.0)
        desktop.shot("dialog-unlisted-name")
        desktop.tool("mousemove", "--window", dialog, str(right - 257), "429", "click", "1")  # 開く
        time.sleep(0.8)
        if desktop.window("画像の選択.*", timeout=0.5) is not None:
            failures.append("the name that is not UTF-8 could not be chosen")
            desktop.keys(dialog, "Escape")
        desktop.tool("mousemove", "--window", window, "344", "506", "click", "1")  # 変換実行
        time.sleep(2.0)
        output = os.path.join(os.fsencode(program.folder), b"Output")
        written = sorted(os.listdir(output)) if os.path.isdir(output) else []
        if written != [b"photo.jpg", b"\x93\xfa\x96{.jpg"]:
            failures.append(f"the chosen files converted to {written}")
        program.close(window)


def result_group(kelvo, failures):
    """The preview's result view (Ctrl+R): the selected photo as the run writes it, here a JPEG at quality 10 with
    a caption, visibly not the source; the choice is kept with the placement and the next start shows the result
    at once; Ctrl+R again shows the source."""
    from PIL import ImageChops
    with session(kelvo) as (desktop, program):
        photo = os.path.join(desktop.root, "photo.jpg")
        subprocess.run(["convert", "-size", "640x400", "plasma:", "-blur", "0x2", photo], check=True)
        with open(os.path.join(program.folder, "kelvo.ini"), "w", encoding="utf-8") as f:
            f.write("[Main]\nSpinEdit1=320\nSpinEdit2=200\nEdit1=Kelvo\nTrackBar1=10\n")
        area = (348, 60, 692, 470)  # the preview
        window = program.start("--open", photo)
        time.sleep(1.0)
        desktop.tool("mousemove", "--window", window, "60", "71", "click", "1")  # the list's first row
        time.sleep(1.0)
        source = desktop.grab().crop(area)
        desktop.keys(window, "ctrl+r")
        time.sleep(1.5)
        result = desktop.grab().crop(area)
        desktop.shot("result-view")
        if ImageChops.difference(source, result).getbbox() is None:
            failures.append("Ctrl+R did not change the preview")
        program.close(window)
        if program.placement() and "ShowResult=1" not in open(
                os.path.join(desktop.env["XDG_CONFIG_HOME"], "Morrowdene", "Kelvo.conf"), encoding="utf-8").read():
            failures.append("the result view is not kept with the placement")
        if os.path.isdir(os.path.join(program.folder, "Output")):
            failures.append("the result view wrote into the output folder")
        temp = os.path.join(program.folder, "Temp")
        left = [os.path.join(r, f) for r, _, files in os.walk(temp) for f in files] if os.path.isdir(temp) else []
        if left:
            failures.append(f"the result view left files behind: {left}")
        # The next start shows the result at once; Ctrl+R goes back to the source.
        window = program.start("--open", photo)
        time.sleep(1.0)
        desktop.tool("mousemove", "--window", window, "60", "71", "click", "1")
        time.sleep(1.5)
        again = desktop.grab().crop(area)
        if ImageChops.difference(again, result).getbbox() is not None:
            failures.append("the next start does not show the result")
            desktop.shot("result-next-start")
        desktop.keys(window, "ctrl+r")
        time.sleep(1.0)
        if ImageChops.difference(desktop.grab().crop(area), source).getbbox() is not None:
            failures.append("Ctrl+R again does not show the source")
        program.close(window)


def tray_group(kelvo, failures):
    """A command-line run on a desktop with a notification area shows its progress icon there, and removes it
    at the end; with a display that cannot be reached it converts all the same, silently."""
    from PIL import ImageChops
    with tray_session(kelvo) as (desktop, program):
        images = os.path.join(desktop.root, "images")
        os.makedirs(images)
        for i in range(40):
            subprocess.run(["convert", "-size", "1600x1200", f"plasma:fractal", "-seed", str(i),
                            os.path.join(images, f"p{i:02}.png")], check=True)
        before = desktop.grab().crop(TRAY_AREA)
        run = subprocess.Popen([program.binary, images], env={**desktop.env, "KELVO_WORKERS": "1"},
                               stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        time.sleep(1.5)
        during = desktop.grab().crop(TRAY_AREA)
        _, errors = run.communicate(timeout=120)
        time.sleep(0.5)
        after = desktop.grab().crop(TRAY_AREA)
        if run.returncode != 0:
            failures.append(f"the run ended with {run.returncode}: {errors.decode()}")
        if ImageChops.difference(before, during).getbbox() is None:
            failures.append("no icon in the notification area during the run")
            desktop.shot("tray-during")
        if ImageChops.difference(before, after).getbbox() is not None:
            failures.append("the icon stays in the notification area after the run")
            desktop.shot("tray-after")
        lines = [line for line in errors.decode().splitlines() if line.strip()]
        if len(lines) != 1:
            failures.append(f"the run printed {lines}")
        # A display that cannot be reached: converted all the same, and nothing but the summary printed.
        shutil.rmtree(os.path.join(program.folder, "Output"))
        done = subprocess.run([program.binary, os.path.join(images, "p00.png")], capture_output=True,
                              env={**desktop.env, "DISPLAY": ":999"}, timeout=60)
        lines = [line for line in done.stderr.decode().splitlines() if line.strip()]
        if done.returncode != 0 or len(lines) != 1 or not os.listdir(os.path.join(program.folder, "Output")):
            failures.append(f"no reachable display: exit {done.returncode}, {lines}")


def main():
    kelvo, group = os.path.abspath(sys.argv[1]), sys.argv[2]
    failures = []
    groups = {"placement": placement_group, "keyboard": keyboard_group, "start": start_group, "tray": tray_group,
              "dialog": dialog_group, "result": result_group}
    groups[group](kelvo, failures)
    for line in failures:
        print("FAIL", line)
    print(f"desktop {group}: {len(failures)} failing case(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
