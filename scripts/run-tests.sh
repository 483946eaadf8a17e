#!/usr/bin/env bash
# Sets up and runs every test: the normal build, the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, a bounded run of every
# fuzz target, and the Windows program cross-built with mingw-w64 and
# tested under wine. Tests that need root (network namespaces, raw
# sockets) skip themselves and say so when run as a normal user.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc)
# Seconds for each fuzz target (at least 10).
fuzz_seconds=${PELMO_FUZZ_SECONDS:-10}

scripts/install-deps.sh tests

echo "== Build and test (RelWithDebInfo)"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" -j"$jobs"
ctest --test-dir "$root/build" --output-on-failure

echo "== Debian package: build, list, unpack and run (never installed)"
scripts/check-package.sh "$root/build"

echo "== Build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S "$root" -B "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug \
      -DPELMO_SANITIZE=ON -DPELMO_BENCH=OFF >/dev/null
cmake --build "$root/build-asan" -j"$jobs"
# The end-to-end tests' time budgets stretch with the sanitizers' slowness.
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
PELMO_TEST_TIME_SCALE=5 \
  ctest --test-dir "$root/build-asan" --output-on-failure

echo "== Fuzz every reader of file or network input, ${fuzz_seconds} s each"
BUILD_DIR="$root/build-fuzz" scripts/fuzz.sh "$fuzz_seconds"

echo "== Windows: cross-build with mingw-w64, test under wine"
scripts/windows-tests.sh
