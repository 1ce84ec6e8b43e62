#!/usr/bin/env bash
# Builds the Debian package in BUILD_DIR, runs lintian on it (no errors
# allowed), unpacks it into a scratch folder and checks that every file is
# where it belongs and that the unpacked command line runs.
#
#   bash scripts/check_package.sh BUILD_DIR
set -euo pipefail

die() { echo "package: FAIL: $*" >&2; exit 1; }
[ $# -eq 1 ] || die "usage: bash scripts/check_package.sh BUILD_DIR"
build=$1

cmake --build "$build" -j2 --target package > "$build/package.log" 2>&1 ||
    { tail -n 20 "$build/package.log" >&2; die "cmake --build $build --target package failed"; }
deb=$(ls -t "$build"/kestrelon-mfg_*.deb 2> /dev/null | head -n 1)
[ -n "$deb" ] || die "no kestrelon-mfg_*.deb in $build"
echo "package: $deb"
dpkg-deb -I "$deb" | sed -n 's/^ Depends: /package: depends on /p'

command -v lintian > /dev/null || die "lintian is missing (bash scripts/setup.sh as root)"
lint_status=0
lintian --fail-on error "$deb" > "$build/lintian.log" 2>&1 || lint_status=$?
grep -v 'running with root privileges' "$build/lintian.log" | sed 's/^/package: lintian: /' || true
[ $lint_status -eq 0 ] || die "lintian reports errors (status $lint_status)"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dpkg-deb -x "$deb" "$scratch"
missing=0
for f in usr/bin/kestrelon-mfg usr/bin/kestrelon-mfg-cli \
         usr/lib/udev/rules.d/70-kestrelon-receiver.rules \
         usr/share/applications/kestrelon-mfg.desktop \
         usr/share/icons/hicolor/48x48/apps/kestrelon-mfg.png \
         usr/share/icons/hicolor/scalable/apps/kestrelon-mfg.svg \
         usr/share/man/man1/kestrelon-mfg.1.gz usr/share/man/man1/kestrelon-mfg-cli.1.gz \
         usr/share/doc/kestrelon-mfg/copyright usr/share/doc/kestrelon-mfg/changelog.gz; do
    [ -s "$scratch/$f" ] || { echo "package: missing /$f" >&2; missing=1; }
done
[ $missing -eq 0 ] || die "files missing from the package"
[ ! -e "$scratch/usr/bin/kestrelon-uhid-dongle" ] || die "the test receiver kestrelon-uhid-dongle is in the package"
grep -q 'TAG+="uaccess"' "$scratch/usr/lib/udev/rules.d/70-kestrelon-receiver.rules" ||
    die "the udev rule names no receiver"
dpkg-deb --ctrl-tarfile "$deb" | tar -t | grep -qx './postinst' || die "no postinst"
"$scratch/usr/bin/kestrelon-mfg-cli" --help > "$scratch/help.txt" || die "the unpacked kestrelon-mfg-cli --help failed"
grep -q '^Usage: kestrelon-mfg-cli' "$scratch/help.txt" || die "the unpacked kestrelon-mfg-cli printed no usage"
echo "package: PASS (files in place, lintian without errors, the unpacked kestrelon-mfg-cli runs)"
