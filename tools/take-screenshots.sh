#!/usr/bin/env bash
# The README's screenshots: the window in English and in Japanese on the
# sample folder, checked, with the damaged files selected, as a person sees
# it on a desktop (Xvfb with a window manager, the CJK font a Debian desktop
# has).
#
#   tools/take-screenshots.sh BUILD_DIR OUT_DIR
#
# BUILD_DIR holds the built program (src/scanlark) and the samples
# (samples/, written by the build); OUT_DIR gets screenshot-en.png and
# screenshot-ja.png. `make screenshots` installs what this needs and writes
# them to docs/.
set -euo pipefail
build=$(realpath "$1")
out=$(realpath "$2")
app=$build/src/scanlark
samples=$build/samples
[ -x "$app" ] || { echo "take-screenshots: no $app; build first" >&2; exit 2; }
[ -d "$samples" ] || { echo "take-screenshots: no $samples; build first" >&2; exit 2; }
for tool in Xvfb openbox xdotool import; do
  command -v "$tool" >/dev/null || { echo "take-screenshots: $tool is missing (make screenshots installs it)" >&2; exit 2; }
done

# Under /var/tmp, which holds little else, so that the folder tree shows
# little of this machine.
scratch=$(mktemp -d /var/tmp/scanlark-shots.XXXXXX)
cp -r "$samples" "$scratch/Pictures"
cleanup() {
  kill "${apid:-}" "${wpid:-}" "${xpid:-}" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

# A display of its own, free of any other X server's.
display=:$((70 + $$ % 20))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 & xpid=$!
export DISPLAY=$display
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 & wpid=$!
sleep 1

# shoot LANG NAME: a fresh start (no settings, no history) on the samples,
# a full check, the damaged files selected, then the window's picture.
shoot() {
  local lang=$1 name=$2 home=$scratch/$2
  mkdir -p "$home/run" && chmod 700 "$home/run"
  # The program keeps its settings beside itself when it may; a copy in
  # the scratch folder keeps every shot's start fresh.
  cp "$app" "$home/scanlark"
  env -u LANGUAGE -u LC_ALL -u LC_MESSAGES LANG="$lang" HOME="$home" XDG_RUNTIME_DIR="$home/run" \
    XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" "$home/scanlark" "$scratch/Pictures" >"$home/log" 2>&1 &
  apid=$!
  local window=""
  for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --pid "$apid" 2>/dev/null | head -1 || true)
    [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || { echo "take-screenshots: no window ($lang); see $home/log" >&2; cat "$home/log" >&2; exit 1; }
  xdotool windowsize "$window" 1180 700 windowmove "$window" 40 30 windowactivate --sync "$window"
  sleep 2
  # The Run menu's first command checks every file (its access key is R in
  # both languages); a click on a row gives the list the focus, and Ctrl+R
  # then selects the damaged files.
  xdotool key --window "$window" alt+r
  sleep 0.5
  xdotool key --window "$window" Return
  sleep 2
  xdotool mousemove --window "$window" 450 150 click 1
  sleep 0.5
  xdotool key --window "$window" ctrl+r
  sleep 1
  import -window "$window" "$out/$name.png"
  kill "$apid"
  wait "$apid" 2>/dev/null || true
  apid=""
}

mkdir -p "$out"
shoot en_US.UTF-8 screenshot-en
shoot ja_JP.UTF-8 screenshot-ja
echo "Wrote $out/screenshot-en.png and $out/screenshot-ja.png"
