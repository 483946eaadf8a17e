#!/usr/bin/env bash
# The Windows installer under wine, in a network namespace of its own (root
# only; skipped otherwise): checks the zip's contents, installs silently
# for the current user, starts the installed window program in the
# Start-menu shortcut's working folder (the installation folder, which it
# fills from the shipped workdir/ at its first start: loopback multicast on
# the shipped port, which nobody else sees in this namespace), asks it
# `pelmochat --say '!help'` from the native pelmochat, stops it, uninstalls
# silently and checks that only the bot's own working files are left.
#   scripts/windows-install-test.sh PACKAGES_DIR
# WINEPREFIX and DISPLAY come from the caller (scripts/windows-tests.sh);
# PELMOCHAT (default build/apps/pelmochat) is the native client.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
packages=$1
installer=$(ls "$packages"/Pelmo_bot-*-win64.exe)
zip=$(ls "$packages"/Pelmo_bot-*-win64.zip)
chat=${PELMOCHAT:-$root/build/apps/pelmochat}

fail() {
  echo "windows-install-test: $1" >&2
  exit 1
}

if [ "${PELMO_IN_NETNS:-}" != 1 ]; then
  unzip -Z1 "$zip" | sort > "$packages/zip-list"
  for path in pelmobot.exe pelmobot-gui.exe help/index.html workdir/Net.ini workdir/botfile/help.txt; do
    grep -qx "$path" "$packages/zip-list" || fail "missing from the zip: $path"
  done
  # The guide is the Windows one, not the Linux guide (--dir, /usr/share, SIGTERM).
  unzip -p "$zip" help/index.html | grep -q "для Windows" || fail "help/index.html is not the Windows guide"
  if unzip -p "$zip" help/index.html | grep -q "/usr/share\|SIGTERM"; then
    fail "the Windows guide speaks of Linux"
  fi
  echo "Zip: $zip"
  if ! unshare -n true 2>/dev/null; then
    echo "Installer test skipped: it needs root for a network namespace of its own."
    exit 0
  fi
  # A wine server of the outside would be shared; this run has its own.
  wineserver -k 2>/dev/null || true
  exec unshare -n env PELMO_IN_NETNS=1 bash "$0" "$@"
fi
ip link set lo up

windows_path() { wine cmd /c "echo $1" 2>/dev/null | tr -d '\r'; }
local_app_windows=$(windows_path '%LOCALAPPDATA%')
local_app=$(winepath -u "$local_app_windows" 2>/dev/null)
programs=$(winepath -u "$(windows_path '%APPDATA%')" 2>/dev/null)"/Microsoft/Windows/Start Menu/Programs"
instdir="$local_app/Programs/Pelmo_bot"
rm -rf "$instdir" "$programs/Pelmo_bot"

wine "$installer" /S
for path in pelmobot.exe pelmobot-gui.exe Uninstall.exe help/index.html workdir/Net.ini; do
  [ -f "$instdir/$path" ] || fail "not installed: $instdir/$path"
done
shortcut="$programs/Pelmo_bot/Pelmo_bot.lnk"
[ -f "$shortcut" ] || fail "no Start-menu shortcut $shortcut"
# The shortcut's working folder: a UTF-16 string inside the link (after
# its length, which strings may take for a character), ending the line.
windir="$local_app_windows\Programs\Pelmo_bot"
strings -el "$shortcut" | DIR="$windir" awk '
  { line = tolower($0); d = tolower(ENVIRON["DIR"])
    if (substr(line, length(line) - length(d) + 1) == d) found = 1 }
  END { exit found ? 0 : 1 }' || fail "the shortcut does not start in $windir"
echo "Installed in $windir, with its shortcut"

gui_pid=
stop_gui() { if [ -n "$gui_pid" ]; then kill "$gui_pid" 2>/dev/null || true; fi; wineserver -k 2>/dev/null || true; }
trap stop_gui EXIT
(cd "$instdir" && exec wine pelmobot-gui.exe) >"$packages/gui.log" 2>&1 &
gui_pid=$!
answered=
for _ in $(seq 60); do
  # The answer is the shipped help ("справка" in its first line), not the
  # bot's join that a first try may hear.
  if [ -f "$instdir/Net.ini" ] &&
     "$chat" --dir "$instdir" --nick Tester --host TESTPC --say '!help' --wait 2 >"$packages/chat.log" 2>&1 &&
     grep -q 'справка' "$packages/chat.log"; then
    answered=1
    break
  fi
  sleep 1
done
[ -n "$answered" ] || { cat "$packages/chat.log" >&2; fail "the installed program did not answer pelmochat"; }
echo "The installed program answered: $(grep -m1 'справка' "$packages/chat.log")"
stop_gui
gui_pid=
wait 2>/dev/null || true

wine "$instdir/Uninstall.exe" /S
# The uninstaller runs on from a copy of itself: wait for it.
for _ in $(seq 60); do
  [ -e "$instdir/Uninstall.exe" ] || break
  sleep 1
done
wineserver -w 2>/dev/null || true
left=$(cd "$instdir" && find . -type f | sed 's|^\./||' | sort)
echo "Left after uninstalling: $(echo "$left" | tr '\n' ' ')"
echo "$left" | grep -qiE '\.exe$|^help/|^workdir/' && fail "the uninstaller left installed files"
[ -e "$programs/Pelmo_bot" ] && fail "the uninstaller left the Start-menu folder"
echo "$left" | grep -qx 'Net.ini' || fail "the uninstaller took the working files"
echo "Installer, installed program and uninstaller are good."
