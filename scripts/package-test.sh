#!/bin/sh
# Tests the packages that scripts/package.sh wrote into dist/, as a user meets
# them, away from the build tree:
#  - the zip, unpacked into an empty folder: only system DLLs imported, and
#    cfgtool.exe and cfgedit.exe run from there under Wine in a fresh prefix;
#  - the installer, in another fresh prefix: a silent install, the installed
#    editor run, a silent uninstall, and then nothing left of what it
#    installed while the user's files and the existing .cfg association stay;
#  - the .deb, extracted: its fields, its cfgtool run and needing only what
#    Depends names, its man page rendered, its bash completion, and lintian.
# Screenshots of the editor and the logs stay in build/package-test/.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
dist="$root/dist"
work="$root/build/package-test"
version=$(sed -n 's/^project(cfgedit VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
zip="$dist/cfgedit-$version-win64.zip"
setup="$dist/cfgedit-$version-win64-setup.exe"
deb="$dist/cfgtool_${version}_amd64.deb"
caption='Pelk Standart Configuration file editor'
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
export WINEDEBUG=-all
# No desktop entries in the user's home for the Start menu items the installer makes.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

failures=0
fail() { printf 'FAIL: %s\n' "$*" >&2; failures=$((failures + 1)); }
pass() { printf 'ok: %s\n' "$*"; }
check() {  # check DESCRIPTION COMMAND...: passes when the command succeeds
  what="$1"
  shift
  if "$@"; then pass "$what"; else fail "$what"; fi
}
noCR() { tr -d '\r'; }
started=$(date +%s)
phase() { printf '== %s (at %ss)\n' "$1" $(($(date +%s) - started)); }

for f in "$zip" "$setup" "$deb"; do
  [ -f "$f" ] || { echo "FAIL: $f is missing; run scripts/package.sh first" >&2; exit 1; }
done
rm -rf "$work"
mkdir -p "$work"

# Both fresh prefixes are made at once, while the .deb is checked.
newPrefix() {
  mkdir -p "$1"
  WINEPREFIX="$1" "$wine" wineboot -i >/dev/null 2>&1
  WINEPREFIX="$1" "$wineserver" -w
}
newPrefix "$work/prefix-zip" &
zipPrefixJob=$!
newPrefix "$work/prefix-setup" &
setupPrefixJob=$!

# ------------------------------------------------------------------ .deb
phase "$(basename "$deb")"
ex="$work/deb"
dpkg-deb -x "$deb" "$ex"
field() { dpkg-deb -f "$deb" "$1"; }
check "Package cfgtool, Version $version" test "$(field Package) $(field Version)" = "cfgtool $version"
check "Maintainer has an e-mail address: $(field Maintainer)" sh -c 'echo "$1" | grep -Eq "^[^<]+ <[^@ ]+@[^> ]+>$"' sh "$(field Maintainer)"
echo "Depends: $(field Depends)"
for f in usr/bin/cfgtool usr/share/man/man1/cfgtool.1.gz usr/share/doc/cfgtool/copyright \
         usr/share/doc/cfgtool/changelog.gz usr/share/bash-completion/completions/cfgtool; do
  check "holds /$f" test -f "$ex/$f"
done
check "cfgtool is stripped" sh -c 'file "$1" | grep -q ", stripped"' sh "$ex/usr/bin/cfgtool"
check "copyright carries the LICENSE" sh -c 'tail -n "$(wc -l <"$1")" "$2" | cmp -s - "$1"' sh "$root/LICENSE" \
  "$ex/usr/share/doc/cfgtool/copyright"
check "changelog's latest entry is $version" \
  test "$(zcat "$ex/usr/share/doc/cfgtool/changelog.gz" | dpkg-parsechangelog -l - -S Version)" = "$version"
check "cfgtool --version says $version" test "$("$ex/usr/bin/cfgtool" --version)" = "cfgtool $version"
check "cfgtool fmt writes the example as it is" sh -c '"$1" fmt "$2" | cmp -s - "$2"' sh "$ex/usr/bin/cfgtool" \
  "$root/packaging/example.cfg"
# Every library cfgtool loads comes from a package that Depends names.
depends=$(field Depends | tr ',' '\n' | sed 's/^ *//; s/[ (].*//')
for lib in $(ldd "$ex/usr/bin/cfgtool" | awk '$2 == "=>" { print $3 }'); do
  pkg=$({ dpkg -S "$lib" || dpkg -S "$(readlink -f "$lib")"; } 2>/dev/null | head -n 1 | sed 's/:.*//')
  check "$(basename "$lib") comes with ${pkg:-no package}, named in Depends" \
    sh -c 'test -n "$1" && echo "$2" | grep -qx "$1"' sh "$pkg" "$depends"
done
man_out="$work/cfgtool.1.txt"
LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$ex/usr/share/man/man1/cfgtool.1.gz" >"$man_out" 2>"$work/man.err" || true
check "man page renders without warnings" test ! -s "$work/man.err"
check "man page shows cfgtool $version and its COMMANDS" sh -c \
  'grep -q "cfgtool $2" "$1" && grep -q "^COMMANDS" "$1" && grep -q "^EXIT STATUS" "$1"' sh "$man_out" "$version"
completions=$(PATH="$ex/usr/bin:$PATH" bash -c '. "$1"; COMP_WORDS=(cfgtool f); COMP_CWORD=1; _cfgtool cfgtool
  echo "${COMPREPLY[*]}"' sh "$ex/usr/share/bash-completion/completions/cfgtool")
check "bash completion of \"cfgtool f\" gives fmt from-json find ($completions)" test "$completions" = "fmt from-json find"
lintian_out="$work/lintian.txt"
if lintian --fail-on error --display-info "$deb" >"$lintian_out" 2>&1; then
  pass "lintian reports no error"
else
  fail "lintian reports errors"
fi
sed 's/^/  lintian: /' "$lintian_out" | grep -v 'running with root privileges' || true

# ------------------------------------------------------------------ Windows
# The DLLs an .exe imports, all of which must be Windows' own.
systemDlls="kernel32.dll user32.dll gdi32.dll comctl32.dll comdlg32.dll shell32.dll advapi32.dll msvcrt.dll"
checkImports() {
  dlls=$(x86_64-w64-mingw32-objdump -p "$1" | awk '/DLL Name:/ { print tolower($3) }' | sort | tr '\n' ' ')
  echo "$(basename "$1") imports: $dlls"
  for dll in $dlls; do
    case " $systemDlls " in
      *" $dll "*) ;;
      *) fail "$(basename "$1") imports $dll, which is not a system DLL" ;;
    esac
  done
  check "$(basename "$1") is stripped" sh -c 'x86_64-w64-mingw32-objdump -t "$1" | grep -q "no symbols"' sh "$1"
}

