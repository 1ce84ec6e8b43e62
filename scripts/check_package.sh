#!/usr/bin/env bash
# Builds the Debian packages in BUILD_DIR (kestrelon-mfg-cli, and
# kestrelon-mfg when the build has the window), packs them a second time and
# checks that both times give the same bytes, runs lintian on them (no
# errors, no hardening tags), checks the programs' hardening, unpacks them
# into a scratch folder and checks that every file is where it belongs, the
# dependencies (no Qt for the command line) and that the unpacked command
# line runs.
#
#   bash scripts/check_package.sh BUILD_DIR
#
# No pipe here ends before its writer: under pipefail a reader that stops
# early (grep -q, head) makes the writer die of SIGPIPE and the check fail
# at random.
set -euo pipefail

die() { echo "package: FAIL: $*" >&2; exit 1; }
[ $# -eq 1 ] || die "usage: bash scripts/check_package.sh BUILD_DIR"
build=$1
command -v lintian > /dev/null || die "lintian is missing (bash scripts/setup.sh --tests as root)"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

pack() {
    cmake --build "$build" -j2 --target package > "$build/package.log" 2>&1 ||
        { tail -n 20 "$build/package.log" >&2; die "cmake --build $build --target package failed"; }
}

# The newest package of that name in the build folder.
newest() {
    local found
    found=$(ls -t "$build"/"$1"_*.deb 2> /dev/null || true)
    found=${found%%$'\n'*}
    [ -n "$found" ] || die "no $1_*.deb in $build"
    echo "$found"
}

pack
cli=$(newest kestrelon-mfg-cli)
window=
grep -q '^KESTRELON_WITH_WINDOW:BOOL=ON' "$build/CMakeCache.txt" && window=$(newest kestrelon-mfg)
debs=("$cli")
[ -z "$window" ] || debs+=("$window")

# Packed again a second later, from freshly installed files: the same bytes.
mkdir "$scratch/first"
cp "${debs[@]}" "$scratch/first/"
sleep 1
pack
for deb in "${debs[@]}"; do
    cmp -s "$deb" "$scratch/first/$(basename "$deb")" || die "$(basename "$deb") differs between two packings"
done
echo "package: two packings give the same bytes"

for deb in "${debs[@]}"; do
    echo "package: $deb"
    depends=$(dpkg-deb -f "$deb" Depends)
    echo "package: depends on $depends"
    lint_status=0
    lint=$(lintian --fail-on error --display-info "$deb" 2>&1) || lint_status=$?
    lint=$(grep -v 'running with root privileges' <<< "$lint" || true)
    [ -z "$lint" ] || sed 's/^/package: lintian: /' <<< "$lint"
    [ $lint_status -eq 0 ] || die "lintian reports errors in $(basename "$deb") (status $lint_status)"
    ! grep -q 'hardening-' <<< "$lint" || die "lintian reports missing hardening in $(basename "$deb")"
    dpkg-deb -x "$deb" "$scratch/root"
done

missing=0
expect() {
    for f in "$@"; do
        [ -s "$scratch/root/$f" ] || { echo "package: missing /$f" >&2; missing=1; }
    done
}
expect usr/bin/kestrelon-mfg-cli usr/lib/udev/rules.d/70-kestrelon-receiver.rules \
       usr/share/man/man1/kestrelon-mfg-cli.1.gz \
       usr/share/doc/kestrelon-mfg-cli/copyright usr/share/doc/kestrelon-mfg-cli/changelog.gz \
       usr/share/doc/kestrelon-mfg-cli/line-setup.md
if [ -n "$window" ]; then
    expect usr/bin/kestrelon-mfg usr/share/applications/kestrelon-mfg.desktop \
           usr/share/icons/hicolor/48x48/apps/kestrelon-mfg.png \
           usr/share/icons/hicolor/scalable/apps/kestrelon-mfg.svg usr/share/man/man1/kestrelon-mfg.1.gz \
           usr/share/doc/kestrelon-mfg/copyright usr/share/doc/kestrelon-mfg/changelog.gz
fi
[ $missing -eq 0 ] || die "files missing from the packages"
[ ! -e "$scratch/root/usr/bin/kestrelon-uhid-dongle" ] || die "the test receiver kestrelon-uhid-dongle is in a package"

cli_files=$(dpkg-deb -c "$cli")
! grep -q 'usr/bin/kestrelon-mfg$' <<< "$cli_files" || die "the window is in kestrelon-mfg-cli"
! grep -qi 'qt' <<< "$(dpkg-deb -f "$cli" Depends)" || die "kestrelon-mfg-cli depends on Qt"
if [ -n "$window" ]; then
    window_depends=$(dpkg-deb -f "$window" Depends)
    grep -q 'kestrelon-mfg-cli (= ' <<< "$window_depends" || die "kestrelon-mfg does not depend on kestrelon-mfg-cli"
    grep -q 'fonts-noto-cjk | fonts-wqy-microhei' <<< "$window_depends" || die "kestrelon-mfg names no CJK font"
    ! grep -q 'usr/bin/kestrelon-mfg-cli$' <<< "$(dpkg-deb -c "$window")" || die "the command line is in kestrelon-mfg"
fi
controls=$(dpkg-deb --ctrl-tarfile "$cli" | tar -t)
grep -qx './postinst' <<< "$controls" || die "kestrelon-mfg-cli has no postinst for its udev rule"
grep -q 'TAG+="uaccess"' "$scratch/root/usr/lib/udev/rules.d/70-kestrelon-receiver.rules" ||
    die "the udev rule names no receiver"

# Position-independent, with read-only relocations bound at start.
for program in "$scratch"/root/usr/bin/*; do
    headers=$(readelf -h -l -d "$program")
    grep -q 'Type:[[:space:]]*DYN' <<< "$headers" || die "$(basename "$program") is not position-independent"
    grep -q 'GNU_RELRO' <<< "$headers" || die "$(basename "$program") has no RELRO"
    grep -q 'BIND_NOW\|FLAGS_1.*NOW' <<< "$headers" || die "$(basename "$program") is not bound at start (BIND_NOW)"
done

"$scratch/root/usr/bin/kestrelon-mfg-cli" --help > "$scratch/help.txt" || die "the unpacked kestrelon-mfg-cli --help failed"
grep -q '^Usage: kestrelon-mfg-cli' "$scratch/help.txt" || die "the unpacked kestrelon-mfg-cli printed no usage"
version=$(dpkg-deb -f "$cli" Version)
[ "$("$scratch/root/usr/bin/kestrelon-mfg-cli" --version)" = "kestrelon-mfg-cli $version" ] ||
    die "the unpacked kestrelon-mfg-cli --version does not say $version"
echo "package: PASS (${#debs[@]} packages, the same bytes twice, lintian without errors or hardening tags," \
     "files and dependencies in place, the unpacked kestrelon-mfg-cli runs)"
