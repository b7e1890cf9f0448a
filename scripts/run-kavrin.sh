#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds Kavrin and starts the window.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
cmake -S "$top" -B "$top/build-release" -DCMAKE_BUILD_TYPE=Release -DKAVRIN_TESTS=OFF -DKAVRIN_BENCH=OFF
cmake --build "$top/build-release" -j"$(nproc)" --target kavrin
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: start Kavrin from a desktop session (or under xvfb-run)." >&2
    exit 1
fi
exec "$top/build-release/app/kavrin" "$@"
