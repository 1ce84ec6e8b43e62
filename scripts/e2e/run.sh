#!/usr/bin/env bash
# End-to-end test of the real HID back end, without hardware: boots a Debian
# cloud kernel under qemu, plugs the simulated receiver into it through
# /dev/uhid (kestrelon-uhid-dongle) and runs kestrelon-mfg-cli, on hidapi and
# hidraw, through the checks in checks.table.
#
#   bash scripts/e2e/run.sh BUILD_DIR
#
# BUILD_DIR must hold kestrelon-mfg-cli and kestrelon-uhid-dongle. The
# kernel and busybox packages are cached in BUILD_DIR/e2e-cache, the guest
# image and its serial log go to BUILD_DIR/e2e. qemu is installed when
# missing (needs root). Exit status 0 only when the guest reported PASS;
# anything missing, or no verdict in time, fails naming the cause.
# KESTRELON_E2E_TIMEOUT (seconds, default 100) bounds the guest's run;
# KESTRELON_E2E_CHECKS names another check table (to try out a few checks);
# KESTRELON_E2E_NO_KVM=1 boots under emulation although /dev/kvm is usable.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
die() { echo "e2e: FAIL: $*" >&2; exit 1; }
say() { echo "e2e: $*"; }

[ $# -eq 1 ] || die "usage: bash scripts/e2e/run.sh BUILD_DIR"
build=$(cd "$1" 2>/dev/null && pwd) || die "no build directory '$1'"
cache=$build/e2e-cache
work=$build/e2e
timeout_s=${KESTRELON_E2E_TIMEOUT:-100}
started=$SECONDS

for b in kestrelon-mfg-cli kestrelon-uhid-dongle; do
    [ -x "$build/$b" ] ||
        die "$build/$b is missing: cmake --build $1 --target kestrelon-mfg-cli kestrelon-uhid-dongle"
done

# --- tools -----------------------------------------------------------------
need_tool() { # command debian-package
    command -v "$1" > /dev/null && return
    [ "$(id -u)" -eq 0 ] || die "$1 is missing: apt-get install --no-install-recommends $2 (as root)"
    say "installing $2"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$2" > /dev/null ||
        die "cannot install $2 (for $1)"
    command -v "$1" > /dev/null || die "$1 is still missing after installing $2"
}
need_tool qemu-system-x86_64 qemu-system-x86
need_tool cc gcc
need_tool dpkg-deb dpkg
need_tool gzip gzip

# --- downloads -------------------------------------------------------------
mkdir -p "$cache"
cached_deb() { ls "$cache/$1"_*.deb 2> /dev/null | head -n 1; }
fetch_deb() { # package; prints the cached .deb
    local deb
    deb=$(cached_deb "$1")
    if [ -z "$deb" ]; then
        say "downloading $1" >&2
        (cd "$cache" && apt-get download -q -o APT::Sandbox::User=root "$1" > /dev/null) ||
            die "cannot download the package $1 (apt-get download; is the package list current? apt-get update)"
        deb=$(cached_deb "$1")
        [ -n "$deb" ] || die "downloading $1 left no .deb in $cache"
    fi
    echo "$deb"
}

# The cloud kernel is small and has uhid as a module; the meta package
# names the current numbered one.
kpkg=${KESTRELON_E2E_KERNEL:-$(apt-cache depends linux-image-cloud-amd64 2> /dev/null |
    awk '/Depends: linux-image-[0-9]/ { print $2; exit }')}
[ -n "$kpkg" ] || die "cannot resolve the kernel package: apt knows no linux-image-cloud-amd64 (apt-get update?)"
kdeb=$(fetch_deb "$kpkg")
bbdeb=$(fetch_deb busybox-static)

# Only the kernel image, its configuration and three modules are needed.
kdir=$cache/$(basename "$kdeb" .deb)
if [ ! -e "$kdir/.done" ]; then
    rm -rf "$kdir" && mkdir -p "$kdir"
    dpkg-deb --fsys-tarfile "$kdeb" | tar -x -C "$kdir" --wildcards './boot/vmlinuz-*' './boot/config-*' \
        '*/drivers/hid/hid.ko*' '*/drivers/hid/uhid.ko*' '*/drivers/hid/hid-generic.ko*' ||
        die "cannot unpack the kernel from $kdeb"
    touch "$kdir/.done"
fi
bbdir=$cache/$(basename "$bbdeb" .deb)
if [ ! -e "$bbdir/.done" ]; then
    rm -rf "$bbdir" && mkdir -p "$bbdir"
    dpkg-deb -x "$bbdeb" "$bbdir" || die "cannot unpack busybox from $bbdeb"
    touch "$bbdir/.done"
fi
vmlinuz=$(ls "$kdir"/boot/vmlinuz-* 2> /dev/null | head -n 1)
kconfig=$(ls "$kdir"/boot/config-* 2> /dev/null | head -n 1)
busybox=$bbdir/bin/busybox
[ -n "$vmlinuz" ] || die "no kernel image (boot/vmlinuz-*) in $kdeb"
[ -x "$busybox" ] || die "no bin/busybox in $bbdeb"
[ -n "$kconfig" ] && ! grep -q '^CONFIG_HIDRAW=y' "$kconfig" && die "the kernel $kpkg has no hidraw (CONFIG_HIDRAW)"

# --- guest image -----------------------------------------------------------
root=$work/root
rm -rf "$root" && mkdir -p "$root"/{bin,lib/modules,e2e,proc,sys,dev,tmp}
cp "$busybox" "$root/bin/busybox"
cp "$here/guest-init.sh" "$root/init" && chmod 755 "$root/init"
table=${KESTRELON_E2E_CHECKS:-$here/checks.table}
[ -r "$table" ] || die "no check table $table"
cp "$here/checks.sh" "$root/e2e/"
cp "$table" "$root/e2e/checks.table"

# Loaded in this order by the guest; a module may also be built in.
: > "$root/lib/modules/load-order"
for m in hid:HID uhid:UHID hid-generic:HID_GENERIC; do
    name=${m%%:*} option=CONFIG_${m##*:}
    ko=$(find "$kdir" -name "$name.ko*" | head -n 1)
    if [ -z "$ko" ]; then
        grep -q "^$option=y" "$kconfig" 2> /dev/null || die "the kernel $kpkg has no $name module ($option)"
        continue
    fi
    case $ko in
        *.ko) cp "$ko" "$root/lib/modules/$name.ko" ;;
        *.ko.xz) need_tool xz xz-utils; xz -dc "$ko" > "$root/lib/modules/$name.ko" ;;
        *.ko.zst) need_tool zstd zstd; zstd -qdc "$ko" > "$root/lib/modules/$name.ko" ;;
        *) die "cannot unpack the module $ko" ;;
    esac
    echo "$name" >> "$root/lib/modules/load-order"
