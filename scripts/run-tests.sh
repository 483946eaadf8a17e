#!/usr/bin/env bash
# Sets up and runs every test: the normal build, the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, a bounded run of the
# packet decoder fuzzer, and the Windows program cross-built with mingw-w64
# and tested under wine. Tests that need root (network namespaces, raw
# sockets) skip themselves and say so when run as a normal user.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc)
fuzz_seconds=${PELMO_FUZZ_SECONDS:-60}

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
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$root/build-asan" --output-on-failure

echo "== Fuzz the packet decoder for ${fuzz_seconds} s"
CXX=clang++ cmake -S "$root" -B "$root/build-fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DPELMO_FUZZ=ON -DPELMO_TESTS=OFF -DPELMO_BENCH=OFF >/dev/null
cmake --build "$root/build-fuzz" -j"$jobs" --target packet_decoder_fuzz
mkdir -p "$root/build-fuzz/corpus"
"$root/build-fuzz/fuzz/packet_decoder_fuzz" -max_total_time="$fuzz_seconds" \
    -print_final_stats=1 "$root/build-fuzz/corpus" 2>&1 | tail -n 20
echo "Fuzzing found no crash."

echo "== Windows: cross-build with mingw-w64, test under wine"
scripts/windows-tests.sh
