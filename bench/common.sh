# Shared by the benchmark scripts: tools, the photo set, and timing of whole commands.
set -euo pipefail
bench_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
work="${KELVO_BENCH_DIR:-/tmp/kelvo-bench}"

bench_install() {
  local missing=()
  for p in libvips-tools graphicsmagick imagemagick time "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    local sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo
    $sudo apt-get update -qq >/dev/null && $sudo env DEBIAN_FRONTEND=noninteractive \
      apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
}

# Real photos: the JPEG wallpapers of Debian's plasma-workspace-wallpapers package (2560-5120 pixels),
# fetched as a .deb and unpacked into $work/photos (nothing is installed).
bench_photos() {
  local photos="$work/photos"
  if [ ! -d "$photos" ] || [ -z "$(ls -A "$photos" 2>/dev/null)" ]; then
    mkdir -p "$work/deb" "$photos"
    (cd "$work/deb" && apt-get download plasma-workspace-wallpapers >/dev/null 2>&1)
    dpkg-deb -x "$work"/deb/plasma-workspace-wallpapers_*.deb "$work/deb/root"
    # One photo per wallpaper: its largest JPEG, when that is at least 2560 pixels wide.
    local dir best bestw f w
    for dir in "$work"/deb/root/usr/share/wallpapers/*/; do
      best=""; bestw=0
      while IFS= read -r f; do
        w=$(identify -format '%w' "$f" 2>/dev/null || echo 0)
        if [ "$w" -gt "$bestw" ]; then best="$f"; bestw="$w"; fi
      done < <(find -L "$dir" -iname '*.jpg')
      if [ -n "$best" ] && [ "$bestw" -ge 2560 ]; then cp -L "$best" "$photos/$(basename "$dir").jpg"; fi
    done
  fi
  echo "$photos"
}

# A private copy of Kelvo's program: its program folder (settings file, Output) is then the bench folder.
# KELVO_BIN names an already built program to measure instead of building build/release.
bench_kelvo() {
  local bin="${KELVO_BIN:-}"
  if [ -z "$bin" ]; then
    "$bench_root/scripts/install-deps"
    "$bench_root/scripts/build" release >&2
    bin="$bench_root/build/release/bin/kelvo"
  fi
  mkdir -p "$work/kelvo"
  cp "$bin" "$work/kelvo/kelvo"
  echo "$work/kelvo/kelvo"
}

# measure NAME COMMAND...: runs the command once (after clearing the page cache is not possible without root
# rights everywhere, so every tool gets one warm-up run first), prints and records wall seconds and peak KB.
declare -A wall peak
measure() {
  local name="$1"; shift
  local out="$work/time-$name.txt"
  "$@" >/dev/null 2>&1 || true
  /usr/bin/time -f '%e %M' -o "$out" "$@" >/dev/null 2>"$work/stderr-$name.txt" || {
    echo "$name failed:"; cat "$work/stderr-$name.txt"; return 1; }
  read -r wall[$name] peak[$name] < "$out"
  printf '%-22s %8.2f s %10d KB\n' "$name" "${wall[$name]}" "${peak[$name]}"
}

# kelvo_settings KEY=VALUE...: the [Main] section of the bench copy's settings file (kelvo.ini beside it);
# keys left out keep their start values.
kelvo_settings() {
  { echo "[Main]"; printf '%s\n' "$@"; } > "$work/kelvo/kelvo.ini"
}

ratio() { awk -v a="${wall[$1]}" -v b="${wall[$2]}" 'BEGIN { printf "%.2f", a / b }'; }
mem_ratio() { awk -v a="${peak[$1]}" -v b="${peak[$2]}" 'BEGIN { printf "%.2f", a / b }'; }