# Runs cfgedit.exe ARGS... in $WINEPREFIX, waits for its window, keeps a
# screenshot as $work/$1.png, closes it with Esc and waits for it to end.
# An error box ("Can not open file") in place of the window fails.
runEditor() {
  shot="$work/$1.png"
  shift
  "$wine" "$@" >"$shot.log" 2>&1 &
  editor=$!
  window=$(timeout 60 xdotool search --sync --onlyvisible --name "^($caption|Error)" 2>/dev/null | head -n 1) || true
  if [ -z "$window" ]; then
    fail "cfgedit.exe showed no window"
    kill "$editor" 2>/dev/null || true
    return
  fi
  sleep 1
  import -window root "$shot"
  name=$(xdotool getwindowname "$window")
  check "cfgedit.exe shows its window with the file (screenshot $shot)" test "$name" != "Error"
  xdotool windowfocus --sync "$window" 2>/dev/null || true
  xdotool key --window "$window" Escape
  if [ "$name" = "Error" ]; then
    window=$(timeout 30 xdotool search --sync --onlyvisible --name "^$caption" | head -n 1) || true
    xdotool key --window "$window" Escape 2>/dev/null || true
  fi
  (sleep 30 && kill "$editor" 2>/dev/null) &
  watchdog=$!
  status=0
  wait "$editor" || status=$?
  kill "$watchdog" 2>/dev/null || true
  check "cfgedit.exe ends on Esc with status 0" test "$status" -eq 0
}

phase "$(basename "$zip")"
unzipped="$work/zip"
mkdir -p "$unzipped"
(cd "$unzipped" && unzip -q "$zip")
folder="$unzipped/cfgedit-$version-win64"
check "zip holds exactly cfgedit.exe, cfgtool.exe, README.md, LICENSE, example.cfg" \
  test "$(cd "$folder" && ls | sort | tr '\n' ' ')" = "LICENSE README.md cfgedit.exe cfgtool.exe example.cfg "
