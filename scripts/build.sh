#!/usr/bin/env bash
# Configures and builds the project in Release into build/ (or $BUILD_DIR).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
generator=()
[[ -f "$build/CMakeCache.txt" ]] || generator=(-G Ninja)
cmake -S "$root" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
cmake --build "$build" --parallel "$(nproc)"
