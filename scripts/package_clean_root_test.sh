#!/usr/bin/env bash
# Installs the package on a fresh Debian 12 root, starts both programs, and removes it again:
#   sudo scripts/package_clean_root_test.sh [PACKAGE.deb] [ROOTS_DIR]
# The package defaults to the one scripts/package.sh made; ROOTS_DIR (default
# /tmp/veltrano-roots) keeps a pristine root made by debootstrap once, and every run works in a
# new copy of it. Needs root, debootstrap and the Debian archive; it is slow, so it is no part of
# the test suite.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
deb="$(realpath "${1:-$(ls "$ROOT"/build-package/veltrano_*.deb)}")"
roots="${2:-/tmp/veltrano-roots}"
mirror="${DEBIAN_MIRROR:-http://deb.debian.org/debian}"
pristine="$roots/pristine"
target="$roots/run"

step() { printf '\n== %s\n' "$*"; }
die() { printf '\nFAILED: %s\n' "$*" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || die "run it as root (debootstrap and chroot need it)"
command -v debootstrap >/dev/null || die "debootstrap is not installed (apt-get install debootstrap)"

if [ ! -f "$pristine/etc/debian_version" ]; then
  step "making a Debian 12 root in $pristine"
  rm -rf "$pristine"
  debootstrap --variant=minbase bookworm "$pristine" "$mirror" || die "debootstrap failed"
fi
step "a fresh copy of it in $target"
rm -rf "$target"
cp -a "$pristine" "$target"
mount -t proc proc "$target/proc"
trap 'umount "$target/proc"' EXIT
cp "$deb" "$target/tmp/"
in_root() { chroot "$target" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }

step "installing $(basename "$deb") with what it depends on"
in_root apt-get update -qq || die "apt-get update failed in the root"
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq -o Dpkg::Use-Pty=0 "/tmp/$(basename "$deb")" ||
  die "the package did not install"

step "starting the programs"
in_root wlk --version || die "wlk --version failed"
in_root veltrano --version || die "veltrano --version failed"
# The installed environment file is found without --env: its case table makes 'Ё' of 'ё'.
upper="$(in_root wlk eval "UPPER('ёжик')")"
[ "$upper" = "ЁЖИК" ] || die "wlk did not load the installed environment file: UPPER gave '$upper'"
# The window program starts on an empty data directory and waits for the clerk; that it is
# still running after a while means its libraries, plugins and files were all there.
status=0
in_root env QT_QPA_PLATFORM=offscreen timeout 10 veltrano --data /tmp/veltrano-data || status=$?
[ "$status" -eq 124 ] || die "veltrano ended by itself with status $status instead of waiting for the clerk"
echo "veltrano started and was waiting for the clerk after 10 s"

step "removing the package"
in_root dpkg -r veltrano || die "dpkg -r failed"
for gone in /usr/bin/veltrano /usr/bin/wlk /usr/share/veltrano /usr/share/applications/veltrano.desktop; do
  [ ! -e "$target$gone" ] || die "$gone is still there after dpkg -r"
done
# A package with no configuration files of its own is gone whole after dpkg -r; else purge it.
if in_root dpkg-query -W -f='${Status}' veltrano 2>/dev/null | grep -q config-files; then
  in_root dpkg -P veltrano || die "dpkg -P failed"
fi
left="$(find "$target/usr" "$target/etc" -name '*veltrano*' -print)"
[ -z "$left" ] || die "left behind after purging: $left"
step "installed, started and removed cleanly"
