#!/usr/bin/env bash
# Builds the Debian package in a build folder (default build/), lists it,
# unpacks it into a temporary folder (never installs it) and runs the
# unpacked programs there: every --version (the window program's without a
# display), and a short start of the bot on a copy of the shipped working
# folder moved to a free loopback port.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

cmake --build "$build" --target package -j"$(nproc)" >/dev/null
deb=$(ls -t "$build"/packages/pelmobot_*.deb | head -n 1)
echo "Package: $deb"

tmp=$(mktemp -d)
bot_pid=
cleanup() {
  if [ -n "$bot_pid" ]; then kill "$bot_pid" 2>/dev/null || true; fi
  rm -rf "$tmp"
}
trap cleanup EXIT

dpkg-deb -c "$deb" > "$tmp/list"
for path in ./usr/bin/pelmobot ./usr/bin/pelmochat ./usr/lib/systemd/system/pelmobot.service \
            ./usr/share/pelmobot/workdir/Net.ini ./usr/share/pelmobot/workdir/others.ini \
            ./usr/share/pelmobot/workdir/botfile/help.txt \
            ./usr/bin/pelmobot-gui ./usr/share/doc/pelmobot/help/index.html \
            ./usr/share/applications/pelmobot-gui.desktop; do
  if ! awk '{print $6}' "$tmp/list" | grep -qx "$path"; then
    echo "missing from the package: $path" >&2
    exit 1
  fi
done

dpkg-deb -x "$deb" "$tmp/root"
"$tmp/root/usr/bin/pelmobot" --version
"$tmp/root/usr/bin/pelmochat" --version
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$tmp/root/usr/bin/pelmobot-gui" --version
if ! dpkg-deb -f "$deb" Depends | grep -q qt6-translations-l10n; then
  echo "the package does not depend on Qt's translations" >&2
  exit 1
fi

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

# A short start on loopback: the shipped folder with a free port.
cp -R "$tmp/root/usr/share/pelmobot/workdir" "$tmp/work"
port=$(free_port)
sed -i "s/^port=.*/port=$port\r/" "$tmp/work/Net.ini"
"$tmp/root/usr/bin/pelmobot" --dir "$tmp/work" > "$tmp/bot.log" 2>&1 &
bot_pid=$!
for _ in $(seq 50); do
  grep -q '] Started\.' "$tmp/bot.log" && break
  sleep 0.1
done
if ! "$tmp/root/usr/bin/pelmochat" --dir "$tmp/work" --say '!help' --wait 2 > "$tmp/chat.log"; then
  cat "$tmp/bot.log" >&2
  echo "the unpacked bot did not answer the unpacked pelmochat" >&2
  exit 1
fi
kill -TERM "$bot_pid"
status=0
wait "$bot_pid" || status=$?
bot_pid=
if [ "$status" -ne 0 ] || ! grep -q '] Stoped\.' "$tmp/bot.log"; then
  cat "$tmp/bot.log" >&2
  echo "the unpacked bot did not stop cleanly (status $status)" >&2
  exit 1
fi
echo "Unpacked pelmobot started, answered pelmochat and stopped: the package is good."
