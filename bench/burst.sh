#!/usr/bin/env bash
# Burst benchmark: a loopback peer sends a burst of "!help" chat lines
# (20000 by default), first to a minimal UDP echo and then to the real
# pelmobot, and the share of the burst each answered is printed with their
# ratio (bot / echo). Everything stays on 127.0.0.0/8, on a free port.
#
#   bench/burst.sh [COUNT]      BUILD_DIR (default build-bench, Release)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
count=${1:-20000}
build=${BUILD_DIR:-$root/build-bench}

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DPELMO_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target pelmobot pelmo_burst -j"$(nproc)" >/dev/null
burst="$build/bench/pelmo_burst"
bot="$build/apps/pelmobot"

tmp=$(mktemp -d)
pid=
cleanup() {
  if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; fi
  rm -rf "$tmp"
}
trap cleanup EXIT

# A UDP port no socket holds, from a high range.
free_port() {
  local p
  for _ in $(seq 100); do
    p=$((40000 + RANDOM % 20000))
    if [ -z "$(ss -Huan "sport = :$p" 2>/dev/null)" ]; then echo "$p"; return; fi
  done
  echo "no free UDP port found" >&2
  exit 1
}
answered() { sed -n 's/^answered \([0-9]*\) of [0-9]*, the last after \([0-9]*\) ms/\1 \2/p'; }

# 1. The echo.
port=$(free_port)
"$burst" --echo "$port" &
pid=$!
sleep 0.3
read -r echo_answered echo_ms < <("$burst" --send "$port" --count "$count" | answered)
kill "$pid"; wait "$pid" 2>/dev/null || true; pid=

# 2. The bot, on a working folder of its own: loopback, broadcast mode, the
# shipped help text, no flood guard (one host sends the whole burst).
port=$(free_port)
mkdir -p "$tmp/work/botfile"
cp "$root/dist/workdir/botfile/help.txt" "$tmp/work/botfile/"
printf '[net]\r\nip=127.0.0.1\r\nport=%s\r\nttl=1\r\nIpBroadcast=127.255.255.255\r\n[socket]\r\nsnifermode=0\r\nMultiCast=0\r\nREUSEADDR=1\r\n[chat]\r\nBirthDay=0\r\n' \
  "$port" > "$tmp/work/Net.ini"
"$bot" --dir "$tmp/work" > "$tmp/bot.log" 2>&1 &
pid=$!
for _ in $(seq 100); do
  grep -q '] Started\.' "$tmp/bot.log" && break
  sleep 0.1
done
sleep 0.3
read -r bot_answered bot_ms < <("$burst" --send "$port" --count "$count" | answered)
kill -TERM "$pid"; wait "$pid" 2>/dev/null || true; pid=
noted=$(grep -c 'Burster (BURSTPC) ' "$tmp/bot.log" || true)

awk -v n="$count" -v e="$echo_answered" -v b="$bot_answered" -v noted="$noted" \
    -v em="$echo_ms" -v bm="$bot_ms" 'BEGIN {
  printf "burst of %d \"!help\" lines from one loopback peer\n", n
  printf "echo answered %d (%.3f), the last after %d ms\n", e, e / n, em
  printf "bot  answered %d (%.3f), the last after %d ms; commands noted in its log: %d\n", b, b / n, bm, noted
  printf "ratio bot/echo: %.3f\n", (e > 0 ? b / e : 0)
}'
