#!/usr/bin/env bash
# The Windows leg: cross-builds the library, pelmobot.exe, pelmobot-gui.exe
# and the unit tests with mingw-w64, runs the unit tests and the window's
# tests under wine (CMake's cross-compiling emulator) on a display of its
# own (Xvfb with openbox), and runs the end-to-end tests that drive
# pelmobot.exe and pelmobot-gui.exe through wine from native Linux sockets
# on loopback. It builds the installer and the zip and tries the
# installer out (scripts/windows-install-test.sh). The window's pictures go to
# build-win/tests/winui-screenshots. The sanitizer and fuzz builds are the
# Linux leg's (scripts/run-tests.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc)

# The native build of the end-to-end tests needs the Linux leg's packages.
scripts/install-deps.sh tests
packages=(g++-mingw-w64-x86-64-posix wine wine64 googletest xvfb openbox nsis unzip)
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

# The window's tests need a display: a virtual one, with a window manager
# as a desktop has. Both are ended when the script ends.
display_pids=()
stop_display() {
  for pid in "${display_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
}
trap stop_display EXIT
number=99
while [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ]; do number=$((number + 1)); done
Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
display_pids+=($!)
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$number" ] && break; sleep 0.1; done
export DISPLAY=":$number"
openbox >/dev/null 2>&1 &
display_pids+=($!)

echo "== Cross-build for Windows (mingw-w64)"
cmake -S "$root" -B "$root/build-win" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$root/build-win" -j"$jobs"

echo "== Installer and zip (CPack: NSIS and ZIP)"
rm -rf "$root/build-win/packages"
cmake --build "$root/build-win" --target package >/dev/null
scripts/windows-install-test.sh "$root/build-win/packages"

echo "== Unit tests under wine"
# A wine server that stays up between the test programs saves its start.
# Its service processes are started here, away from ctest's output pipes:
# started by the first test they would hold them open, and ctest would
# wait for them until its time-out.
wineserver -p
wine wineboot >/dev/null 2>&1 </dev/null || true
ctest --test-dir "$root/build-win" --output-on-failure

echo "== End-to-end tests of pelmobot.exe and pelmobot-gui.exe under wine"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DPELMO_WINDOWS_PROGRAM="$root/build-win/apps/pelmobot.exe" \
      -DPELMO_WINDOWS_GUI="$root/build-win/apps/pelmobot-gui.exe" \
      -DPELMO_WINDOWS_GUI_DRIVER="$root/build-win/tests/pelmo_gui_driver.exe" >/dev/null
cmake --build "$root/build" -j"$jobs" --target e2e_tests
PELMO_SCREENSHOT_DIR="$root/build-win/tests/winui-screenshots" \
  "$root/build/tests/e2e_tests" --gtest_filter='WindowsProgram.*:WindowsGui.*'

# Stop the wine server, so that no process outlives the run.
wineserver -k 2>/dev/null || true
echo "Windows leg passed."
