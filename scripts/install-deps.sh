#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
# Runs apt-get as root, or through sudo for a normal user.
set -euo pipefail

packages=(build-essential cmake g++ pkg-config libgtest-dev libgmock-dev
          libbenchmark-dev libssl-dev clang libclang-rt-14-dev iproute2
          libcurl4-openssl-dev tinyproxy faketime
          qt6-base-dev qt6-translations-l10n libjpeg-dev xvfb openbox trayer
          x11-utils xdg-utils)

missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  SUDO=()
elif command -v sudo >/dev/null 2>&1; then
  SUDO=(sudo)
else
  echo "Missing packages (${missing[*]}) and no root rights to install them." >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${SUDO[@]}" apt-get -o DPkg::Lock::Timeout=600 update -q
"${SUDO[@]}" apt-get -o DPkg::Lock::Timeout=600 install -y -q --no-install-recommends "${missing[@]}"
