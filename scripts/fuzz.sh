#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, -DPELMO_FUZZ=ON) and runs each one,
# seeded from the shipped working folder (dist/workdir) and fuzz/seeds/,
# then prints one line per target: executions, time, executions per
# second, coverage (edges) and features.
#
#   scripts/fuzz.sh [SECONDS]        each target for SECONDS (default 10)
#   scripts/fuzz.sh --runs N         each target for N executions
#   BUILD_DIR (default build-fuzz), FUZZ_TARGETS (default: every target),
#   FUZZ_OPTIONS (more libFuzzer options, e.g. -max_len=1024 for long runs)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${BUILD_DIR:-$root/build-fuzz}
limit=(-max_total_time="${1:-10}")
if [ "${1:-}" = "--runs" ]; then limit=(-runs="$2"); fi

if [ ! -f "$build/CMakeCache.txt" ]; then
  CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DPELMO_FUZZ=ON -DPELMO_TESTS=OFF -DPELMO_BENCH=OFF >/dev/null
fi
targets=${FUZZ_TARGETS:-$(cd "$root/fuzz" && ls ./*_fuzz.cpp | sed 's|^\./||; s|\.cpp$||')}
# shellcheck disable=SC2086
cmake --build "$build" -j"$(nproc)" --target $targets >/dev/null

work=$root/dist/workdir
# The shipped files each target reads.
seeds_from_workdir() {
  case $1 in
    ini_file_fuzz) echo "$work/Net.ini $work/others.ini $work/botfile/defvhod.ini" ;;
    entry_pattern_fuzz) echo "$work/botfile/defvhod.ini" ;;
    quiz_line_fuzz | talker_top_fuzz | external_commands_fuzz)
      echo "$work/botfile/help.txt $work/botfile/welcom.txt" ;;
  esac
}

for target in $targets; do
  corpus=$build/corpus/$target
  mkdir -p "$corpus"
  if [ -d "$root/fuzz/seeds/$target" ]; then cp "$root/fuzz/seeds/$target"/* "$corpus"/; fi
  for file in $(seeds_from_workdir "$target"); do
    if [ "$target" = entry_pattern_fuzz ]; then
      # Each pattern with a nick after a zero byte.
      n=0
      while IFS= read -r line; do
        case $line in *=*) ;; *) continue ;; esac
        printf '%s\0Vasya' "${line#*=}" | tr -d '\r' > "$corpus/defvhod-$n"
        n=$((n + 1))
      done < "$file"
    else
      cp "$file" "$corpus/$(basename "$file")"
    fi
  done
  if [ "$target" = birthday_file_fuzz ]; then
    # One entry: count 1, then name "Vasya" and group "Friends" (a length
    # byte and 255 bytes each), day 7, month 12, year 1990.
    {
      printf '\001\005Vasya'; head -c 250 /dev/zero
      printf '\007Friends'; head -c 248 /dev/zero
      printf '\007\000\000\000\014\000\000\000\306\007\000\000'
    } > "$corpus/one-entry"
  fi
  log=$build/$target.log
  # shellcheck disable=SC2086
  if ! "$build/fuzz/$target" "${limit[@]}" ${FUZZ_OPTIONS:-} -print_final_stats=1 -artifact_prefix="$build/" \
      "$corpus" >"$log" 2>&1; then
    tail -n 40 "$log"
    echo "$target: the fuzzer found a crash (see $log)" >&2
    exit 1
  fi
  awk -v t="$target" '
    /stat::number_of_executed_units/ { runs = $2 }
    /stat::average_exec_per_sec/ { speed = $2 }
    / DONE / || /pulse/ || /NEW/ || /REDUCE/ {
      for (i = 1; i <= NF; i++) { if ($i == "cov:") cov = $(i + 1); if ($i == "ft:") ft = $(i + 1) }
    }
    /Done [0-9]+ runs in/ { secs = $(NF - 1) }
    END { printf "%-26s %10s runs %6s s %8s exec/s  cov %6s  ft %6s\n", t, runs, secs, speed, cov, ft }
  ' "$log"
done
echo "Fuzzing found no crash."
