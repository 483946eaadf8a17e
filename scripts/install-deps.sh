#!/usr/bin/env bash
# Installs the Debian packages one use of the tree needs, when missing:
#   run      building and running pelmobot and pelmochat (the default)
#   window   run, and the window program pelmobot-gui (Qt 6, libjpeg)
#   package  run, and building the Debian package
#   tests    all of the above and what the tests need; the proxy of the
#            weather tests is tinyproxy-bin, the program alone: no proxy
#            service is installed, enabled or started
# Runs apt-get as root, or through sudo for a normal user.
set -euo pipefail

use=${1:-run}
run=(build-essential cmake g++ pkg-config libcurl4-openssl-dev)
window=(qt6-base-dev qt6-translations-l10n libjpeg-dev)
package=(dpkg-dev file)
tests=(libgtest-dev libgmock-dev libbenchmark-dev libssl-dev clang libclang-rt-14-dev
       iproute2 tinyproxy-bin faketime xvfb openbox trayer x11-utils xdg-utils)

case "$use" in
  run) packages=("${run[@]}") ;;
  window) packages=("${run[@]}" "${window[@]}") ;;
  package) packages=("${run[@]}" "${package[@]}") ;;
  tests) packages=("${run[@]}" "${window[@]}" "${package[@]}" "${tests[@]}") ;;
  *)
    echo "usage: $0 [run|window|package|tests]" >&2
    exit 2
    ;;
esac

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