done

cc -static -O2 -o "$root/bin/qemu-exit" "$here/qemu_exit.c" || die "cannot build the guest's exit helper (static libc?)"
for b in kestrelon-mfg-cli kestrelon-uhid-dongle; do
    # Without the debug information: the guest unpacks its image into RAM.
    strip --strip-debug -o "$root/bin/$b" "$build/$b"
    # The shared libraries and the dynamic loader, at the paths ldd names.
    ldd "$build/$b" | awk '$2 == "=>" && $3 ~ /^\// { print $3 } $1 ~ /^\// { print $1 }' |
        while read -r lib; do cp -L --parents "$lib" "$root"; done
done

(cd "$root" && find . | "$busybox" cpio -o -H newc 2> /dev/null) | gzip -1 > "$work/initramfs.cpio.gz"

# --- boot ------------------------------------------------------------------
# qemu ends with 0 whatever the guest does; the guest's verdict comes back
# through the isa-debug-exit port as (value << 1) | 1 and as a log line.
# boot ACCEL CPU SECONDS [EXTRA KERNEL ARGUMENTS]: sets rc and verdict.
boot() {
    local booted=$SECONDS log=$work/serial.log
    [ -n "${4:-}" ] && log=$work/probe.log
    set +e
    timeout "$3" qemu-system-x86_64 -machine "q35,accel=$1" -cpu "$2" -m 512 -smp 1 -nographic \
        -no-reboot -net none -device isa-debug-exit,iobase=0xf4,iosize=0x04 \
        -kernel "$vmlinuz" -initrd "$work/initramfs.cpio.gz" \
        -append "console=ttyS0 panic=-1 quiet loglevel=4 ${4:-}" < /dev/null 2>&1 |
        tr -d '\r' | sed 's/\x1bc//g; s/\x1b\[[0-9;?]*[A-Za-z]//g' > "$log"
    rc=${PIPESTATUS[0]}
    set -e
    verdict=$(grep -a '^E2E-VERDICT:' "$log" | tail -n 1 || true)
    [ -n "${4:-}" ] || { cat "$log"; say "guest ran $((SECONDS - booted)) s, whole e2e $((SECONDS - started)) s; serial log in $log"; }
}

# KVM where it works, emulation otherwise. /dev/kvm can be there and still
# fail: "-cpu max" asks for MSRs some hosts refuse (qemu aborts), and some
# nested hosts take a guest no further than its firmware. So a short trial
# boot under KVM must reach the guest's init first; KESTRELON_E2E_NO_KVM=1
# skips KVM as if /dev/kvm were missing. A full KVM boot that still gives
# no verdict is tried once more under emulation.
accel=tcg
if [ -w /dev/kvm ] && [ "${KESTRELON_E2E_NO_KVM:-0}" != 1 ]; then
    boot kvm qemu64 30 e2e.probe
    if [ "$rc:$verdict" = "1:E2E-VERDICT: PASS" ]; then
        accel=kvm
    else
        say "KVM does not boot the guest here (qemu exit status $rc, log $work/probe.log); emulating"
    fi
fi
cpu=max
[ "$accel" = kvm ] && cpu=qemu64
say "booting $kpkg ($accel, cpu $cpu)"
boot "$accel" "$cpu" "$timeout_s"
if [ "$accel" = kvm ] && { [ "$rc" -eq 124 ] || [ -z "$verdict" ]; }; then
    say "no verdict under KVM (qemu exit status $rc); booting again under emulation"
    boot tcg max "$timeout_s"
fi

[ "$rc" -eq 124 ] && die "no verdict: the guest did not finish within $timeout_s s"
[ -n "$verdict" ] || die "no verdict from the guest (qemu exit status $rc; kernel panic or qemu error?)"
case "$rc:$verdict" in
    "1:E2E-VERDICT: PASS") say "PASS" ;;
    3:*) die "the guest reported ${verdict#E2E-VERDICT: }" ;;
    *) die "verdict and exit status disagree ('$verdict', qemu exit status $rc)" ;;
esac
