#!/usr/bin/python3
"""Hostile and special input files, given to the real program on its command line.

Every input is made here, at test time, by independent writers (Pillow, ImageMagick) and then damaged on
purpose: cut short at several points, emptied, given headers that claim far more pixels than the file holds,
broken palettes and run lengths, damaged compound files, and special files (pipes, sockets, devices, folders).

Each case must either convert right (exit 0, an output that a peer decodes) or fail cleanly: exit 1, exactly
one line on stderr, in Japanese, naming the source; nothing left in the output folder or the temporary folder.
Expectations per case: "ok" must convert, "fail" must fail, "any" may do either (a flipped byte can land where a
decoder cannot tell). No case may crash, hang, or report success without a good output.

usage: hostile_test.py KELVO_BINARY GROUP    (GROUP: jpeg png bmp pcx fpx special sizes captioned)
"""
import io
import os
import random
import resource
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import zlib

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
FPX_DIR = os.path.join(HERE, "..", "imaging", "read", "fpx")
TIMEOUT = 60


# ------------------------------------------------------------------ source pictures

def photo(w, h, seed=1):
    """A smooth gradient with a little noise, so that files have real entropy data."""
    rnd = random.Random(seed)
    img = Image.new("RGB", (w, h))
    img.putdata([((x * 255) // max(w - 1, 1), (y * 255) // max(h - 1, 1), (x * y + rnd.randrange(40)) % 256)
                 for y in range(h) for x in range(w)])
    return img


def encoded(img, fmt, **options):
    out = io.BytesIO()
    img.save(out, fmt, **options)
    return out.getvalue()


def magick(data_in, *args, out_format):
    """ImageMagick converting PNG bytes into another format."""
    result = subprocess.run(["convert", "png:-", *args, out_format + ":-"], input=data_in, capture_output=True,
                            check=True)
    return result.stdout


def truncations(name, data, points, expect="fail"):
    return [(f"{name}-cut{p}", data[:p], expect) for p in points if 0 < p < len(data)]


def flips(name, data, start, count, expect="any"):
    """Copies of data with one byte changed at positions spread from start to the end."""
    cases = []
    rnd = random.Random(len(data))
    for i in range(count):
        pos = start + rnd.randrange(max(1, len(data) - start))
        damaged = bytearray(data)
        damaged[pos] ^= 0xFF if i % 2 else 0x55
        cases.append((f"{name}-flip{pos}", bytes(damaged), expect))
    return cases


# ------------------------------------------------------------------ JPEG

def jpeg_segment(data, marker):
    """Offset of the first marker segment of this type (0xFFxx), walking the segments."""
    pos = 2
    while pos + 4 <= len(data):
        if data[pos] != 0xFF:
            return None
        kind = data[pos + 1]
        if kind == marker:
            return pos
        if kind == 0xDA:
            return None
        pos += 2 + struct.unpack(">H", data[pos + 2:pos + 4])[0]
    return None


def with_frame_size(data, width, height):
    sof = next(p for p in (jpeg_segment(data, m) for m in (0xC0, 0xC1, 0xC2)) if p is not None)
    patched = bytearray(data)
    patched[sof + 5:sof + 9] = struct.pack(">HH", height, width)
    return bytes(patched)


def jpeg_cases():
    cases = []
    base = photo(96, 64)
    for kind, data in (("base", encoded(base, "JPEG", quality=90)),
                       ("prog", encoded(base, "JPEG", quality=90, progressive=True)),
                       ("prog420", magick(encoded(base, "PNG"), "-interlace", "JPEG", "-sampling-factor", "2x2",
                                          out_format="jpeg"))):
        sos = jpeg_segment(data, 0xDA)
        cases.append((f"jpeg-{kind}-whole", data, "ok"))
        cases += truncations(f"jpeg-{kind}", data, [2, 3, 20, sos, sos + 20, len(data) // 2, len(data) - 2])
        cases += flips(f"jpeg-{kind}", data, sos + 14, 6)
        # Headers claiming sizes the file cannot hold.
        cases.append((f"jpeg-{kind}-claims31622", with_frame_size(data, 31622, 31622), "fail"))
        cases.append((f"jpeg-{kind}-claims65535x1", with_frame_size(data, 65535, 1), "any"))
        cases.append((f"jpeg-{kind}-claims0", with_frame_size(data, 0, 64), "fail"))
    # A real 72 KB progressive photo whose header claims 30000 x 30000.
    big = encoded(photo(400, 300, 7), "JPEG", quality=95, progressive=True)
    cases.append(("jpeg-prog-72k-claims30000", with_frame_size(big, 30000, 30000), "fail"))
    cases += jpeg_early_end_cases(base)
    cases.append(("jpeg-soi-only", b"\xff\xd8\xff", "fail"))
    cases.append(("jpeg-garbage-after-soi", b"\xff\xd8\xff" + bytes(random.Random(3).randrange(256)
                                                                    for _ in range(3000)), "fail"))
    return cases


def jpeg_early_end_cases(base):
    """Data that stops before the picture does, in ways a cut file does not show: an end marker where the data
    stops, restart markers turned into end markers, the last bytes missing, a frame labelled arithmetic-coded over
    Huffman data, and a header bomb padded with comments so that the file is large."""
    cases = []
    for kind, data in (("base", encoded(base, "JPEG", quality=90)),
                       ("prog", encoded(base, "JPEG", quality=90, progressive=True)),
                       ("prog444", encoded(base, "JPEG", quality=90, progressive=True, subsampling=0))):
        sos = jpeg_segment(data, 0xDA)
        for percent in (10, 50):
            stop = sos + (len(data) - sos) * percent // 100
            cases.append((f"jpeg-{kind}-eoi-at{percent}", data[:stop] + b"\xff\xd9", "fail"))
        cases.append((f"jpeg-{kind}-cut1", data[:-1], "fail"))
        sof = next(p for p in (jpeg_segment(data, m) for m in (0xC0, 0xC2)) if p is not None)
        arithmetic = bytearray(data)
        arithmetic[sof + 1] += 9  # SOF0 -> SOF9, SOF2 -> SOF10
        cases.append((f"jpeg-{kind}-labelled-arithmetic", bytes(arithmetic), "fail"))
    restarts = subprocess.run(["cjpeg", "-restart", "1", "-quality", "90"], input=encoded(base, "PPM"),
                              capture_output=True, check=True).stdout
    cases.append(("jpeg-restarts-whole", restarts, "ok"))
    ends = bytearray(restarts)
    markers = [i for i in range(jpeg_segment(restarts, 0xDA), len(ends) - 1)
               if ends[i] == 0xFF and 0xD0 <= ends[i + 1] <= 0xD7]
    for i in markers[1::3]:
        ends[i + 1] = 0xD9
    cases.append(("jpeg-restarts-made-ends", bytes(ends), "fail"))
    # A 400 x 300 photo whose frame claims 30000 x 30000, padded with 6.5 MB of comments before its scans.
    for kind, options in (("base", {}), ("prog", {"progressive": True})):
        small = encoded(photo(400, 300, 7), "JPEG", quality=95, **options)
        claims = with_frame_size(small, 30000, 30000)
        comment = b"\xff\xfe" + struct.pack(">H", 65535) + bytes(65533)
        cases.append((f"jpeg-{kind}-padded-claims30000", claims[:2] + comment * 100 + claims[2:], "fail"))
    return cases


# ------------------------------------------------------------------ PNG

def png_chunk(kind, payload):
    return struct.pack(">I", len(payload)) + kind + payload + struct.pack(">I", zlib.crc32(kind + payload))


def png_file(width, height, colour_type, bit_depth, raw_rows, extra=b"", ihdr_crc_ok=True):
    ihdr = struct.pack(">IIBBBBB", width, height, bit_depth, colour_type, 0, 0, 0)
    head = png_chunk(b"IHDR", ihdr)
    if not ihdr_crc_ok:
        head = head[:-4] + b"\0\0\0\0"
    return b"\x89PNG\r\n\x1a\n" + head + extra + png_chunk(b"IDAT", zlib.compress(raw_rows)) + png_chunk(b"IEND", b"")


def png_cases():
    cases = []
    base = photo(96, 64)
    for kind, data in (("rgb", encoded(base, "PNG")),
                       ("adam7", magick(encoded(base, "PNG"), "-strip", "-interlace", "PNG", out_format="png")),
                       ("pal", encoded(base.quantize(64), "PNG"))):
        cases.append((f"png-{kind}-whole", data, "ok"))
        cases += truncations(f"png-{kind}", data, [4, 8, 20, 33, 50, len(data) // 2, len(data) - 20])
        # Only the last chunk's checksum or the end chunk missing or cut: every pixel is there, and readers
        # differ on such files.
        cases += truncations(f"png-{kind}", data, [len(data) - 13, len(data) - 12, len(data) - 1], expect="any")
        cases += flips(f"png-{kind}", data, 41, 4, expect="fail")  # every chunk carries a CRC
    idat = png_file(96, 64, 2, 8, b"".join(b"\0" + bytes(96 * 3) for _ in range(64)))
    cases.append(("png-handmade", idat, "ok"))
    # The pixel count claimed, far beyond what the data inflates to.
    cases.append(("png-claims30000", png_file(30000, 30000, 2, 8, b"\0" + bytes(90000)), "fail"))
    cases.append(("png-claims1x1e9", png_file(1, 1000000000, 0, 8, b"\0\0" * 100), "fail"))
    cases.append(("png-bad-ihdr-crc", png_file(96, 64, 2, 8, b"\0" + bytes(288), ihdr_crc_ok=False), "fail"))
    cases.append(("png-too-few-rows", png_file(96, 64, 2, 8, b"".join(b"\0" + bytes(288) for _ in range(10))),
                  "fail"))
    # Broken palettes: none at all, and indices beyond a short one.
    rows = b"".join(b"\0" + bytes(range(96)) for _ in range(64))
    cases.append(("png-pal-missing", png_file(96, 64, 3, 8, rows), "fail"))
    cases.append(("png-pal-short", png_file(96, 64, 3, 8, rows, png_chunk(b"PLTE", bytes(6 * 3))), "any"))
    cases.append(("png-pal-oversize", png_file(96, 64, 3, 8, rows, png_chunk(b"PLTE", bytes(300 * 3))), "fail"))
    cases.append(("png-bad-depth", png_file(96, 64, 2, 3, rows), "fail"))
    # A zlib stream whose header declares a 256-byte window: sound when its data stays within it (run lengths
    # only), damaged when it reaches further back.
    photo_rows = b"".join(b"\0" + base.tobytes()[y * 96 * 3:(y + 1) * 96 * 3] for y in range(64))
    for name, stream, expect in (("png-window256", zlib.compressobj(6, zlib.DEFLATED, 9, 8, zlib.Z_RLE), "ok"),
                                 ("png-window256-reaching-further", zlib.compressobj(6, zlib.DEFLATED, 15), "fail")):
        compressed = bytearray(stream.compress(photo_rows) + stream.flush())
        compressed[0] = 0x08  # deflate, 256-byte window
        compressed[1] = (compressed[1] & 0xE0) | (31 - (0x0800 | (compressed[1] & 0xE0)) % 31) % 31
        ihdr = png_chunk(b"IHDR", struct.pack(">IIBBBBB", 96, 64, 8, 2, 0, 0, 0))
        cases.append((name, b"\x89PNG\r\n\x1a\n" + ihdr + png_chunk(b"IDAT", bytes(compressed)) +
                      png_chunk(b"IEND", b""), expect))
    return cases


# ------------------------------------------------------------------ BMP

def bmp_with(data, **fields):
    """Patches BITMAPINFOHEADER fields of a BMP."""
    offsets = {"width": (18, "<i"), "height": (22, "<i"), "bits": (28, "<H"), "compression": (30, "<I"),
               "colours": (46, "<I"), "offbits": (10, "<I")}
    patched = bytearray(data)
    for name, value in fields.items():
        at, fmt = offsets[name]
        patched[at:at + struct.calcsize(fmt)] = struct.pack(fmt, value)
    return bytes(patched)


def bmp_cases():
    cases = []
    base = photo(37, 23)
    png = encoded(base, "PNG")
    rle8 = magick(png, "-colors", "200", "-compress", "RLE", "-type", "Palette", out_format="bmp3")
    assert struct.unpack("<I", rle8[30:34])[0] == 1, "ImageMagick wrote no RLE8"
    for kind, data in (("rgb24", encoded(base, "BMP")),
                       ("pal8", encoded(base.quantize(200), "BMP")),
                       ("rle8", rle8)):
        cases.append((f"bmp-{kind}-whole", data, "ok"))
        cases += truncations(f"bmp-{kind}", data, [2, 14, 30, 54, len(data) // 2, len(data) - 4])
        cases.append((f"bmp-{kind}-claims30000", bmp_with(data, width=30000, height=30000), "fail"))
        cases.append((f"bmp-{kind}-claims-negative", bmp_with(data, width=-37), "fail"))
        cases.append((f"bmp-{kind}-offbits-beyond", bmp_with(data, offbits=len(data) + 10), "fail"))
    pal8 = encoded(base.quantize(200), "BMP")
    cases.append(("bmp-pal8-colours-huge", bmp_with(pal8, colours=100000), "any"))
    cases.append(("bmp-pal8-colours-few", bmp_with(pal8, colours=2), "ok"))
    cases.append(("bmp-pal8-bits7", bmp_with(pal8, bits=7), "fail"))
    # Run lengths: every run made to cover 255 pixels (past the row's end, past the image's end).
    offbits = struct.unpack("<I", rle8[10:14])[0]
    runs = bytearray(rle8)
    pos = offbits
    while pos + 1 < len(runs):
        if runs[pos] == 0:
            if runs[pos + 1] in (0, 1):
                pos += 2
            elif runs[pos + 1] == 2:
                pos += 4
            else:
                n = runs[pos + 1]
                pos += 2 + n + (n & 1)
        else:
            runs[pos] = 255
            pos += 2
    cases.append(("bmp-rle8-long-runs", bytes(runs), "any"))
    no_end = rle8[:-2] if rle8[-2:] == b"\0\1" else rle8
    cases.append(("bmp-rle8-no-end", no_end, "any"))
    cases.append(("bmp-rle8-delta-far", rle8[:offbits] + b"\0\2\xff\xff" * 8 + b"\0\1", "any"))
    return cases


# ------------------------------------------------------------------ PCX

def pcx_cases():
    cases = []
    base = photo(37, 23)
    png = encoded(base, "PNG")
    for kind, data in (("rgb", magick(png, out_format="pcx")),
                       ("pal8", magick(png, "-colors", "200", "-type", "Palette", out_format="pcx"))):
        cases.append((f"pcx-{kind}-whole", data, "ok"))
        cases += truncations(f"pcx-{kind}", data, [1, 64, 128, 129, len(data) // 2])
        big = bytearray(data)
        big[8:12] = struct.pack("<HH", 30000, 30000)
        cases.append((f"pcx-{kind}-claims30000", bytes(big), "fail"))
        narrow = bytearray(data)
        narrow[66:68] = struct.pack("<H", 2)
        cases.append((f"pcx-{kind}-bytes-per-line-2", bytes(narrow), "fail"))
        # Every run made as long as a run can be (63), past the line's end.
        runs = bytearray(data)
        for pos in range(128, len(runs) - (769 if kind == "pal8" else 0)):
            if runs[pos] >= 0xC0:
                runs[pos] = 0xFF
        cases.append((f"pcx-{kind}-long-runs", bytes(runs), "any"))
    pal8 = magick(png, "-colors", "200", "-type", "Palette", out_format="pcx")
    cases.append(("pcx-pal8-palette-cut", pal8[:-300], "fail"))
    no_marker = bytearray(pal8)
    no_marker[-769] = 0
    # Without its palette (or its marker) the colours of a 256-colour file are unknown.
    cases.append(("pcx-pal8-palette-marker-lost", bytes(no_marker), "fail"))
    cases.append(("pcx-pal8-palette-missing", pal8[:-769], "fail"))
    return cases


# ------------------------------------------------------------------ FlashPix (compound files)

def fpx_cases():
    cases = []
    for name in ("rgb-300x200-jpeg90.fpx", "grey-200x150-raw.fpx"):
        with open(os.path.join(FPX_DIR, name), "rb") as f:
            data = f.read()
        kind = name.split(".")[0]
        cases.append((f"fpx-{kind}-whole", data, "ok"))
        cases += truncations(f"fpx-{kind}", data, [8, 512, 1024, len(data) // 3, len(data) // 2])
        cases += flips(f"fpx-{kind}", data, 0, 16)
        # The directory's first sector pointed past the end, and a FAT sector count beyond reason.
        far = bytearray(data)
        far[48:52] = struct.pack("<I", 0x00FFFFFF)
        cases.append((f"fpx-{kind}-directory-far", bytes(far), "fail"))
        fat = bytearray(data)
        fat[44:48] = struct.pack("<I", 0x7FFFFFFF)
        cases.append((f"fpx-{kind}-fat-count-huge", bytes(fat), "any"))
    cases.append(("fpx-signature-only", bytes.fromhex("d0cf11e0a1b11ae1"), "fail"))
    return cases


# ------------------------------------------------------------------ the program

class Program:
    def __init__(self, root, ini=None):
        self.root = root
        self.prog = os.path.join(root, "prog")
        os.makedirs(self.prog, exist_ok=True)
        shutil.copy(KELVO, os.path.join(self.prog, "kelvo"))
        if ini:
            with open(os.path.join(self.prog, "kelvo.ini"), "w", encoding="utf-8") as f:
                f.write(ini)
        self.output = os.path.join(self.prog, "Output")
        self.temp = os.path.join(self.prog, "Temp")

    def run(self, args, file_size_limit=None):
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
        limit = None
        if file_size_limit:
            limit = lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (file_size_limit, file_size_limit))
        try:
            done = subprocess.run([os.path.join(self.prog, "kelvo"), *args], capture_output=True, env=env,
                                  timeout=TIMEOUT, cwd=self.root, preexec_fn=limit)
        except subprocess.TimeoutExpired:
            return None, "timed out"
        return done.returncode, done.stderr.decode("utf-8", "replace")

    def clear_output(self):
        shutil.rmtree(self.output, ignore_errors=True)

    def leftovers(self):
        """Files in the output folder, and image files in the temporary folder."""
        found = []
        for folder, images_only in ((self.output, False), (self.temp, True)):
            for dirpath, _, names in os.walk(folder):
                for n in names:
                    if not images_only or os.path.splitext(n)[1].lower() in (".jpg", ".png", ".bmp", ".pcx",
                                                                              ".jpeg", ".fpx"):
                        found.append(os.path.join(dirpath, n))
        return found


def check_failure(rc, errors, source):
    """Problems with a failed run's report, as a list of words (empty when it is right)."""
    problems = []
    if rc != 1:
        problems.append(f"exit status {rc}")
    lines = [line for line in errors.split("\n") if line]
    if len(lines) != 1:
        problems.append(f"{len(lines)} lines on stderr")
    elif source not in lines[0]:
        problems.append("the line does not name the source")
    elif not any(ord(c) > 0x3000 for c in lines[0]):
        problems.append("the line is not in Japanese")
    return problems


def check_output(path):
    try:
        with Image.open(path) as img:
            img.load()
            return img.size
    except Exception as error:  # noqa: BLE001 - any decode failure is the finding
        return f"unreadable output ({error})"


def run_cases(program, cases, out_ext=".jpg"):
    src = os.path.join(program.root, "src")
    os.makedirs(src, exist_ok=True)
    failures = []
    for name, data, expect in cases:
        path = os.path.join(src, name + ".img")
        with open(path, "wb") as f:
            f.write(data)
        program.clear_output()
        rc, errors = program.run([path])
        output = os.path.join(program.output, name + out_ext)
        left = [p for p in program.leftovers() if p != output]
        problems = []
        if rc is None:
            problems.append("timed out")
        elif rc == 0:
            if expect == "fail":
                problems.append("converted, but the file is broken")
            result = check_output(output) if os.path.exists(output) else "reported converted without an output"
            if isinstance(result, str):
                problems.append(result)
        else:
            if expect == "ok":
                problems.append("failed: " + errors.strip())
            problems += check_failure(rc, errors, path)
            if os.path.exists(output):
                problems.append("an output was written")
        if left:
            problems.append("left behind: " + ", ".join(left))
        if problems:
            failures.append(f"{name} ({expect}): " + "; ".join(problems) + (f" [stderr: {errors.strip()}]"
                                                                             if rc not in (None, 0) else ""))
        os.unlink(path)
    return failures


def special_cases(program):
    """Pipes, sockets, devices, folders and odd names, alone and inside a list of good files."""
    root = program.root
    good = os.path.join(root, "a.jpg")
    photo(64, 48).save(good, "JPEG")
    good2 = os.path.join(root, "c.png")
    photo(64, 48).save(good2, "PNG")
    fifo = os.path.join(root, "p.jpg")
    os.mkfifo(fifo)
    sock = os.path.join(root, "s.jpg")
    listener = socket.socket(socket.AF_UNIX)
    listener.bind(sock)
    zero = os.path.join(root, "zero.jpg")
    os.symlink("/dev/zero", zero)
    null = os.path.join(root, "null.png")
    os.symlink("/dev/null", null)
    dangling = os.path.join(root, "dangling.jpg")
    os.symlink(os.path.join(root, "nowhere.jpg"), dangling)
    text = os.path.join(root, "notes.jpg")
    with open(text, "w") as f:
        f.write("not a picture\n")
    failures = []
    for bad in (fifo, sock, zero, null, dangling, text):
        for args in ([bad], [good, bad, good2]):
            program.clear_output()
            rc, errors = program.run(args)
            name = os.path.basename(bad)
            problems = [] if rc is not None else ["timed out"]
            if rc is not None:
                problems += check_failure(rc, errors, bad)
            expected = {"a.jpg"} if len(args) > 1 else set()
            written = set(os.listdir(program.output)) if os.path.isdir(program.output) else set()
            if written != expected:
                problems.append(f"outputs {sorted(written)}, expected {sorted(expected)}")
            if problems:
                failures.append(f"{name} in {len(args)}-file list: " + "; ".join(problems) +
                                f" [stderr: {errors.strip()}]")
    # A name that is not UTF-8 converts like any other.
    odd = os.path.join(root.encode(), b"caf\xe9 \xff.jpg")
    photo(32, 24).save(odd, "JPEG")
    program.clear_output()
    rc, errors = program.run([odd])
    if rc != 0 or not os.path.exists(os.path.join(program.output.encode(), b"caf\xe9 \xff.jpg")):
        failures.append(f"a non-UTF-8 name: exit {rc} [stderr: {errors.strip()}]")
    # "--" ends the options: a file named like an option is a file.
    dashed = os.path.join(root, "--help")
    photo(32, 24).save(dashed, "PNG")
    program.clear_output()
    rc, errors = program.run(["--", "--help"])
    if rc != 0 or not os.path.exists(os.path.join(program.output, "--help.jpg")):
        failures.append(f"-- then --help: exit {rc} [stderr: {errors.strip()}]")
    listener.close()
    return failures


def file_size_limit_case(root):
    """A write beyond the process's file-size limit (ulimit -f) is reported like a full disc."""
    program = Program(root, "[Main]\nComboBox1=しない\nComboBox4=BMP24\n")
    big = os.path.join(root, "big.png")
    photo(400, 300).save(big, "PNG")
    rc, errors = program.run([big], file_size_limit=64 * 1024)
    lines = [line for line in errors.split("\n") if line]
    if rc != 1 or len(lines) != 1 or "ディスクがいっぱいです" not in lines[0]:
        return [f"file-size limit: exit {rc} [stderr: {errors.strip()}]"]
    return [f"file-size limit: left behind {p}" for p in program.leftovers()]


def damaged_overlay_cases(root):
    """A damaged overlay image (cut, or a flipped byte) fails the run naming the overlay, not the intact photo."""
    failures = []
    os.makedirs(root, exist_ok=True)
    photo_path = os.path.join(root, "photo.jpg")
    photo(320, 240, 4).save(photo_path, "JPEG")
    logo = encoded(photo(160, 120, 5), "PNG")
    flipped = bytearray(logo)
    flipped[len(logo) // 2] ^= 0x55
    for name, data in (("logo-cut.png", logo[:len(logo) - 300]), ("logo-flipped.png", bytes(flipped))):
        overlay = os.path.join(root, name)
        with open(overlay, "wb") as f:
            f.write(data)
        program = Program(os.path.join(root, name + ".run"), f"[Main]\nEdit7={overlay}\nComboBox3=左上\n")
        rc, errors = program.run([photo_path])
        if rc != 1 or overlay not in errors or photo_path in errors or program.leftovers():
            failures.append(f"overlay {name}: exit {rc} [stderr: {errors.strip()}]")
    return failures


def size_cases(program, mode):
    """Every size from 1 x 1 to 16 x 16 in every input format, in one run each."""
    root = program.root
    failures = []
    writers = {"jpg": lambda img, p: img.save(p, "JPEG", quality=90),
               "prog.jpg": lambda img, p: img.save(p, "JPEG", quality=90, progressive=True, subsampling=2),
               "png": lambda img, p: img.save(p, "PNG"),
               "bmp": lambda img, p: img.save(p, "BMP"),
               # Pillow writes one-pixel-wide PCX files that no reader takes; ImageMagick's are sound.
               "pcx": lambda img, p: open(p, "wb").write(magick(encoded(img, "PNG"), out_format="pcx"))}
    for ext, write in writers.items():
        folder = os.path.join(root, "sizes-" + ext.replace(".", "-"))
        os.makedirs(folder)
        names = []
        for w in range(1, 17):
            for h in range(1, 17):
                name = os.path.join(folder, f"s{w}x{h}.{ext}")
                write(photo(w, h, w * 17 + h), name)
                names.append((name, w, h))
        program.clear_output()
        rc, errors = program.run([folder])
        if rc != 0:
            failures.append(f"sizes .{ext}, {mode}: exit {rc} [stderr: {errors.strip()[:400]}]")
            continue
        for name, w, h in names:
            out = os.path.join(program.output, os.path.splitext(os.path.basename(name))[0] + ".jpg")
            size = check_output(out) if os.path.exists(out) else "no output"
            # Kept as they are when only shrinking; brought to the 200 x 100 box (one side on its edge) always.
            good = size == (w, h) if mode == "start" else (
                isinstance(size, tuple) and (size[0] == 200 or size[1] == 100) and min(size) >= 1)
            if not good:
                failures.append(f"{os.path.basename(name)}, {mode}: {size}")
    return failures


def main():
    global KELVO
    KELVO, group = os.path.abspath(sys.argv[1]), sys.argv[2]
    with tempfile.TemporaryDirectory() as root:
        if group == "special":
            failures = special_cases(Program(root))
            failures += file_size_limit_case(os.path.join(root, "limited"))
            failures += damaged_overlay_cases(os.path.join(root, "overlay"))
        elif group == "sizes":
            failures = size_cases(Program(os.path.join(root, "a")), "start")
            failures += size_cases(Program(os.path.join(root, "b"), "[Main]\nComboBox1=常に有効\n"), "always")
        elif group == "captioned":
            # The same damaged JPEG and PNG files with a caption and 8-bit output: the pixels are then decoded
            # in other steps (the colour reduction, the caption's bitmap), which must fail as cleanly.
            program = Program(root, "[Main]\nEdit1=テスト\nComboBox4=PNG8\n")
            failures = run_cases(program, jpeg_cases() + png_cases(), out_ext=".png")
        else:
            makers = {"jpeg": jpeg_cases, "png": png_cases, "bmp": bmp_cases, "pcx": pcx_cases, "fpx": fpx_cases}
            failures = run_cases(Program(root), makers[group]())
    for line in failures:
        print("FAIL", line)
    print(f"{group}: {len(failures)} failing case(s)")
    return 1 if failures else 0


KELVO = None
if __name__ == "__main__":
    sys.exit(main())
