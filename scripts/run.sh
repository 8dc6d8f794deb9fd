#!/bin/sh
# Builds cfgedit.exe (Windows preset) and runs it under Wine.
#
#   scripts/run.sh [FILE] [SCREENSHOT]
#
# FILE, a Unix path, is opened at start. With a display ($DISPLAY set) the
# editor opens there and the script waits for it to end. Without one it runs
# on a virtual display, saves a screenshot of the window to SCREENSHOT
# (default build/screenshot.png), ends the editor and says where the picture is.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build="${CFGEDIT_BUILD:-$root/build/windows}"
file="${1:-}"
shot="${2:-$root/build/screenshot.png}"

cmake --preset windows -B "$build" >/dev/null
cmake --build "$build" -j2 --target cfgedit >/dev/null
exe="$build/editor/cfgedit.exe"

# A Unix path as Wine sees it: Z: followed by the path with backslashes.
winpath() {
  case "$1" in
    /*) abs="$1" ;;
    *) abs="$(pwd)/$1" ;;
  esac
  printf 'Z:%s' "$abs" | tr '/' '\\'
}

if [ -n "$file" ]; then
  set -- "$(winpath "$file")"
else
  set --
fi

if [ -n "${DISPLAY:-}" ]; then
  exec "$root/scripts/wine-run.sh" "$exe" "$@"
fi

# No display: a virtual one, a screenshot, then the editor is closed.
caption='^Pelk Standart Configuration file editor'
mkdir -p "$(dirname "$shot")"
export CFGEDIT_EXE="$exe" CFGEDIT_SHOT="$shot" CFGEDIT_CAPTION="$caption" CFGEDIT_ROOT="$root"
xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
  "$CFGEDIT_ROOT/scripts/wine-run.sh" "$CFGEDIT_EXE" "$@" &
  pid=$!
  window=$(timeout 60 xdotool search --sync --name "$CFGEDIT_CAPTION" | head -n 1)
  sleep 2
  import -window root "$CFGEDIT_SHOT"
  if [ -n "$window" ]; then
    xdotool windowfocus --sync "$window" 2>/dev/null || true
    xdotool key --window "$window" Escape
  fi
  wait $pid || true
' sh "$@"
echo "screenshot: $shot"
