#!/usr/bin/env bash
# The Windows leg: cross-builds the library, pelmobot.exe and the unit
# tests with mingw-w64, runs the unit tests under wine (CMake's
# cross-compiling emulator), and runs the end-to-end tests that drive
# pelmobot.exe through wine from native Linux sockets on loopback. The
# sanitizer and fuzz builds are the Linux leg's (scripts/run-tests.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc)

# The native build of the end-to-end tests needs the Linux leg's packages.
scripts/install-deps.sh tests
packages=(g++-mingw-w64-x86-64-posix wine wine64 googletest)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=()
  [ "$(id -u)" -eq 0 ] || SUDO=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${SUDO[@]}" apt-get update -q
  "${SUDO[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# A wine prefix of our own, made once: its first start takes a while.
export WINEPREFIX="${PELMO_WINEPREFIX:-$root/build-win/wineprefix}"
export WINEDEBUG=-all
mkdir -p "$(dirname "$WINEPREFIX")"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "== Preparing the wine prefix $WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
fi

echo "== Cross-build for Windows (mingw-w64)"
cmake -S "$root" -B "$root/build-win" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$root/build-win" -j"$jobs"

echo "== Unit tests under wine"
# A wine server that stays up between the test programs saves its start.
# Its service processes are started here, away from ctest's output pipes:
# started by the first test they would hold them open, and ctest would
# wait for them until its time-out.
wineserver -p
wine wineboot >/dev/null 2>&1 </dev/null || true
ctest --test-dir "$root/build-win" --output-on-failure

echo "== End-to-end tests of pelmobot.exe under wine"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DPELMO_WINDOWS_PROGRAM="$root/build-win/apps/pelmobot.exe" >/dev/null
cmake --build "$root/build" -j"$jobs" --target e2e_tests
"$root/build/tests/e2e_tests" --gtest_filter='WindowsProgram.*'

# Stop the wine server, so that no process outlives the run.
wineserver -k 2>/dev/null || true
echo "Windows leg passed."
