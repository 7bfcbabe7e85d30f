#!/usr/bin/python3
"""The newer formats on the real program's command line: HEIC, AVIF, WebP and JPEG XL read, WEBP and AVIF written.

Inputs are written at test time by the reference encoders (heif-enc, avifenc, cwebp, cjxl) from one picture;
outputs are read back by the reference decoders (dwebp, avifdec) and by ImageMagick, and their pixels compared
with the picture. A folder holding every format converts in one run; the format is told by content, not name;
damaged files of each format fail cleanly (exit 1, one line naming the file, no output).

usage: formats_test.py KELVO_BINARY
"""
import os
import shutil
import subprocess
import struct
import sys
import tempfile
import zlib

from PIL import Image, ImageChops, ImageStat
import math

TIMEOUT = 120


def psnr(a, b):
    a, b = a.convert("RGB"), b.convert("RGB")
    if a.size != b.size:
        return -1.0
    mse = sum(v ** 2 for v in ImageStat.Stat(ImageChops.difference(a, b)).rms) / 3
    return float("inf") if mse == 0 else 10 * math.log10(255 ** 2 / mse)


def picture(w, h):
    """A smooth photo-like picture (gradients and curves): lossy encoders keep it well."""
    img = Image.new("RGB", (w, h))
    img.putdata([((x * 255) // (w - 1), (y * 255) // (h - 1), int(128 + 100 * math.sin(x / 17.0 + y / 23.0)))
                 for y in range(h) for x in range(w)])
    return img


def with_cicp(png, out, values):
    """A copy of a PNG file with a cICP chunk right after its IHDR."""
    data = open(png, "rb").read()
    ihdr_end = 8 + 8 + 13 + 4
    chunk = struct.pack(">I", 4) + b"cICP" + values + struct.pack(">I", zlib.crc32(b"cICP" + values))
    with open(out, "wb") as f:
        f.write(data[:ihdr_end] + chunk + data[ihdr_end:])


def run(*command):
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=TIMEOUT)


def decoded(path, root):
    """The pixels of an output, as the format's reference decoder (or ImageMagick) reads them."""
    png = os.path.join(root, "decoded.png")
    if path.endswith(".webp"):
        run("dwebp", path, "-o", png)
    elif path.endswith(".avif"):
        run("avifdec", path, png)
    else:
        run("convert", path, png)
    with Image.open(png) as img:
        return img.convert("RGB")


class Program:
    def __init__(self, kelvo, root):
        self.folder = os.path.join(root, "prog")
        os.makedirs(self.folder)
        self.binary = os.path.join(self.folder, "kelvo")
        shutil.copy(kelvo, self.binary)
        self.output = os.path.join(self.folder, "Output")

    def convert(self, settings, *args):
        with open(os.path.join(self.folder, "kelvo.ini"), "w", encoding="utf-8") as f:
            f.write("[Main]\n" + "".join(line + "\n" for line in settings))
        shutil.rmtree(self.output, ignore_errors=True)
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        done = subprocess.run([self.binary, *args], capture_output=True, env=env, timeout=TIMEOUT)
        lines = [line for line in done.stderr.decode("utf-8", "replace").splitlines() if line.strip()]
        outputs = sorted(os.listdir(self.output)) if os.path.isdir(self.output) else []
        return done.returncode, lines, outputs


