#!/usr/bin/env bash
# Sets up, builds and runs the bot on a working folder of its own:
# installs the build dependencies when missing (as root, or through sudo),
# builds a Release pelmobot and pelmochat into build-release/, creates
# ~/.local/share/pelmobot from dist/workdir unless it exists, and runs the
# bot there. Extra arguments go to pelmobot. Stop it with Ctrl+C.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
workdir=${PELMOBOT_DIR:-${XDG_DATA_HOME:-$HOME/.local/share}/pelmobot}

"$root/scripts/install-deps.sh" run

cmake -S "$root" -B "$root/build-release" -DCMAKE_BUILD_TYPE=Release \
      -DPELMO_TESTS=OFF -DPELMO_BENCH=OFF >/dev/null
cmake --build "$root/build-release" --target pelmobot pelmochat -j"$(nproc)"

if [ ! -e "$workdir" ]; then
  mkdir -p "$(dirname "$workdir")"
  cp -r "$root/dist/workdir" "$workdir"
  echo "Created the working folder $workdir"
fi

echo "Running the bot in $workdir"
exec "$root/build-release/apps/pelmobot" --dir "$workdir" "$@"
