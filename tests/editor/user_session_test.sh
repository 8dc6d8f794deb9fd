#!/bin/sh
# A person's session with cfgedit.exe, with real keyboard and mouse input on
# the X display: add a section, a record, an int and a string value, take
# back both values with Ctrl+Z and bring one back with Ctrl+Y, see Ctrl+Z in
# an edit field leave the document alone, see the balloon of a refused Add
# come and go, save through the menu, and compare the saved file with the
# expected text. Screenshots are kept in the output folder.
#
#   user_session_test.sh CFGEDIT_EXE OUTPUT_DIR
set -eu
exe="$1"
out="$2"
root=$(cd "$(dirname "$0")/../.." && pwd)

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

rm -rf "$out"
mkdir -p "$out"
saved="$out/session.cfg"
winsaved="Z:$(printf '%s' "$saved" | tr '/' '\\')"

"$root/scripts/wine-run.sh" "$exe" >"$out/wine.log" 2>&1 &
pid=$!
cleanup() { kill "$pid" 2>/dev/null || true; }
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  import -window root "$out/failure.png" 2>/dev/null || true
  exit 1
}

find_window() {  # a window whose title matches the pattern exactly
  timeout 60 xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -n 1
}

main=$(find_window '^Pelk Standart Configuration file editor')
[ -n "$main" ] || fail "the main window did not appear"
xdotool windowfocus --sync "$main"
sleep 1

# Positions of controls: dialog units of the template turned into pixels of
# the window, from the window's size (403 x 253 units plus the menu bar).
eval "$(xdotool getwindowgeometry --shell "$main")"
click() {  # click at dialog units x y
  px=$(awk -v w="$WIDTH" -v x="$1" 'BEGIN { printf "%d", x * w / 403 }')
  py=$(awk -v w="$WIDTH" -v h="$HEIGHT" -v y="$2" 'BEGIN { s = w / 403 * 0.93; printf "%d", h - (253 - y) * s }')
  xdotool mousemove --window "$main" "$px" "$py" click 1
  sleep 0.3
}
keys() { xdotool key --delay 60 "$@"; sleep 0.3; }
type_text() { xdotool type --delay 40 "$1"; sleep 0.3; }

# MAIN is selected at start; the focus is in the section name field.
click 95 211            # section name field
type_text network
click 25 227            # (1) Add
click 297 96            # record name field
type_text server
click 290 112           # (4) Add
click 297 19            # the first records line: server
click 282 196           # Name field
type_text port
keys Tab Down           # type combo box: int
keys Tab                # Value field
type_text 8080
keys alt+7              # (7) Add, by its mnemonic
click 282 196
keys End BackSpace BackSpace BackSpace BackSpace
type_text host
keys Tab Down           # string
click 310 211           # Value field
keys End BackSpace BackSpace BackSpace BackSpace
type_text example.org
click 290 227           # (7) Add
click 297 129           # the first values line
import -window root "$out/session.png"

# Undo and Redo by their keys while the values list has the focus: both
# values go, then the int comes back.
keys ctrl+z ctrl+z
keys ctrl+y
# In an edit field Ctrl+Z is the field's own: the document stays.
click 95 211            # section name field
keys ctrl+z

# Record Add of a name that is taken: a balloon says why, until the next click.
click 290 112           # (4) Add, the record name field still says server
balloon=$(timeout 10 xdotool search --sync --onlyvisible --name '^Record not added$' 2>/dev/null | head -n 1)
[ -n "$balloon" ] || fail "no balloon for a refused Record Add"
import -window root "$out/balloon.png"
click 297 19            # the records line
sleep 0.5
xdotool search --onlyvisible --name '^Record not added$' >/dev/null 2>&1 && fail "the balloon stayed after a click"

# File > Save: the new document has no name yet, so the Save as dialog asks.
keys alt+f s
dialog=$(find_window '^Save as$')
[ -n "$dialog" ] || fail "the Save as dialog did not appear"
sleep 0.5
type_text "$winsaved"
keys Return
for i in $(seq 1 100); do [ -s "$saved" ] && break; sleep 0.1; done
[ -s "$saved" ] || fail "nothing was saved to $saved"

# Save again: now it reports.
xdotool windowfocus --sync "$main"
keys alt+f s
box=$(find_window '^Success$')
[ -n "$box" ] || fail "no Success box"
import -window root "$out/saved.png"
xdotool windowfocus --sync "$box"
keys Return
sleep 0.5
xdotool windowfocus --sync "$main"
keys Escape
for i in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "Esc did not end the editor"

expected='{ MAIN:
    { network:
    } network;
    (int)server[port]=8080
} MAIN;'
actual=$(tr -d '\r' <"$saved")
if [ "$actual" != "$expected" ]; then
  printf 'expected:\n%s\nactual:\n%s\n' "$expected" "$actual" >&2
  fail "the saved file differs"
fi
echo "session passed; screenshots in $out"