def main():
    kelvo = os.path.abspath(sys.argv[1])
    failures = []
    with tempfile.TemporaryDirectory() as root:
        source = picture(301, 203)  # odd sides
        source_png = os.path.join(root, "source.png")
        source.save(source_png)
        inputs = os.path.join(root, "inputs")
        os.makedirs(inputs)
        # name: (encoder command, the least PSNR its decode must reach against the picture)
        made = {
            "heic.heic": (["heif-enc", "-q", "95", source_png, "-o"], 35.0),
            # With a 256-pixel thumbnail, which a reduction to 200 pixels starts from.
            "thumbed.heic": (["heif-enc", "-q", "95", "-t", "256", source_png, "-o"], 35.0),
            "avif.avif": (["avifenc", "--min", "0", "--max", "8", source_png], 35.0),
            "lossy.webp": (["cwebp", "-q", "95", source_png, "-o"], 35.0),
            "lossless.webp": (["cwebp", "-lossless", source_png, "-o"], float("inf")),
            # Lossless, with an sRGB profile that is converted to sRGB: equal within rounding.
            "jxl.jxl": (["cjxl", source_png, "-d", "0"], 60.0),
            "lossy.JXL": (["cjxl", source_png, "-d", "1"], 35.0),  # the extension in capitals
        }
        for name, (command, _) in made.items():
            run(*command, os.path.join(inputs, name))
        # A WebP file under a PNG's name: the content decides.
        shutil.copy(os.path.join(inputs, "lossless.webp"), os.path.join(inputs, "misnamed.png"))
        made["misnamed.png"] = (None, float("inf"))
        program = Program(kelvo, root)

        # One run over the folder, at full size to PNG24: every file converts, with the picture's pixels. The two
        # "lossy" files give lossy.png and lossy (2).png (which is which follows the folder's order).
        status, lines, outputs = program.convert(["ComboBox1=しない", "ComboBox4=PNG24"], inputs)
        least_of = {}
        for name, (_, least) in made.items():
            out = os.path.splitext(name)[0] + ".png"
            if out in least_of:
                out = os.path.splitext(name)[0] + " (2).png"
                least = min(least, made["lossy.webp"][1])
            least_of[out] = least
        least_of["lossy.png"] = min(least_of["lossy.png"], least_of["lossy (2).png"])
        if status != 0 or outputs != sorted(least_of):
            failures.append(f"the folder run: exit {status}, {lines}, outputs {outputs}")
        for out, least in least_of.items():
            path = os.path.join(program.output, out)
            if out.startswith("misnamed") or not os.path.exists(path):
                continue
            with Image.open(path) as img:
                quality = psnr(img, source)
            if quality < least:
                failures.append(f"{out}: {quality:.1f} dB against the picture (at least {least})")
        # The misnamed WebP went to misnamed.png too: converted from its content.
        with Image.open(os.path.join(program.output, "misnamed.png")) as img:
            if psnr(img, source) != float("inf"):
                failures.append("a WebP named .png was not read as WebP")

        # Reduced to a thumbnail (the start values: 200 wide, JPEG): the right size and picture from each format.
        status, lines, outputs = program.convert([], inputs)
        small = source.resize((200, 135), Image.LANCZOS)
        for name in outputs:
            with Image.open(os.path.join(program.output, name)) as img:
                if img.size != (200, 135):
                    failures.append(f"thumbnail {name}: {img.size}")
                elif psnr(img, small) < 30:
                    failures.append(f"thumbnail {name}: {psnr(img, small):.1f} dB against the picture")

        # WEBP and AVIF outputs at the settings page's quality, read back by the reference decoders; a
        # settings file holding the format is read back as written.
        for fmt, ext, quality, least in (("WEBP", ".webp", 90, 35.0), ("AVIF", ".avif", 90, 35.0),
                                         ("WEBP", ".webp", 0, 20.0)):
            status, lines, outputs = program.convert(
                ["ComboBox1=しない", f"ComboBox4={fmt}", f"TrackBar1={quality}"], source_png)
            if status != 0 or outputs != ["source" + ext]:
                failures.append(f"{fmt} output: exit {status}, {lines}, {outputs}")
                continue
            got = psnr(decoded(os.path.join(program.output, "source" + ext), root), source)
            if got < least:
                failures.append(f"{fmt} at quality {quality}: {got:.1f} dB (at least {least})")
        small = os.path.getsize(os.path.join(program.output, "source.webp"))
        program.convert(["ComboBox1=しない", "ComboBox4=WEBP", "TrackBar1=90"], source_png)
        if small >= os.path.getsize(os.path.join(program.output, "source.webp")):
            failures.append("WEBP quality 0 is not smaller than quality 90")

        # Colours described by CICP values instead of a profile (avifenc's nclx box): a flat (200,100,50) in
        # Display P3 is about (215,93,31) in sRGB, at full size and as a thumbnail; the same values tagged
        # BT.709/sRGB stay as they are.
        flat = os.path.join(root, "flat.png")
        Image.new("RGB", (640, 480), (200, 100, 50)).save(flat)
        # A PNG's cICP chunk says the same (read on the full decode and the reduced one alike).
        for cicp, expected, kind in (("12/13/0", (215, 93, 31), "avif"), ("1/13/0", (200, 100, 50), "avif"),
                                     ("12/13/0", (215, 93, 31), "png")):
            tagged = os.path.join(root, f"cicp-{cicp.split('/')[0]}.{kind}")
            if kind == "avif":
                run("avifenc", "-l", "--cicp", cicp, flat, tagged)
            else:
                primaries, transfer, _ = (int(v) for v in cicp.split("/"))
                with_cicp(flat, tagged, bytes([primaries, transfer, 0, 1]))
            for settings in (["ComboBox1=しない", "ComboBox4=PNG24"], ["ComboBox4=PNG24"]):
                status, lines, outputs = program.convert(settings, tagged)
                if status != 0 or len(outputs) != 1:
                    failures.append(f"CICP {cicp}: exit {status}, {lines}")
                    continue
                with Image.open(os.path.join(program.output, outputs[0])) as img:
                    got = img.convert("RGB").getpixel((10, 10))
                if max(abs(g - e) for g, e in zip(got, expected)) > 1:
                    failures.append(f"CICP {cicp} ({img.size[0]} wide): {got}, expected about {expected}")

        # Metadata at the start values (「残さない」): a camera photo's EXIF (maker, date, GPS position, orientation)
        # and XMP reach no output format, WEBP and AVIF included; exiftool reads every output.
        camera = os.path.join(root, "camera.jpg")
        source.save(camera, quality=95)
        subprocess.run(["exiftool", "-q", "-overwrite_original", "-Make=TestCam", "-Model=X1",
                        "-DateTimeOriginal=2024:05:06 07:08:09", "-GPSLatitude=35.6", "-GPSLatitudeRef=N",
                        "-GPSLongitude=139.7", "-GPSLongitudeRef=E", "-XMP-dc:Creator=Someone", camera], check=True)
        # 「撮影情報を残す」 keeps maker, model and date, never the GPS position, the thumbnail or the XMP; 「すべて残す」
        # keeps the GPS position and the XMP too, never the thumbnail; both reset the orientation (the pixels are
        # upright). A caption (drawn through a bitmap) and the 8-bit reduction keep them as well.
        thumb = os.path.join(root, "thumb.jpg")
        source.resize((160, 108)).save(thumb)
        subprocess.run(["exiftool", "-q", "-overwrite_original", "-Orientation#=6", f"-ThumbnailImage<={thumb}",
                        camera], check=True)
        wanted = {"残さない": set(),
                  "撮影情報を残す": {"Make", "Model", "DateTimeOriginal"},
                  "すべて残す": {"Make", "Model", "DateTimeOriginal", "GPSLatitude", "Creator"}}
        for choice, kept in wanted.items():
            for fmt, ext in (("JPEG", ".jpg"), ("PNG24", ".png"), ("PNG8", ".png"), ("WEBP", ".webp"),
                             ("AVIF", ".avif")):
                settings = ["ComboBox1=しない", f"ComboBox4={fmt}", "Edit1=Kelvo", "[Output]", f"Metadata={choice}"]
                status, lines, outputs = program.convert(settings, camera)
                if status != 0 or outputs != ["camera" + ext]:
                    failures.append(f"metadata {choice}, {fmt}: exit {status}, {lines}, {outputs}")
                    continue
                read = subprocess.run(["exiftool", "-s", "-Make", "-Model", "-GPSLatitude", "-DateTimeOriginal",
                                       "-Creator", "-ThumbnailImage", "-Orientation",
                                       os.path.join(program.output, "camera" + ext)],
                                      capture_output=True, text=True).stdout
                tags = {line.split(":", 1)[0].strip(): line.split(":", 1)[1].strip()
                        for line in read.splitlines() if ":" in line}
                orientation = tags.pop("Orientation", None)
                if set(tags) != kept:
                    failures.append(f"metadata {choice}, {fmt}: {sorted(tags)}, expected {sorted(kept)}")
                if orientation not in (None, "Horizontal (normal)"):
                    failures.append(f"metadata {choice}, {fmt}: orientation {orientation}")
        # An EXIF block damaged all through (exiftool: "Bad IFD0 directory") converts, and is not carried over.
        data = open(camera, "rb").read()
        start = data.find(b"Exif\x00\x00")
        end = start - 2 + struct.unpack(">H", data[start - 2:start])[0]
        body = bytearray(data[start:end])
        for k in range(14, len(body), 7):
            body[k] ^= 0x5A
        damaged = os.path.join(root, "badexif.jpg")
        with open(damaged, "wb") as f:
            f.write(data[:start] + bytes(body) + data[end:])
        status, lines, outputs = program.convert(["ComboBox1=しない", "[Output]", "Metadata=すべて残す"], damaged)
        read = subprocess.run(["exiftool", "-s", "-s", "-s", "-Warning", "-Make", "-Model", "-DateTimeOriginal",
                               "-GPSLatitude", os.path.join(program.output, "badexif.jpg")],
                              capture_output=True, text=True).stdout
        if status != 0 or outputs != ["badexif.jpg"] or read.strip():
            failures.append(f"damaged EXIF: exit {status}, {lines}, {outputs}, carried over: {read.strip()}")

        # Damaged files of each format: cut short, only a header, or bytes changed all through the coded data (the
        # decoders' own messages must not reach the terminal). Each fails alone and cleanly, in one line of ours.
        for name in ("heic.heic", "avif.avif", "lossy.webp", "jxl.jxl"):
            data = open(os.path.join(inputs, name), "rb").read()
            flipped = bytearray(data)
            for pos in range(40, len(flipped), 97):
                flipped[pos] ^= 0x55
            for kind, damaged in (("cut24", data[:24]), (f"cut{len(data) // 2}", data[:len(data) // 2]),
                                  ("flipped", bytes(flipped))):
                bad = os.path.join(root, f"{kind}-{name}")
                with open(bad, "wb") as f:
                    f.write(damaged)
                status, lines, outputs = program.convert([], bad)
                if kind == "flipped" and status == 0 and len(lines) == 1 and outputs:
                    continue  # a decoder may step over changed bytes: converted, with the summary line alone
                if status != 1 or len(lines) != 1 or bad not in lines[0] or outputs:
                    failures.append(f"{os.path.basename(bad)}: exit {status}, {lines}, outputs {outputs}")
    for line in failures:
        print("FAIL", line)
    print(f"formats: {len(failures)} failing case(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
