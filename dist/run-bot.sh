#!/usr/bin/env bash
# Sets up, builds and runs the bot on a working folder of its own:
# installs the build dependencies when missing (as root, or through sudo),
# builds a Release pelmobot into build/, creates ~/.local/share/pelmobot
# from dist/workdir unless it exists, and runs the bot there. Extra
# arguments go to pelmobot. Stop it with Ctrl+C.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
workdir=${PELMOBOT_DIR:-${XDG_DATA_HOME:-$HOME/.local/share}/pelmobot}

# The configure step also looks for the test and benchmark libraries.
packages=(build-essential cmake g++ libgtest-dev libgmock-dev libbenchmark-dev libssl-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -ne 0 ]; then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -eq 0 ]; then
    SUDO=()
  elif command -v sudo >/dev/null 2>&1; then
    SUDO=(sudo)
  else
    echo "Missing packages (${missing[*]}) and no root rights to install them." >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  "${SUDO[@]}" apt-get update -q
  "${SUDO[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" --target pelmobot -j"$(nproc)"

if [ ! -e "$workdir" ]; then
  mkdir -p "$(dirname "$workdir")"
  cp -r "$root/dist/workdir" "$workdir"
  echo "Created the working folder $workdir"
fi

echo "Running the bot in $workdir"
exec "$root/build/apps/pelmobot" --dir "$workdir" "$@"
