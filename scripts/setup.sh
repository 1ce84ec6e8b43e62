#!/usr/bin/env bash
# Installs the Debian packages the tool needs. Safe to run again.
#
#   bash scripts/setup.sh            what building and running need
#   bash scripts/setup.sh --tests    that, and the tools of the test scripts and CI
#
# One package a line, with the scripts that use it, so a new need is one
# line in the list it belongs to.
set -euo pipefail

# Building (the tests' own libraries included: the build makes them by
# default) and running.
build_packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev
  libhidapi-dev libudev-dev
  libsimpleini-dev libicu-dev
  nlohmann-json3-dev
  libpq-dev                # the number store several stations share
  qt6-base-dev
  fonts-noto-cjk           # the window's Chinese captions
)

# Only the test scripts and CI use these.
test_packages=(
  xvfb                     # window_smoke.sh, window_language_check.sh, bench.sh: a virtual display
  xdotool                  # the same: key presses and window lookups
  x11-utils                # window_language_check.sh: xdpyinfo
  imagemagick              # window_language_check.sh, make_pictures.sh: screenshots and comparisons
  time                     # bench.sh: peak memory
  qemu-system-x86          # e2e/run.sh: the guest kernel
  clang-14                 # fuzz.sh: libFuzzer targets
  libclang-rt-14-dev       # fuzz.sh: libFuzzer and the sanitizers' run-time
  lintian                  # check_package.sh
  postgresql               # the number store's tests (ctest), store_test.sh, bench.sh: a private server
)

packages=("${build_packages[@]}")
case "${1:-}" in
  "") ;;
  --tests) packages+=("${test_packages[@]}") ;;
  *) echo "usage: bash scripts/setup.sh [--tests]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "setup: missing packages (${missing[*]}); run this script as root" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
echo "setup: installed ${missing[*]}"
