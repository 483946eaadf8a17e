#!/usr/bin/env bash
# Builds the Debian packages in a build folder (the argument, default
# build/), lists them, unpacks them into a temporary folder (never installs
# them) and runs the unpacked programs there: every --version (the window
# program's without a display), and a short start of the bot on a copy of
# the shipped working folder moved to a free loopback port.
#   pelmobot      the headless bot, pelmochat and the unit, without Qt
#   pelmobot-gui  the window program, depending on pelmobot (built when
#                 the build folder has the window program: Qt 6 found)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

rm -rf "$build/packages"
cmake --build "$build" --target package -j"$(nproc)" >/dev/null
deb=$(ls "$build"/packages/pelmobot_*.deb)
echo "Package: $deb"
gui_deb=
if [ -e "$build/apps/pelmobot-gui" ]; then
  gui_deb=$(ls "$build"/packages/pelmobot-gui_*.deb)
  echo "Package: $gui_deb"
else
  echo "No window program in $build (Qt 6 was not found): pelmobot-gui not built."
fi

tmp=$(mktemp -d)
bot_pid=
cleanup() {
  if [ -n "$bot_pid" ]; then kill "$bot_pid" 2>/dev/null || true; fi
  rm -rf "$tmp"
}
trap cleanup EXIT

fail() {
  echo "$1" >&2
  exit 1
}

# Each package holds its own files and none of the other's.
contents() { dpkg-deb -c "$1" | awk '{print $6}'; }
contents "$deb" > "$tmp/list"
for path in ./usr/bin/pelmobot ./usr/bin/pelmochat ./usr/lib/systemd/system/pelmobot.service \
            ./usr/share/pelmobot/workdir/Net.ini ./usr/share/pelmobot/workdir/others.ini \
            ./usr/share/pelmobot/workdir/botfile/help.txt; do
  grep -qx "$path" "$tmp/list" || fail "missing from pelmobot: $path"
done
if grep -q 'pelmobot-gui\|/help/' "$tmp/list"; then fail "pelmobot holds the window's files"; fi
depends=$(dpkg-deb -f "$deb" Depends)
echo "pelmobot depends on: $depends"
case $depends in *qt* | *jpeg*) fail "pelmobot depends on the window's libraries" ;; esac
for script in postinst prerm postrm; do
  dpkg-deb -I "$deb" "$script" >/dev/null 2>&1 || fail "pelmobot has no $script"
done

dpkg-deb -x "$deb" "$tmp/root"
"$tmp/root/usr/bin/pelmobot" --version
"$tmp/root/usr/bin/pelmochat" --version

if [ -n "$gui_deb" ]; then
  contents "$gui_deb" > "$tmp/gui-list"
  for path in ./usr/bin/pelmobot-gui ./usr/share/doc/pelmobot/help/index.html \
              ./usr/share/applications/pelmobot-gui.desktop; do
    grep -qx "$path" "$tmp/gui-list" || fail "missing from pelmobot-gui: $path"
  done
  if grep -q '/usr/bin/pelmobot$\|/usr/bin/pelmochat\|workdir' "$tmp/gui-list"; then
    fail "pelmobot-gui holds pelmobot's files"
  fi
  gui_depends=$(dpkg-deb -f "$gui_deb" Depends)
  echo "pelmobot-gui depends on: $gui_depends"
  case $gui_depends in *"pelmobot (= "*) ;; *) fail "pelmobot-gui does not depend on pelmobot" ;; esac
  case $gui_depends in *qt6-translations-l10n*) ;; *) fail "pelmobot-gui does not depend on Qt's translations" ;; esac
  dpkg-deb -x "$gui_deb" "$tmp/root"
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$tmp/root/usr/bin/pelmobot-gui" --version
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
