#!/usr/bin/env bash
# Runs the README's two commands on a fresh Debian 12 machine: a minimal
# bookworm root (debootstrap --variant=minbase) with only git and
# ca-certificates added, a clean clone of HEAD in it, then, as root inside it,
#   scripts/demo.sh --screenshot (unless --no-demo) and scripts/test.sh.
# A package that scripts/setup.sh forgets fails here, not on a newcomer's machine.
#   scripts/fresh-check.sh [--no-demo]
# Environment: FRESH_CACHE (default /var/cache/vendorcenter-fresh) keeps the
# minimal base tarball and apt's downloaded .debs between runs; the install
# step itself always runs. Where no root can be made (not root, no
# debootstrap, no archive), it says so in one line and runs scripts/test.sh here.
set -euo pipefail
cd "$(dirname "$0")/.."
checkout=$PWD

run_demo=1
[ "${1:-}" = "--no-demo" ] && run_demo=0

mirror=http://deb.debian.org/debian
cache=${FRESH_CACHE:-/var/cache/vendorcenter-fresh}
base_tarball=$cache/bookworm-minbase.tgz

fallback() {
  echo "fresh-check: no fresh Debian 12 root here ($1); running scripts/test.sh directly"
  [ -n "${root:-}" ] && rm -rf --one-file-system "$root"
  trap - EXIT
  exec scripts/test.sh
}

[ "$(id -u)" -eq 0 ] || fallback "not root"
# A new machine of this kind has no debootstrap: the host installs it, only it.
if ! command -v debootstrap >/dev/null; then
  DEBIAN_FRONTEND=noninteractive apt-get update -qq >/dev/null 2>&1 &&
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap >/dev/null 2>&1 || true
fi
command -v debootstrap >/dev/null || fallback "debootstrap is not installed"
mkdir -p "$cache/archives/partial" 2>/dev/null || fallback "cannot write $cache"

root=$(mktemp -d /var/tmp/vendorcenter-fresh.XXXXXX)
# mktemp makes it 0700: as "/" inside, that would lock out _apt and postgres.
chmod 755 "$root"
mounted=()
cleanup() {
  local status=$?
  for (( i=${#mounted[@]}-1; i>=0; i-- )); do
    umount -l "${mounted[i]}" 2>/dev/null || true
  done
  # Only delete the root when nothing is mounted in it any more.
  if ! grep -q " $root" /proc/mounts; then
    rm -rf --one-file-system "$root"
  fi
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

started=$(date +%s)
stamp() { echo "fresh-check: $1 ($(( $(date +%s) - started )) s)"; }

# The minimal base only: everything else is setup.sh's to install.
if [ ! -s "$base_tarball" ]; then
  if ! debootstrap --variant=minbase --make-tarball="$base_tarball.new" bookworm "$root/make" "$mirror" \
      >"$cache/debootstrap.log" 2>&1; then
    rm -f "$base_tarball.new"
    rm -rf "$root/make"
    fallback "debootstrap could not reach the archive; see $cache/debootstrap.log"
  fi
  mv "$base_tarball.new" "$base_tarball"
  rm -rf "$root/make"
fi
if ! debootstrap --variant=minbase --unpack-tarball="$base_tarball" bookworm "$root" "$mirror" \
    >"$cache/debootstrap.log" 2>&1; then
  fallback "debootstrap failed; see $cache/debootstrap.log"
fi
stamp "minimal bookworm root in $root"

cat >"$root/etc/apt/sources.list" <<SOURCES
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb http://deb.debian.org/debian-security bookworm-security main
SOURCES
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
# What the installer writes on a real machine: localhost and this host's name resolve.
printf '127.0.0.1\tlocalhost\n127.0.1.1\t%s\n::1\tlocalhost ip6-localhost ip6-loopback\n' "$(hostname)" >"$root/etc/hosts"
# No daemons start inside the root while packages install.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod +x "$root/usr/sbin/policy-rc.d"
# Keep downloaded packages for the shared cache.
rm -f "$root/etc/apt/apt.conf.d/docker-clean"
echo 'Binary::apt::APT::Keep-Downloaded-Packages "true";' >"$root/etc/apt/apt.conf.d/10keep-debs"

bind() {  # bind SOURCE TARGET [options]
  mkdir -p "$2"
  mount "${@:3}" "$1" "$2"
  mounted+=("$2")
}
bind proc "$root/proc" -t proc
bind sysfs "$root/sys" -t sysfs
bind /dev "$root/dev" --bind
bind devpts "$root/dev/pts" -t devpts -o newinstance,ptmxmode=0666
bind tmpfs "$root/dev/shm" -t tmpfs -o mode=1777
bind tmpfs "$root/run" -t tmpfs -o mode=755
bind "$cache/archives" "$root/var/cache/apt/archives" --bind
chmod 1777 "$root/tmp"

inside() {
  chroot "$root" /usr/bin/env -i HOME=/root USER=root LOGNAME=root TERM=dumb \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    LANG=C.UTF-8 LC_ALL=C.UTF-8 DEBIAN_FRONTEND=noninteractive CI="${CI:-}" "$@"
}

inside apt-get update -qq
inside apt-get install -y -qq --no-install-recommends git ca-certificates >/dev/null
stamp "git and ca-certificates added"

# A clean clone of the commit under test, not the working tree.
commit=$(git -C "$checkout" rev-parse HEAD)
git -c safe.directory="$checkout" -c safe.directory="$checkout/.git" clone -q --no-local "$checkout" "$root/root/vendorcenter"
git -C "$root/root/vendorcenter" checkout -q --detach "$commit"
stamp "cloned $commit"

if [ "$run_demo" = 1 ]; then
  inside bash -c 'cd /root/vendorcenter && scripts/demo.sh --screenshot /root/demo.png'
  size=$(stat -c %s "$root/root/demo.png" 2>/dev/null || echo 0)
  if [ "$size" -lt 10000 ]; then
    echo "fresh-check: the demo made no picture worth the name (${size} bytes)"
    exit 1
  fi
  stamp "demo: /root/demo.png, $size bytes"
fi

status=0
inside bash -c 'cd /root/vendorcenter && scripts/test.sh' || status=$?
stamp "scripts/test.sh exited $status"
exit "$status"
