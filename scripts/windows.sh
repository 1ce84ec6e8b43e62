#!/usr/bin/env bash
# The Windows build: the core, kestrelon-mfg-cli.exe and the unit tests,
# cross-compiled with MinGW-w64 and run under wine, then the zip to hand to
# a factory PC.
#
#   bash scripts/windows.sh BUILD_DIR
#
# - installs the cross compiler and wine when missing (Debian 12; as root);
# - configures BUILD_DIR with cmake/mingw-w64.cmake and builds everything
#   but the window;
# - runs every test program under wine, in a wine prefix of its own in
#   BUILD_DIR (its wineserver started first and stopped at the end);
# - runs the line: `run --sim --fast --units 3` twice on one settings file,
#   the second run continuing the first one's numbers;
# - checks that the program needs only Windows' own DLLs and makes
#   BUILD_DIR/kestrelon-mfg-VERSION-windows-x64.zip with the program and
#   the README's Windows section.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/.." && pwd)
die() { echo "windows: $*" >&2; exit 1; }
[ $# -eq 1 ] || die "usage: bash scripts/windows.sh BUILD_DIR"
mkdir -p "$1"
build=$(cd "$1" && pwd)
started=$(date +%s)
step() { echo "== windows: $* ($(($(date +%s) - started)) s) =="; }

# --- tools ----------------------------------------------------------------------
packages=(cmake ninja-build g++-mingw-w64-x86-64-posix wine wine64 zip
          googletest nlohmann-json3-dev libsimpleini-dev)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2> /dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    [ "$(id -u)" -eq 0 ] || die "missing packages (${missing[*]}); run this script as root"
    step "installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
wine=$(command -v wine64 || true)
[ -n "$wine" ] || wine=/usr/lib/wine/wine64
[ -x "$wine" ] || die "no 64-bit wine loader (package wine64)"
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)

# --- build ----------------------------------------------------------------------
step "configuring $build"
# -O2 without debug information: smaller and quicker to build, and GCC 12
# warns falsely (-Wrestrict) about string concatenation at -O3.
cmake -S "$source_dir" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DKESTRELON_WINE="$wine" \
    > "$build/configure.log" ||
    { cat "$build/configure.log" >&2; die "configure failed"; }
step "building"
cmake --build "$build" -j2
exe=$build/kestrelon-mfg-cli.exe
[ -f "$exe" ] || die "$exe was not built"

# --- wine -------------------------------------------------------------------------
export WINEPREFIX=$build/wine-prefix WINEARCH=win64 WINEDEBUG=-all
# Wine reads file names and arguments in the locale's character set.
export LC_ALL=C.UTF-8
# No Mono or Gecko download dialogs in a fresh prefix.
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINE="$wine"
step "starting wineserver ($WINEPREFIX)"
mkdir -p "$WINEPREFIX"
stop_wine() { "$wineserver" -k 2> /dev/null || true; }
stop_wine   # one left over from an interrupted run of this prefix
"$wineserver" -p || die "wineserver did not start for $WINEPREFIX"
trap stop_wine EXIT
"$wine" wineboot --init > /dev/null 2>&1 || die "wineboot failed in $WINEPREFIX"

step "tests under wine"
# The fault matrix runs every fifth position here, as under the sanitizers:
# its logic is the same on both systems, and the native build runs it all.
KESTRELON_FAULT_STRIDE=${KESTRELON_FAULT_STRIDE:-5} ctest --test-dir "$build" --output-on-failure -j2

step "the line under wine: 3 units, then 3 more continuing the numbers"
# A station folder and a settings file named in other scripts than ASCII.
rm -rf "$build/line-check"
line=$build/line-check/Station-$'\xC3\xA9l\xC3\xA8ve'
settings=$'\xE5\xB7\xA5\xE7\xAB\x99'.ini
mkdir -p "$line"
serial='object TProdSN;  IsSN = True;  IsDate = False;  FixSNByteCount = 2;  FixSN = 16706;  IncSNByteCount = 4;  IncInitSN = 1;  IsFixAscii = True;end;'
printf '[TX]\r\nRXSNINFO=%s\r\nTXSNINFO=%s\r\nRXRFIDINFO=%s\r\nTXRFIDINFO=%s\r\n' "$serial" "$serial" \
    'object TProdRFID;  IsRandom = False;  IncInitRFID = 1193046;end;' \
    'object TProdRFID;  IsRandom = False;  IncInitRFID = 10597376;end;' > "$line/$settings"
serials() { sed -n 's/.*"rx_sn":"\([^"]*\)".*/\1/p' "$@"; }
for round in 1 2; do
    (cd "$line" && "$wine" "$exe" run --sim --fast --units 3 --json --settings "$settings" > "run$round.jsonl" \
        2> "run$round.err") ||
        { cat "$line/run$round.err" >&2; die "run $round under wine failed"; }
    [ "$(grep -c '"result":"PASS"' "$line/run$round.jsonl")" -eq 3 ] ||
        { cat "$line/run$round.jsonl" "$line/run$round.err" >&2; die "run $round did not pass 3 units"; }
done
all=$(serials "$line/run1.jsonl" "$line/run2.jsonl" | tr '\n' ' ')
expected="4142-00000001 4142-00000002 4142-00000003 4142-00000004 4142-00000005 4142-00000006 "
[ "$all" = "$expected" ] || die "serial numbers of the two runs: $all, expected $expected"
[ -f "$line/$settings.lock" ] && [ -f "$line/records.jsonl" ] || die "the settings file's lock or records are not beside it"
echo "windows: 6 units passed, serial numbers $all"

# --- the download --------------------------------------------------------------------
step "the zip"
allowed='^(kernel32|user32|advapi32|shell32|msvcrt|ws2_32|hid|setupapi|winmm|ucrtbase|api-ms-win-.*)\.dll$'
dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
for dll in $dlls; do
    [[ $dll =~ $allowed ]] || die "kestrelon-mfg-cli.exe needs $dll, which Windows does not have"
done
version=$(sed -n 's/^project(kestrelon_mfg VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")
stage=$build/zip/kestrelon-mfg-$version-windows-x64
rm -rf "$build/zip"
mkdir -p "$stage"
cp "$exe" "$stage/"
x86_64-w64-mingw32-strip "$stage/kestrelon-mfg-cli.exe"
# The README's Windows section, with Windows line ends for Notepad.
awk '/^## Windows$/ { on = 1 } on && /^## / && !/^## Windows$/ { exit } on' "$source_dir/README.md" |
    sed 's/$/\r/' > "$stage/README.txt"
[ -s "$stage/README.txt" ] || die "README.md has no \"## Windows\" section"
zip_file=$build/kestrelon-mfg-$version-windows-x64.zip
rm -f "$zip_file"
(cd "$build/zip" && zip -qr "$zip_file" "kestrelon-mfg-$version-windows-x64")
echo "windows: $zip_file ($(du -k "$zip_file" | cut -f1) KB; needs $(echo $dlls | tr ' ' ','))"
step "done"