check "no DLL beside the programs" test -z "$(find "$unzipped" -iname '*.dll')"
checkImports "$folder/cfgedit.exe"
checkImports "$folder/cfgtool.exe"
wait "$zipPrefixJob"
export WINEPREFIX="$work/prefix-zip"
cd "$folder"
check "cfgtool.exe --version says $version" test "$("$wine" cfgtool.exe --version | noCR)" = "cfgtool $version"
check "cfgtool.exe fmt writes the example as it is" \
  sh -c '"$1" cfgtool.exe fmt example.cfg | tr -d "\r" | cmp -s - example.cfg' sh "$wine"
runEditor zip-cfgedit cfgedit.exe example.cfg
cd "$root"
"$wineserver" -k 2>/dev/null || true

phase "$(basename "$setup")"
wait "$setupPrefixJob"
export WINEPREFIX="$work/prefix-setup"
drive="$WINEPREFIX/drive_c"
installed="$drive/Program Files/cfgedit"
startMenu="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/cfgedit"
uninstallKey='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\cfgedit'
regValue() {  # KEY [NAME]: the data of a value (the default one without NAME), empty when missing
  if [ $# -eq 1 ]; then set -- "$1" /ve; else set -- "$1" /v "$2"; fi
  "$wine" reg query "$@" 2>/dev/null | noCR | awk -F'    ' '/REG_/ { print $4 }'
}
hasKey() { "$wine" reg query "$@" >/dev/null 2>&1; }  # KEY [/v NAME]
lacksKey() { ! hasKey "$1"; }
# Another program already owns .cfg, and the user has a file of their own.
"$wine" reg add 'HKLM\Software\Classes\.cfg' /ve /d OtherEditor.cfg /f >/dev/null 2>&1
cp "$root/packaging/example.cfg" "$drive/mine.cfg"

status=0
"$wine" "$setup" /S || status=$?
"$wineserver" -w
check "installer /S ends with status 0" test "$status" -eq 0
for f in cfgedit.exe cfgtool.exe README.md LICENSE example.cfg Uninstall.exe; do
  check "installed Program Files/cfgedit/$f" test -f "$installed/$f"
done
check "Start menu entry cfgedit" test -f "$startMenu/cfgedit.lnk"
check "uninstaller registered as cfgedit $version" test "$(regValue "$uninstallKey" DisplayName)" = "cfgedit $version"
check "registered uninstaller is the installed one" test "$(regValue "$uninstallKey" UninstallString)" = \
  '"C:\Program Files\cfgedit\Uninstall.exe"'
check "cfgedit offered in Open with for .cfg" hasKey 'HKCR\.cfg\OpenWithProgids' /v cfgedit.cfg
check "cfgedit.cfg opens with the installed cfgedit.exe" test "$(regValue 'HKCR\cfgedit.cfg\shell\open\command')" = \
  '"C:\Program Files\cfgedit\cfgedit.exe" "%1"'
check "the default program for .cfg stays OtherEditor.cfg" test "$(regValue 'HKCR\.cfg')" = OtherEditor.cfg
check "installed cfgtool.exe --version says $version" \
  test "$("$wine" "C:\\Program Files\\cfgedit\\cfgtool.exe" --version | noCR)" = "cfgtool $version"
runEditor setup-cfgedit "C:\\Program Files\\cfgedit\\cfgedit.exe" "C:\\Program Files\\cfgedit\\example.cfg"
# The user saves a file of their own beside the programs.
cp "$root/packaging/example.cfg" "$installed/saved-by-user.cfg"

status=0
"$wine" "C:\\Program Files\\cfgedit\\Uninstall.exe" /S || status=$?
"$wineserver" -w  # the uninstaller goes on in a copy of itself
check "uninstaller /S ends with status 0" test "$status" -eq 0
check "only the user's file is left in Program Files/cfgedit" \
  test "$(ls -A "$installed" 2>/dev/null | tr '\n' ' ')" = "saved-by-user.cfg "
check "the user's own files are kept" test -f "$drive/mine.cfg"
check "Start menu folder removed" test ! -e "$startMenu"
check "uninstall key removed" lacksKey "$uninstallKey"
for key in 'HKCR\.cfg\OpenWithProgids' 'HKCR\cfgedit.cfg' 'HKCR\Applications\cfgedit.exe'; do
  check "$key removed" lacksKey "$key"
done
check "the default program for .cfg is still OtherEditor.cfg" test "$(regValue 'HKCR\.cfg')" = OtherEditor.cfg
"$wineserver" -k 2>/dev/null || true

if [ "$failures" -ne 0 ]; then
  echo "package test: $failures check(s) failed; the prefixes are kept in $work" >&2
  exit 1
fi
rm -rf "$work/prefix-zip" "$work/prefix-setup"  # some 700 MB each
phase "done"
echo "package test: all checks passed"
