#!/usr/bin/env bash
# Installs every Debian package that the build, the tests, the demo and the
# benchmarks need. Safe to run again: it installs only what is missing.
set -euo pipefail

packages=(
  g++ cmake make pkg-config
  qt6-base-dev libgl-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
  libpugixml-dev libcpp-httplib-dev libmicrohttpd-dev libsqlite3-dev sqlite3
  libgtest-dev libbenchmark-dev
  postgresql postgresql-common libpq-dev nginx-light
  libcrypt-dev nettle-dev libcli11-dev libxxhash-dev apache2-utils whois
  clang-format systemd dpkg-dev file python3
  clang libclang-rt-14-dev
  fonts-dejavu-core xvfb xauth
  dbus-daemon dbus-bin at-spi2-core python3-pyatspi
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
