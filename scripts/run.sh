#!/usr/bin/env bash
# Installs what is missing, builds Ovrin and starts it; arguments go to the program.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
cmake -S "$top" -B "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$top/build" --target ovrin -j"$(nproc)"
exec "$top/build/ovrin" "$@"
