#!/usr/bin/env bash
# Installs the Debian packages that building and testing hxtrack need (with --bench, also the
# reference tools of the benchmarks). Does nothing when they are all there, so every entry
# script may call it.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  zlib1g-dev libexpat1-dev uuid-dev libcdb-dev libssl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-dev
  net-tools
  tinycdb
  # The hardware ID database the Linux device providers name PCI and USB devices from.
  pci.ids usb.ids
  # Delivery over HTTP(S), the web server and certificates its tests use, and the package and
  # manual page checks.
  libcurl4-openssl-dev nginx openssl
  dpkg-dev fakeroot file lintian man-db
  # The viewer's page test opens the page in a headless browser, driven from Python.
  chromium python3
  # The install test builds a clone of the sources again, from the compiler cache.
  git ccache
  # The Linux host test reads the system tools' JSON output.
  nlohmann-json3-dev
  # hxcollect's embedded database, its PostgreSQL client library, and the server its tests
  # start on that engine.
  libsqlite3-dev libpq-dev postgresql
)

# The reference tools the benchmarks compare with: only with --bench.
if [ "${1:-}" = "--bench" ]; then
  packages+=(hashdeep libxml2-utils sqlite3 fusioninventory-agent facter)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
if ! $sudo apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null; then
  $sudo apt-get update -q >/dev/null
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
fi
