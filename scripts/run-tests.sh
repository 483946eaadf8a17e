#!/usr/bin/env bash
# Sets up and runs every test: the normal build, the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, a bounded run of every
# fuzz target, and the Windows program cross-built with mingw-w64 and
# tested under wine. Tests that need root (network namespaces, raw
# sockets) skip themselves and say so when run as a normal user. Each
# stage prints how long it took, and the end sums them up. ctest runs the
# tests side by side; tests/CMakeLists.txt groups the end-to-end tests that
# must run alone, those that mostly wait (started first) and those that
# need an X server of their own (labels unit, e2e and ui: ctest -L e2e).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc)
# Seconds for each fuzz target (at least 10).
fuzz_seconds=${PELMO_FUZZ_SECONDS:-10}

durations=()
stage() {
  local name=$1 started=$SECONDS
  shift
  echo "== $name"
  "$@"
  local took=$((SECONDS - started))
  durations+=("$(printf '%4d:%02d  %s' $((took / 60)) $((took % 60)) "$name")")
  echo "-- $name: $((took / 60)) min $((took % 60)) s"
}

build_and_test() {
  cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$root/build" -j"$jobs"
  ctest --test-dir "$root/build" --output-on-failure -j"$jobs"
}

sanitizers() {
  cmake -S "$root" -B "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug \
        -DPELMO_SANITIZE=ON -DPELMO_BENCH=OFF >/dev/null
  cmake --build "$root/build-asan" -j"$jobs"
  # The end-to-end tests' time budgets stretch with the sanitizers' slowness.
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  PELMO_TEST_TIME_SCALE=5 \
    ctest --test-dir "$root/build-asan" --output-on-failure -j"$jobs"
}

stage "Dependencies" scripts/install-deps.sh tests
stage "Build and test (RelWithDebInfo)" build_and_test
stage "Debian packages: build, list, unpack and run (never installed)" \
  scripts/check-package.sh "$root/build"
stage "Build and test with AddressSanitizer and UndefinedBehaviorSanitizer" sanitizers
stage "Fuzz every reader of file or network input, ${fuzz_seconds} s each" \
  env BUILD_DIR="$root/build-fuzz" scripts/fuzz.sh "$fuzz_seconds"
stage "Windows: cross-build with mingw-w64, test under wine" scripts/windows-tests.sh

echo "== Time per stage (min:s)"
printf '%s\n' "${durations[@]}"
total=$SECONDS
echo "Total: $((total / 60)) min $((total % 60)) s"
